# The stand-in engine's readers of foreign data: run-length source bitmaps and font files.
vel_fuzz_target(fuzz_engine_rle SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_engine_rle.cpp
                DEPS vel_platform_engine)
vel_fuzz_target(fuzz_engine_font SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_engine_font.cpp
                DEPS vel_platform_engine)
