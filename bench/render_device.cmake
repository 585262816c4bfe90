# The per-page path of the render device (page start, graphics with bundles, page end through
# SendGraphic and SendCommand) beside the same commands sent straight through the chain.
vel_benchmark(bench_render_device SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_render_device.cpp
              DEPS vel_framework_ui)
