# The PCL XL job checker on arbitrary bytes. The fuzz build has no test helpers library, so the
# checker's sources are compiled in; they use GoogleTest's assertion type.
find_package(GTest REQUIRED)
set(pclxl_checker_sources
    ${PROJECT_SOURCE_DIR}/tests/support/ByteMatch.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PackBits.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PclXlCheckParts.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PclXlCheckRules.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PclXlChecker.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PclXlDecoder.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/PclXlDump.cpp)
vel_fuzz_target(fuzz_pclxl_checker
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pclxl_checker.cpp ${pclxl_checker_sources}
                DEPS GTest::gtest)
