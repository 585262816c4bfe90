# The PCL XL stream writer on a typical page's mix, beside memcpy of the same bytes.
vel_benchmark(bench_pclxl SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_pclxl.cpp DEPS vel_pclxl)
