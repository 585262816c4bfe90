# velprint: reading a job file beside splitting it into lines, and the player's own cost per call
# with the logging driver (built by bench/driver_host.cmake) quiet.
vel_benchmark(bench_velprint SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_velprint.cpp
              DEPS vel_velprint ${CMAKE_DL_LIBS})
if(TARGET bench_velprint)
  add_dependencies(bench_velprint bench_logging_driver)
  target_compile_definitions(bench_velprint PRIVATE
                             VEL_BENCH_DRIVER="$<TARGET_FILE:bench_logging_driver>")
endif()
