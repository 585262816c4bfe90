# Driver data files from arbitrary bytes, read by the driver server into a render device that then
# runs a short job. The fuzz build has no test helpers library, so the test services' and the test
# device's sources are compiled in.
vel_fuzz_target(fuzz_driver_server
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_driver_server.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestOSServices.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestEngineCalls.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwCharTranslator.cpp
                        ${PROJECT_SOURCE_DIR}/tests/support/FwTestRenderDevice.cpp
                DEPS vel_framework_ui vel_common_ui vel_platform_engine)
