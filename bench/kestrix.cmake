# The PCL XL back end's drawing and raster output through its handlers into a memory channel,
# beside the writer's functions (vector page) and memcpy of the same rows (raster page).
vel_benchmark(bench_kestrix_drawing SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_kestrix_drawing.cpp
              DEPS vel_veldata_ui)
vel_benchmark(bench_kestrix_raster SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_kestrix_raster.cpp
              DEPS vel_veldata_ui)
