# Font bytes printed as text through the PCL XL back end, the job checked by the PCL XL checker.
# The fuzz build has no test helpers library: the job harness, the test fonts, the memory font
# reader and the checker are compiled in.
find_package(Freetype REQUIRED)
find_package(GTest REQUIRED)
vel_fuzz_target(fuzz_kestrix_text
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_kestrix_text.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwJobHarness.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwOutputSinks.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestProviders.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestFonts.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwMemoryFontReader.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestTrueTypeFont.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/ByteMatch.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/PackBits.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/PclXlCheckParts.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/PclXlCheckRules.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/PclXlChecker.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/PclXlDecoder.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/PclXlDump.cpp
                DEPS vel_framework_ui vel_veldata_ui Freetype::Freetype GTest::gtest)
