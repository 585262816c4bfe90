# The PCL XL back end's text: a text and graphics page beside the writer's functions, and whole
# TrueType fonts downloaded cold and warm beside FreeType loading their glyphs. The test fonts and
# the memory font reader come from the test helpers' sources.
find_package(Freetype REQUIRED)
vel_benchmark(bench_kestrix_text
              SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_kestrix_text.cpp
                      ${PROJECT_SOURCE_DIR}/tests/support/FwTestFonts.cpp
                      ${PROJECT_SOURCE_DIR}/tests/support/FwMemoryFontReader.cpp
                      ${PROJECT_SOURCE_DIR}/tests/support/FwTestTrueTypeFont.cpp
                      ${PROJECT_SOURCE_DIR}/tests/support/FreeTypeFace.cpp
              DEPS vel_veldata_ui Freetype::Freetype)
