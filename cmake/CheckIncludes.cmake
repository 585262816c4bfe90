# Checks that includes point only downward through the layers: each folder may include the folders
# listed for it and nothing above. Run as a test: cmake -DROOT=<source dir> -P CheckIncludes.cmake
#
#   platform/                    platform/
#   rw/                          rw/, platform/ (through vel_flavour.h)
#   framework/output/pclxl/      itself only
#   framework/                   framework/, rw/, platform/
#   common/                      common/, framework/, rw/, platform/
#   winnt/ (render module)       winnt/, framework/, rw/, platform/, common/
#   winnt40/, ui/ (UI module)    each other, framework/, rw/, platform/, common/
#   resources/                   resources/, platform/
set(rules
  "platform|platform"
  "rw|rw,platform"
  "framework/output/pclxl|framework/output/pclxl"
  "framework|framework,rw,platform"
  "common|common,framework,rw,platform"
  "winnt|winnt,framework,rw,platform,common"
  "winnt40|winnt40,ui,framework,rw,platform,common"
  "ui|ui,winnt40,framework,rw,platform,common"
  "resources|resources,platform")

set(failures "")
foreach(rule IN LISTS rules)
  string(REPLACE "|" ";" parts "${rule}")
  string(REPLACE "," ";" parts "${parts}")
  list(GET parts 0 folder)
  list(SUBLIST parts 1 -1 allowed)
  string(REPLACE ";" "|" allowed_regex "${allowed}")
  file(GLOB_RECURSE sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(source IN LISTS sources)
    # A more specific rule decides for the pclxl library.
    if(NOT folder STREQUAL "framework/output/pclxl" AND source MATCHES "/framework/output/pclxl/")
      continue()
    endif()
    file(STRINGS ${source} includes REGEX "^#include \"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" path "${line}")
      if(path STREQUAL "vel_flavour.h" OR NOT path MATCHES "/")
        continue()
      endif()
      if(NOT path MATCHES "^(${allowed_regex})/")
        file(RELATIVE_PATH relative ${ROOT} ${source})
        list(APPEND failures "${relative} includes ${path}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "includes against the layer order:\n  ${text}")
endif()
message(STATUS "include directions: all downward")
