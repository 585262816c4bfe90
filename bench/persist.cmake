# Saving and restoring a graph of 100,000 small objects with sharing on each carrier, beside memcpy.
vel_benchmark(bench_persist SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_persist.cpp DEPS vel_rw_ui)
