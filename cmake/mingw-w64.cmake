# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads,
# so std::thread and std::mutex work). Used for the dependencies that
# scripts/windows-deps builds and for the project itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)

# QINGHE_WINDOWS_PREFIX: where the cross-built dependencies are installed.
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${QINGHE_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The checks that configure runs see the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QINGHE_WINDOWS_PREFIX)
