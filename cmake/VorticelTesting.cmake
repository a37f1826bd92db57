# vorticel_add_test(<name> SOURCES ... [LIBS ...] [LABELS ...])
# One GoogleTest executable registered with CTest. Labels in use:
#   unit     headless, no display needed
#   display  needs an X display (the test command provides Xvfb)
#   e2e      drives a built executable
if(CMAKE_CROSSCOMPILING)
  # No packaged GoogleTest for the cross targets: build it from the sources Debian ships.
  if(NOT TARGET gtest)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(VORTICEL_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VORTICEL_GTEST_MAIN GTest::gtest_main)
endif()

function(vorticel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${VORTICEL_GTEST_MAIN})
  add_test(NAME ${name} COMMAND ${name})
  # A hung test fails instead of holding up the whole run.
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
