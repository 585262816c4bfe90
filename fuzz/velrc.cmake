# Resource scripts read and compiled by velrc, beside the real script's header and texts.
vel_fuzz_target(fuzz_velrc_script SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_velrc_script.cpp
                DEPS vel_velrc vel_velart)
if(TARGET fuzz_velrc_script)
  target_compile_definitions(fuzz_velrc_script PRIVATE
                             VELRES_SOURCE_DIR="${PROJECT_SOURCE_DIR}/resources")
endif()
