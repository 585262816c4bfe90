# velprint's job-file reader (parse only; named files are not opened).
vel_fuzz_target(fuzz_job_file SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_job_file.cpp
                DEPS vel_velprint)
