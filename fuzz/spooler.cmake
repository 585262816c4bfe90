# The printer store's state files from arbitrary text.
vel_fuzz_target(fuzz_printer_store SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_printer_store.cpp
                DEPS vel_platform_spooler)
