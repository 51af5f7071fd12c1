# GoogleTest: Debian's package natively, built from Debian's sources for the Windows targets.
if(ZAR_WINDOWS)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Debian's sources warn under our flags; they are not ours to fix.
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Under user-mode emulation (the win32 preset) every Wine process costs seconds to start, so a test
# program there is one test running all its cases rather than one test per case.
option(ZAR_TEST_PER_PROGRAM "One test per test program instead of one per case" OFF)

# A test program; its cases are listed at test time, so Windows programs are only started under
# Wine when ctest runs.
function(zar_add_test target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE GTest::gtest_main)
  zar_discover_tests(${target} 300 OFF)
endfunction()

# The cases of a test program as tests (or the program as one test; see ZAR_TEST_PER_PROGRAM).
function(zar_discover_tests target timeout serial)
  set(serial_property)
  if(serial)
    set(serial_property RUN_SERIAL ON)
  endif()
  if(ZAR_TEST_PER_PROGRAM)
    add_test(NAME ${target} COMMAND ${target})
    # The whole program gets the time of ten cases.
    math(EXPR timeout "${timeout} * 10")
    set_tests_properties(${target} PROPERTIES TIMEOUT ${timeout} ${serial_property})
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT ${timeout} ${serial_property})
  endif()
endfunction()
