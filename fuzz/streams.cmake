# Fuzz targets of the virtual stream readers, one per format.
foreach(format binary_stream portable_stream byte_order_stream)
  vel_fuzz_target(fuzz_${format} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_${format}.cpp
                  DEPS vel_rw_ui)
endforeach()
