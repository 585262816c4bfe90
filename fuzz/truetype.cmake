# The TrueType reader: font bytes, and stored readers and pools. The memory font reader and the
# sfnt builder come from the test helpers.
set(truetype_fuzz_sources ${PROJECT_SOURCE_DIR}/tests/support/FwMemoryFontReader.cpp
                          ${PROJECT_SOURCE_DIR}/tests/support/SfntBuilder.cpp)
vel_fuzz_target(fuzz_truetype_font
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_truetype_font.cpp ${truetype_fuzz_sources}
                DEPS vel_framework_ui)
vel_fuzz_target(fuzz_truetype_restore
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_truetype_restore.cpp
                        ${truetype_fuzz_sources}
                DEPS vel_framework_ui)
