# Insert, find and remove in the hashed and sorted collections, beside std::set and
# std::unordered_set.
vel_benchmark(bench_collections SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_collections.cpp
              DEPS vel_rw_ui)
