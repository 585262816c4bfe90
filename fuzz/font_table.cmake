# Font files selected by a downloaded-font table, and stored fonts. The font test classes and the
# memory font reader come from the test helpers.
find_package(Freetype REQUIRED)
vel_fuzz_target(fuzz_font_table
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font_table.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestFonts.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwMemoryFontReader.cpp
                DEPS vel_framework_ui Freetype::Freetype)
