# The PostScript emitter's texts from job data: escaped strings and reals.
vel_fuzz_target(fuzz_ps_text SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_ps_text.cpp
                DEPS vel_framework_ui)
