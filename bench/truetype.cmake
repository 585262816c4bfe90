# The TrueType reader beside FreeType. The memory font reader comes from the test helpers.
find_package(Freetype REQUIRED)
vel_benchmark(bench_truetype
              SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_truetype.cpp
                      ${PROJECT_SOURCE_DIR}/tests/support/FwMemoryFontReader.cpp
              DEPS vel_framework_ui Freetype::Freetype)
