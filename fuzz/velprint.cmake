# velprint's job-file reader (parse only; named files are not opened).
vel_fuzz_target(fuzz_job_file SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_job_file.cpp
                DEPS vel_velprint)
# velprint's PBM/PGM/PPM reader.
vel_fuzz_target(fuzz_pnm_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pnm_reader.cpp
                DEPS vel_velprint)
