# Arbitrary bitmap resources loaded by LoadBitmapW and drawn through a mask.
vel_fuzz_target(fuzz_bitmap_resource SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_bitmap_resource.cpp
                DEPS vel_platform_gdi)
