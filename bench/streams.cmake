# Writing and reading the virtual stream formats, beside memcpy of the same bytes.
vel_benchmark(bench_streams SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_streams.cpp DEPS vel_rw_ui)
