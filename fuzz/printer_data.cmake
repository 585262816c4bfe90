# Named objects loaded from arbitrary printer data. The fuzz build has no test helpers library, so
# the test services' sources are compiled in.
vel_fuzz_target(fuzz_printer_data_object
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_printer_data_object.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestOSServices.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestEngineCalls.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwCharTranslator.cpp
                DEPS vel_framework_ui vel_common_ui vel_platform_engine)
