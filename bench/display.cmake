# bench_display: one idle pass of the spectrum and intensity views' displays.
add_executable(bench_display ${CMAKE_CURRENT_LIST_DIR}/bench_display.cpp)
target_link_libraries(bench_display PRIVATE rt7731 benchmark::benchmark)
