# The page filters' settings and a few pages derived from arbitrary bytes, run through scale-page,
# fit-to-size, watermark, booklet and n-up together.
vel_fuzz_target(fuzz_nup_filter SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_nup_filter.cpp
                DEPS vel_framework_ui)
