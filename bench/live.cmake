# bench_live: the spectrum view live against the simulated instrument at hardware pace.
add_executable(bench_live ${CMAKE_CURRENT_LIST_DIR}/bench_live.cpp)
target_link_libraries(bench_live PRIVATE rt7731)
target_compile_definitions(bench_live PRIVATE RT_BIN_DIR="${RT_BIN_DIR}")
add_dependencies(bench_live usb2 rt_assets)
