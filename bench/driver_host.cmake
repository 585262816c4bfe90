# The driver host's cost per DDI call beside calling the driver directly; the driver is the
# tests' logging driver, built here too since release builds have no tests.
vel_module(bench_logging_driver SOURCES ${PROJECT_SOURCE_DIR}/tests/platform/LoggingDriver.cpp
           DEPS vel_platform_engine)
vel_benchmark(bench_driver_host SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_driver_host.cpp
              DEPS vel_platform_engine ${CMAKE_DL_LIBS})
if(TARGET bench_driver_host)
  add_dependencies(bench_driver_host bench_logging_driver)
  target_compile_definitions(bench_driver_host PRIVATE
                             VEL_BENCH_DRIVER="$<TARGET_FILE:bench_logging_driver>")
endif()
