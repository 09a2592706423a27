# rt_add_fuzzer(<name> LABEL <label> ITERATIONS <n> SOURCES <files...> [LIBS <libs...>])
# One fuzz driver (see tests/support/fuzz/README.md): the replay executable fuzz_<name>_replay for any
# compiler, run by CTest over the seeds and <n> mutations, and the libFuzzer target fuzz_<name> when
# the compiler is clang. SOURCES define LLVMFuzzerTestOneInput and fuzz::DriverCorpus.
add_library(rt_fuzz_support STATIC ${CMAKE_CURRENT_LIST_DIR}/Mutator.cpp)
add_library(rt_fuzz_replay STATIC ${CMAKE_CURRENT_LIST_DIR}/ReplayMain.cpp)
target_link_libraries(rt_fuzz_replay PUBLIC rt_fuzz_support)

function(rt_add_fuzzer name)
  cmake_parse_arguments(F "" "LABEL;ITERATIONS" "SOURCES;LIBS" ${ARGN})
  add_executable(fuzz_${name}_replay ${F_SOURCES})
  target_link_libraries(fuzz_${name}_replay PRIVATE ${F_LIBS} rt_fuzz_replay)
  set_target_properties(fuzz_${name}_replay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(fuzz_${name}_replay PRIVATE RT_BIN_DIR="${RT_BIN_DIR}" RT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(fuzz_${name} ${F_SOURCES})
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS} rt_fuzz_support)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(fuzz_${name} PRIVATE RT_BIN_DIR="${RT_BIN_DIR}" RT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  endif()
  add_test(NAME fuzz_${name}_replay COMMAND fuzz_${name}_replay --iterations ${F_ITERATIONS}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_tests_properties(fuzz_${name}_replay PROPERTIES LABELS ${F_LABEL} TIMEOUT 600
                       ENVIRONMENT "QT_QPA_PLATFORM=offscreen;RT_BIN_DIR=${RT_BIN_DIR}")
endfunction()
