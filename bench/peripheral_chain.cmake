# Commands with a six-attribute bundle through a chain of three stages, beside the same handler
# calls made as plain virtual calls.
vel_benchmark(bench_peripheral_chain SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_peripheral_chain.cpp
              DEPS vel_framework_ui)
