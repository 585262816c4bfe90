# The render flavour's real and kernel-mode files beside double and std::FILE.
vel_benchmark(bench_render_flavour SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_render_flavour.cpp
              DEPS vel_flavour_render)
