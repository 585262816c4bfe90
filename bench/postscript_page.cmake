# A text and graphics page through the printer head and the PostScript back end, beside the same
# PostScript written with the emitter's functions and the same commands through the PCL XL back
# end.
vel_benchmark(bench_postscript_page SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_postscript_page.cpp
              DEPS vel_veldata_ui)
