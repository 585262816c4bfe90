# Readers of the windowing stand-in: dialog templates, cursor and icon groups, scripts.
foreach(target dialog_template cursor_group user_script)
  vel_fuzz_target(fuzz_${target} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_${target}.cpp
                  DEPS vel_platform_user)
endforeach()
