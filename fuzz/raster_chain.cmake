# Row-source chains built and read from arbitrary bytes.
vel_fuzz_target(fuzz_raster_chain SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_raster_chain.cpp
                DEPS vel_framework_ui)
