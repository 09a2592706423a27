# bench_engine: the measurement engine's numeric work; the FFT against FFTW (benchmark-only peer).
# Every bench/bench_engine*.cpp joins the executable, so further engine benchmarks need no change here.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ENGINE_BENCH_FFTW REQUIRED IMPORTED_TARGET fftw3 fftw3f)
file(GLOB ENGINE_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bench_engine*.cpp)
add_executable(bench_engine ${ENGINE_BENCH_SOURCES})
target_link_libraries(bench_engine PRIVATE rt7731 usb2 PkgConfig::ENGINE_BENCH_FFTW benchmark::benchmark)
# The sweep benchmarks load the simulated instrument from the program folder.
target_compile_definitions(bench_engine PRIVATE RT_BIN_DIR="${RT_BIN_DIR}")
