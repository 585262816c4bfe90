# The PostScript emitter's number and hexadecimal writers beside snprintf and memcpy.
vel_benchmark(bench_postscript SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_postscript.cpp
              DEPS vel_framework_ui)
