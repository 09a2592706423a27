# bench_sim: cost of the simulated instrument answering sweeps (pace=fast).
add_executable(bench_sim ${CMAKE_CURRENT_LIST_DIR}/bench_sim.cpp)
target_link_libraries(bench_sim PRIVATE usb2 benchmark::benchmark)
