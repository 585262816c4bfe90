# Arbitrary bytes opened as a space-managed file and as an on-disk B-tree file.
vel_fuzz_target(fuzz_filespace SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_filespace.cpp DEPS vel_rw_ui)
# The same over the render flavour's kernel-mode file layer.
vel_fuzz_target(fuzz_filespace_render SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_filespace_render.cpp
                DEPS vel_rw_render)
