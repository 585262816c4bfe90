# A 1,000-page job of empty pages through the printer head, the PJL envelope and the PCL XL back end
# into a memory channel, beside the same operators written straight with the writer's functions.
vel_benchmark(bench_backend_job SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_backend_job.cpp
              DEPS vel_veldata_ui)
