# Project helpers: every target of the tree is made by one of these calls, so compile options,
# flavours, test labels and sanitizers are decided in one place.
#
#   vel_library(NAME SOURCES ... [DEPS ...])              static library, one build
#   vel_shared_library(NAME SOURCES ... [DEPS ...])       shared library, one build: a stand-in that
#                                                         keeps process-wide state, so that a host and
#                                                         the modules it loads share one copy
#   vel_flavoured_library(NAME SOURCES ... [DEPS ...])    NAME_ui and NAME_render from one source list;
#                                                         DEPS naming flavoured libraries (by their
#                                                         base name) link the same flavour
#   vel_module(NAME SOURCES ... [DEPS ...])               shared module (a loadable DLL stand-in)
#   vel_executable(NAME SOURCES ... [DEPS ...])           program for people (tools/)
#   vel_test(LIBRARY SOURCES ... [FLAVOURED] [DEPS ...])  GoogleTest binary for one library, one ctest
#                                                         label per library; FLAVOURED makes one binary
#                                                         and one label per flavour
#   vel_fuzz_target(NAME SOURCES ... [DEPS ...])          libFuzzer target (VEL_FUZZ)
#   vel_benchmark(NAME SOURCES ... [DEPS ...])            Google Benchmark program (VEL_BENCH)
#
# A flavoured dependency is named by its base name with the suffix _@FLAVOUR@, e.g. vel_rw_@FLAVOUR@;
# the helper substitutes ui or render.

set(VEL_FLAVOURS ui render)
set_property(GLOBAL PROPERTY VEL_FLAVOURED_TARGETS "")

function(vel_apply_options target)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
  if(VEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 at -O3 takes some std::string concatenations for overlapping copies in its inlined
    # char_traits (-Wrestrict, a false positive), which would fail the optimised builds.
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(VEL_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${VEL_SANITIZE} -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all)
    target_link_options(${target} PUBLIC -fsanitize=${VEL_SANITIZE})
  endif()
  if(VEL_FUZZ)
    # Coverage for libFuzzer in every library a fuzz target links.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  find_package(Threads REQUIRED)
  target_link_libraries(${target} PUBLIC Threads::Threads)
endfunction()

# Replaces the @FLAVOUR@ marker in a dependency list.
function(vel_flavour_deps out flavour)
  set(result "")
  foreach(dep IN LISTS ARGN)
    string(REPLACE "@FLAVOUR@" "${flavour}" dep "${dep}")
    list(APPEND result ${dep})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(vel_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  vel_apply_options(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

function(vel_shared_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  vel_apply_options(${name})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

function(vel_flavoured_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  foreach(flavour IN LISTS VEL_FLAVOURS)
    vel_flavour_deps(deps ${flavour} ${ARG_DEPS})
    add_library(${name}_${flavour} STATIC ${ARG_SOURCES})
    vel_apply_options(${name}_${flavour})
    # The flavour's configuration header and its platform seams come with vel_flavour_<flavour>.
    target_link_libraries(${name}_${flavour} PUBLIC vel_flavour_${flavour} ${deps})
  endforeach()
endfunction()

function(vel_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  vel_apply_options(${name})
  set_target_properties(${name} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden
                                           VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

function(vel_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  vel_apply_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

function(vel_add_gtest name label)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS ${label})
endfunction()

function(vel_test library)
  cmake_parse_arguments(ARG "FLAVOURED" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_FLAVOURED)
    foreach(flavour IN LISTS VEL_FLAVOURS)
      vel_flavour_deps(deps ${flavour} ${ARG_DEPS})
      set(target ${library}_${flavour}_tests)
      add_executable(${target} ${ARG_SOURCES})
      vel_apply_options(${target})
      target_link_libraries(${target} PRIVATE ${library}_${flavour} ${deps} GTest::gmock
                                              GTest::gtest_main)
      if(TARGET vel_test_flavour_${flavour})
        target_link_libraries(${target} PRIVATE vel_test_flavour_${flavour})
      endif()
      vel_add_gtest(${target} ${library}_${flavour})
    endforeach()
  else()
    set(target ${library}_tests)
    add_executable(${target} ${ARG_SOURCES})
    vel_apply_options(${target})
    target_link_libraries(${target} PRIVATE ${library} ${ARG_DEPS} GTest::gmock GTest::gtest_main)
    vel_add_gtest(${target} ${library})
  endif()
endfunction()

function(vel_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT VEL_FUZZ)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  vel_apply_options(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY VEL_FUZZ_TARGETS ${name})
endfunction()

function(vel_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT VEL_BENCH)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  vel_apply_options(${name})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
