# The stand-in engine's per-item calls and job output beside what a program would use directly.
vel_benchmark(bench_engine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_engine.cpp
              DEPS vel_platform_engine vel_platform_spooler)
