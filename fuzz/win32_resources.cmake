# Arbitrary version blocks walked by VerQueryValueW, and arbitrary string blocks read by LoadStringW.
vel_fuzz_target(fuzz_version_block SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_version_block.cpp
                DEPS vel_platform_win32)
vel_fuzz_target(fuzz_string_block SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_string_block.cpp
                DEPS vel_platform_win32)
