# Font-list files from arbitrary bytes.
vel_fuzz_target(fuzz_font_list
                SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font_list.cpp
                DEPS vel_framework_ui)
