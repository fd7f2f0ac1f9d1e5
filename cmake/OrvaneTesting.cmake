# GoogleTest for both sides: Debian's prebuilt library natively, and the sources
# that Debian's googletest package installs, cross-compiled, for Windows.
enable_testing()

set(ORVANE_BENCH_DIR "${CMAKE_BINARY_DIR}/../bench" CACHE PATH
    "Where the Wine/CUPS/snmpd test bench keeps its state (shared by the build trees)")
get_filename_component(ORVANE_BENCH_DIR "${ORVANE_BENCH_DIR}" ABSOLUTE)

if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(ORVANE_GTEST_LIBS gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(ORVANE_GTEST_LIBS GTest::gmock GTest::gtest_main)
endif()

# Properties every test of ours shares: the bench's location, its fixture when the
# test needs it, exit code 77 as "skipped", and a timeout (300 s by default).
function(_orvane_test_properties test needs_bench timeout)
  set_tests_properties(${test} PROPERTIES SKIP_RETURN_CODE 77
    ENVIRONMENT "ORVANE_BENCH_DIR=${ORVANE_BENCH_DIR};ORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR};ORVANE_BUILD_DIR=${CMAKE_BINARY_DIR}")
  if(needs_bench)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED bench)
  endif()
  if(NOT timeout)
    set(timeout 300)
  endif()
  set_tests_properties(${test} PROPERTIES TIMEOUT ${timeout})
endfunction()

# orvane_add_test(<name> SOURCES ... [LIBS ...] [BENCH] [WINDOWS_ONLY] [NATIVE_ONLY] [TIMEOUT s])
# Builds a GoogleTest executable and registers it as "<arch>.<name>": run directly
# natively, under Wine (through the bench's environment) in the Windows trees.
# BENCH: the test needs the running bench (snmpd agents, CUPS queues, Xvfb); every
# Windows test does, since Wine runs in the bench's prefix and display.
function(orvane_add_test name)
  cmake_parse_arguments(T "BENCH;WINDOWS_ONLY;NATIVE_ONLY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(T_WINDOWS_ONLY AND NOT WIN32)
    return()
  endif()
  if(T_NATIVE_ONLY AND WIN32)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} ${ORVANE_GTEST_LIBS})
  if(WIN32)
    add_test(NAME ${ORVANE_ARCH}.${name}
             COMMAND ${CMAKE_SOURCE_DIR}/tests/bench/wine-run.sh ${ORVANE_WINE} $<TARGET_FILE:${name}>)
    set(T_BENCH ON)
  else()
    add_test(NAME ${ORVANE_ARCH}.${name} COMMAND ${name})
  endif()
  _orvane_test_properties(${ORVANE_ARCH}.${name} "${T_BENCH}" "${T_TIMEOUT}")
endfunction()

# orvane_add_script_test(<name> COMMAND ... [BENCH] [TIMEOUT s]) registers a shell-level
# test (driving Wine programs from outside, checking files) as "<arch>.<name>";
# in the Windows trees it always needs the bench.
function(orvane_add_script_test name)
  cmake_parse_arguments(T "BENCH" "TIMEOUT" "COMMAND" ${ARGN})
  add_test(NAME ${ORVANE_ARCH}.${name} COMMAND ${T_COMMAND})
  if(WIN32)
    set(T_BENCH ON)
  endif()
  _orvane_test_properties(${ORVANE_ARCH}.${name} "${T_BENCH}" "${T_TIMEOUT}")
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/OrvaneFuzzing.cmake)
