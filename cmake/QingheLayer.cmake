# Where the fund_pages target (tools/CMakeLists.txt) writes the generated
# fund pages that tests, benchmarks and the demo read.
set(QINGHE_GENERATED_PAGES_DIR ${CMAKE_BINARY_DIR}/fixtures/fund-pages)

# qinghe_layer(NAME [DEPS target...] [EXCLUDE path...])
# One static library per layer folder, built from every .cpp in that folder
# and its subfolders. New files join the layer without editing CMake.
# EXCLUDE names files or subfolders, relative to the folder, that are built
# as libraries of their own (the layer then lists them in DEPS).
function(qinghe_layer name)
  cmake_parse_arguments(L "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  # Program entry points (*_main.cpp) become executables, not library code.
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  # A service's sides for each system: *_windows.cpp builds for Windows,
  # *_posix.cpp everywhere else.
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  foreach(excluded ${L_EXCLUDE})
    cmake_path(ABSOLUTE_PATH excluded BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    foreach(source ${sources})
      cmake_path(IS_PREFIX excluded ${source} NORMALIZE inside)
      if(inside)
        list(REMOVE_ITEM sources ${source})
      endif()
    endforeach()
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${L_DEPS})
  else()
    # A layer with no code yet: an interface target so dependants link.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${L_DEPS})
  endif()
endfunction()

# qinghe_test_suite(LAYER [DEPS target...] [QT])
# One GoogleTest executable per folder under tests/, named test_<folder>.
function(qinghe_test_suite folder)
  cmake_parse_arguments(T "QT" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  # Tests of what only one kind of system has (links, FIFOs, owners, the
  # XDG folders): *_posix_test.cpp, *_windows_test.cpp. Each one left out
  # is listed by ctest as skipped, with the reason its first line gives.
  if(WIN32)
    set(other_side "_posix_test\\.cpp$")
  else()
    set(other_side "_windows_test\\.cpp$")
  endif()
  set(left_out ${sources})
  list(FILTER left_out INCLUDE REGEX ${other_side})
  list(FILTER sources EXCLUDE REGEX ${other_side})
  foreach(file ${left_out})
    file(STRINGS ${file} reason LIMIT_COUNT 1)
    string(REGEX REPLACE "^// *" "" reason "${reason}")
    get_filename_component(name ${file} NAME_WE)
    add_test(NAME ${folder}.${name}.left_out
             COMMAND ${CMAKE_COMMAND} -E echo "not on this system: ${reason}")
    set_tests_properties(${folder}.${name}.left_out PROPERTIES
      PASS_REGULAR_EXPRESSION "^$" SKIP_REGULAR_EXPRESSION "not on this system")
  endforeach()
  if(NOT sources)
    return()
  endif()
  set(exe test_${folder})
  if(T_QT)
    add_executable(${exe} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/qt_test_main.cpp)
    target_link_libraries(${exe} PRIVATE Qt6::Widgets)
  else()
    add_executable(${exe} ${sources} ${CMAKE_CURRENT_SOURCE_DIR}/support/test_main.cpp)
  endif()
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${exe} PRIVATE ${T_DEPS} test_system GTest::gtest GTest::gmock Threads::Threads)
  target_compile_definitions(${exe} PRIVATE
    QINGHE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QINGHE_FIXTURE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
    QINGHE_SHARED_FIXTURE_DIR="${PROJECT_SOURCE_DIR}/../shared/fixtures"
    QINGHE_GENERATED_PAGES_DIR="${QINGHE_GENERATED_PAGES_DIR}")
  add_dependencies(${exe} fund_pages)
  gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
