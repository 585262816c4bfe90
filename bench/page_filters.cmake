# A page of rectangles through the scale-page and n-up filters into a counting stage, beside the
# same chain with both filters switched off by their settings and beside the counting stage alone.
vel_benchmark(bench_page_filters SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_page_filters.cpp
              DEPS vel_framework_ui)
