# Restores of narrow and wide strings from arbitrary bytes on every carrier.
vel_fuzz_target(fuzz_strings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_strings.cpp DEPS vel_rw_ui)
