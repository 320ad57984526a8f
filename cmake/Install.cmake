# Install rules and the Debian package.
#   cmake --install build [--prefix DIR]      (DESTDIR works as usual)
#   cpack -G DEB        (in the build folder; scripts/package does both)
include(GNUInstallDirs)

set(QINGHE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS qinghe qinghe-analyse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${QINGHE_PACKAGING_DIR}/qinghe.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 48 128)
  install(FILES ${QINGHE_PACKAGING_DIR}/icons/qinghe-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME qinghe.png)
endforeach()
install(FILES ${QINGHE_PACKAGING_DIR}/icons/qinghe.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The manual page carries the version and is installed compressed.
set(man_page ${PROJECT_BINARY_DIR}/packaging/qinghe-analyse.1)
configure_file(${QINGHE_PACKAGING_DIR}/qinghe-analyse.1.in ${man_page} @ONLY)
file(ARCHIVE_CREATE OUTPUT ${man_page}.gz PATHS ${man_page} FORMAT raw COMPRESSION GZip)
install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Installs into a temporary DESTDIR and checks every file there.
add_test(NAME install_tree
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/check-install ${PROJECT_BINARY_DIR})

set(CPACK_PACKAGE_NAME qinghe)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Qinghe")
set(CPACK_PACKAGE_CONTACT "Qinghe developers <qinghe@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fund holdings viewer (青禾基金持仓查看器)")
set(CPACK_PACKAGE_DESCRIPTION
    "Downloads the pages of the funds the user names, merges their top-ten stock\n\
holdings by stock name and shows them in a list; qinghe-analyse does the same\n\
on the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Run-time needs no library link shows: the Chinese font the windows use
# and a General MIDI soundfont for the tune.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, timgm6mb-soundfont | sf2-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
