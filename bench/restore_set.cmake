# Restoring large sets and identity sets, beside std::unordered_set insertion.
vel_benchmark(bench_restore_set SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_restore_set.cpp
              DEPS vel_rw_ui)
