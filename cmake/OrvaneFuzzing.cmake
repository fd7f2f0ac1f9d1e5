# libFuzzer targets of the native tree. The tree's own compiler is GCC, which has
# no libFuzzer, so each target is compiled from the sources it names with clang
# (libFuzzer, ASan, UBSan) by custom commands that Ninja tracks through depfiles.
# CTest runs each target briefly on its seed corpus through tools/fuzz.sh, which
# also runs them for longer by hand. Without clang or its libFuzzer runtime the
# targets are not built and their tests report themselves skipped.
set(ORVANE_FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
set(ORVANE_FUZZ_LIST ${ORVANE_FUZZ_DIR}/targets.txt)
file(MAKE_DIRECTORY ${ORVANE_FUZZ_DIR})
file(WRITE ${ORVANE_FUZZ_LIST} "")

if(NOT WIN32)
  find_program(ORVANE_FUZZ_CXX NAMES clang++ clang++-14)
  if(ORVANE_FUZZ_CXX AND NOT DEFINED ORVANE_FUZZ_WORKS)
    file(WRITE ${ORVANE_FUZZ_DIR}/probe.cpp
      "#include <cstddef>\n#include <cstdint>\n"
      "extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n")
    execute_process(
      COMMAND ${ORVANE_FUZZ_CXX} -fsanitize=fuzzer,address,undefined ${ORVANE_FUZZ_DIR}/probe.cpp
              -o ${ORVANE_FUZZ_DIR}/probe
      RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
    if(probe_result EQUAL 0)
      set(ORVANE_FUZZ_WORKS ON CACHE INTERNAL "clang++ links libFuzzer targets")
    else()
      set(ORVANE_FUZZ_WORKS OFF CACHE INTERNAL "clang++ links libFuzzer targets")
    endif()
  endif()
  if(NOT ORVANE_FUZZ_WORKS)
    message(STATUS "clang++ with the libFuzzer runtime not found: fuzz targets are not built")
  endif()
  add_custom_target(fuzz_all)
endif()

# orvane_add_fuzz_test(<name> SOURCES ... CORPUS <dir> [MAX_LEN bytes] [SECONDS s])
# Builds <build>/fuzz/<name>/<name> from SOURCES (the target's LLVMFuzzerTestOneInput
# first, then the production sources it reaches) and registers "native.<name>",
# which runs it for SECONDS (default 15) on the committed seeds in CORPUS.
function(orvane_add_fuzz_test name)
  if(WIN32)
    return()
  endif()
  cmake_parse_arguments(F "" "CORPUS;MAX_LEN;SECONDS" "SOURCES" ${ARGN})
  if(NOT F_MAX_LEN)
    set(F_MAX_LEN 4096)
  endif()
  if(NOT F_SECONDS)
    set(F_SECONDS 15)
  endif()
  get_filename_component(corpus ${F_CORPUS} ABSOLUTE)
  set(out ${ORVANE_FUZZ_DIR}/${name})
  set(binary ${out}/${name})
  file(APPEND ${ORVANE_FUZZ_LIST} "${name} ${binary} ${corpus} ${F_MAX_LEN}\n")

  if(ORVANE_FUZZ_WORKS)
    set(flags -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
              -fno-omit-frame-pointer -Wall -Wextra -I${CMAKE_SOURCE_DIR})
    if(ORVANE_WERROR)
      list(APPEND flags -Werror)
    endif()
    set(objects)
    foreach(source ${F_SOURCES})
      get_filename_component(source ${source} ABSOLUTE)
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
      set(object ${out}/obj/${relative}.o)
      get_filename_component(object_dir ${object} DIRECTORY)
      file(MAKE_DIRECTORY ${object_dir})
      add_custom_command(OUTPUT ${object}
        COMMAND ${CMAKE_CXX_COMPILER_LAUNCHER} ${ORVANE_FUZZ_CXX} ${flags} -MD -MF ${object}.d
                -c ${source} -o ${object}
        DEPENDS ${source} DEPFILE ${object}.d
        COMMENT "Fuzz target ${name}: ${relative}" VERBATIM)
      list(APPEND objects ${object})
    endforeach()
    add_custom_command(OUTPUT ${binary}
      COMMAND ${ORVANE_FUZZ_CXX} -fsanitize=fuzzer,address,undefined ${objects} -o ${binary}
      DEPENDS ${objects}
      COMMENT "Linking fuzz target ${name}" VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${binary})
    add_dependencies(fuzz_all ${name})
  endif()

  orvane_add_script_test(${name}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/fuzz.sh --no-build --seconds ${F_SECONDS} ${name}
    TIMEOUT 180)
endfunction()
