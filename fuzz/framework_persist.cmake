# Framework object records from arbitrary bytes on every carrier.
vel_fuzz_target(fuzz_framework_persist
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_framework_persist.cpp
                DEPS vel_framework_ui)
