# Object-graph restores from arbitrary bytes on every carrier.
vel_fuzz_target(fuzz_persist SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_persist.cpp DEPS vel_rw_ui)
