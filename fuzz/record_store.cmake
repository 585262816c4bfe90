# Arbitrary bytes opened as the record file of a disk-backed composite.
vel_fuzz_target(fuzz_record_store SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_record_store.cpp
                DEPS vel_framework_ui)
