# N-up settings and a few pages derived from arbitrary bytes, run through the n-up filter.
vel_fuzz_target(fuzz_nup_filter SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_nup_filter.cpp
                DEPS vel_framework_ui)
