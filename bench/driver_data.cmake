# Saving and restoring the driver data of the builder's model on the binary and the portable
# stream; compare its bytes per second with bench_persist's stream rows.
vel_benchmark(bench_driver_data SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_driver_data.cpp
              DEPS vel_veldata_ui)
