# Copy, append, search, comparison and hashing of the library's strings beside the standard ones.
vel_benchmark(bench_strings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_strings.cpp DEPS vel_rw_ui)
