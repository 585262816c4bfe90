# The row-source chain's stages and the back end's whole chain, beside memcpy of their output.
vel_benchmark(bench_raster_rows SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_raster_rows.cpp
              DEPS vel_framework_ui)
