# Reading raster rows at each depth over a 4858-pixel page width, beside memcpy of the same bytes.
vel_benchmark(bench_bitmap_rows SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_bitmap_rows.cpp
              DEPS vel_framework_ui)
