# Storing pages of small attributes in a disk-backed composite and loading them back, beside
# saving and restoring the same graphs to a binary file.
vel_benchmark(bench_record_store SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_record_store.cpp
              DEPS vel_framework_ui)
