# bench_startup: launch of the built program to its first presented frame with the link up.
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/bench_startup.cpp)
target_compile_definitions(bench_startup PRIVATE RT_BIN_DIR="${RT_BIN_DIR}")
add_dependencies(bench_startup RT7731_IV usb2 rt_assets)
