# A booklet job recorded on disk and replayed through the inner n-up stage, beside the same job
# through the n-up filter at two per sheet in memory.
vel_benchmark(bench_booklet SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_booklet.cpp
              DEPS vel_framework_ui)
