# bench_scene: our scene against QPainter on a QImage and Cairo's image surface.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SCENE_BENCH_CAIRO REQUIRED IMPORTED_TARGET cairo)
add_executable(bench_scene ${CMAKE_CURRENT_LIST_DIR}/bench_scene.cpp)
target_link_libraries(bench_scene PRIVATE platform_scene Qt6::Gui PkgConfig::SCENE_BENCH_CAIRO
                      benchmark::benchmark)
