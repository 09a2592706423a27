# bench_engine_sweep: the sweep threads' cost per pass against the simulated instrument (pace=fast).
add_executable(bench_engine_sweep ${CMAKE_CURRENT_LIST_DIR}/bench_engine_sweep.cpp)
target_link_libraries(bench_engine_sweep PRIVATE rt7731 usb2 benchmark::benchmark)
target_compile_definitions(bench_engine_sweep PRIVATE RT_BIN_DIR="${RT_BIN_DIR}")
