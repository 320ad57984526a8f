# The build-time tools of a cross build: the programs of a native build
# (scripts/package-windows and scripts/test build them), found in the folder
# QINGHE_HOST_TOOLS (the native build's tools/ folder).
set(QINGHE_HOST_TOOLS "" CACHE PATH "The tools/ folder of a native build")
foreach(tool qinghe-rc qinghe-gbk-tables qinghe-placeholder-picture)
  if(NOT EXISTS ${QINGHE_HOST_TOOLS}/${tool})
    message(FATAL_ERROR "No ${tool} in QINGHE_HOST_TOOLS='${QINGHE_HOST_TOOLS}': "
                        "build it natively first (cmake --build build --target ${tool})")
  endif()
  add_executable(${tool} IMPORTED GLOBAL)
  set_target_properties(${tool} PROPERTIES IMPORTED_LOCATION ${QINGHE_HOST_TOOLS}/${tool})
endforeach()
include(${PROJECT_SOURCE_DIR}/tools/FundPages.cmake)
