# The glyph set of the downloaded fonts beside std::set.
vel_benchmark(bench_glyph_set SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_glyph_set.cpp
              DEPS vel_framework_ui)
