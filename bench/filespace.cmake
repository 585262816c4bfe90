# Insert and find in the on-disk B-tree (record-store geometry) beside std::map.
vel_benchmark(bench_filespace SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_filespace.cpp
              DEPS vel_rw_ui)
