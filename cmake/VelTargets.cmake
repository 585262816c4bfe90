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
#                                                         and one label per flavour (see "Test
#                                                         binaries" below)
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

# Test binaries. Each vel_test call makes one executable per library (and flavour), named
# LIBRARY_tests or LIBRARY_FLAVOUR_tests, which a folder's CMakeLists.txt may extend afterwards
# (dependencies, compile definitions). Three things keep the test run short on a small machine:
#
# - The binary is registered as several ctest tests, each running one GoogleTest shard of it
#   (one shard per VEL_TEST_SOURCES_PER_SHARD test sources, at most VEL_TEST_MAX_SHARDS), so
#   ctest -j runs the parts of a large suite side by side without linking more executables.
# - The test sources compile against one precompiled header of GoogleTest and the common standard
#   headers, made once per configuration (VEL_TEST_PCH).
# - With VEL_CONCURRENCY_ONLY (the tsan preset), a binary holds only the test files that define
#   concurrency suites (a test or suite name containing "Threads") or set up the global test
#   environment, with the helper sources beside them; its ctest tests get the label
#   "concurrency", and the target vel_concurrency_tests builds exactly those binaries and what they
#   link. A library without concurrency suites keeps its target, empty and out of the build.
# libFuzzer targets likewise gather under vel_fuzz_targets.
set(VEL_TEST_SOURCES_PER_SHARD 4 CACHE STRING "Test sources per ctest shard of a test binary")
set(VEL_TEST_MAX_SHARDS 8 CACHE STRING "Most ctest shards of one test binary")
option(VEL_TEST_PCH "Precompile GoogleTest and standard headers for test binaries" ON)
option(VEL_CONCURRENCY_ONLY "Build and register only the concurrency test suites" OFF)

# The sources among ARGN that a concurrency binary needs: the test files (named *Test.cpp) that
# define a concurrency suite or set up the binary's global test environment
# (AddGlobalTestEnvironment), and every source that is not a test file (a helper of the tests).
function(vel_concurrency_sources out)
  set(helpers "")
  set(tests "")
  foreach(source IN LISTS ARGN)
    if(NOT source MATCHES "Tests?\\.cpp$")
      list(APPEND helpers ${source})
      continue()
    endif()
    file(READ ${source} text)
    if(text MATCHES "TEST(_F|_P)?\\([^)]*Threads" OR
       text MATCHES "INSTANTIATE_TEST_SUITE_P\\([^,]*Threads")
      list(APPEND tests ${source})
    elseif(text MATCHES "AddGlobalTestEnvironment")
      list(APPEND helpers ${source})
    endif()
    # A suite added to an existing file must reach the next configure.
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  endforeach()
  if(tests)
    set(${out} ${tests} ${helpers} PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

# Registers the binary `target` as its ctest shards, labelled `label`.
function(vel_add_gtest target label source_count)
  math(EXPR shards "(${source_count} + ${VEL_TEST_SOURCES_PER_SHARD} - 1) / ${VEL_TEST_SOURCES_PER_SHARD}")
  if(shards GREATER VEL_TEST_MAX_SHARDS)
    set(shards ${VEL_TEST_MAX_SHARDS})
  endif()
  set(labels ${label})
  if(VEL_CONCURRENCY_ONLY)
    list(APPEND labels concurrency)
  endif()
  if(shards LESS_EQUAL 1)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS "${labels}")
    return()
  endif()
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    set(name ${target}.${index})
    add_test(NAME ${name} COMMAND ${target})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" ENVIRONMENT
                         "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()

# ccache caches a compile that uses a precompiled header only when told to accept one.
function(vel_test_pch_launcher target)
  if(VEL_CCACHE)
    set_target_properties(${target} PROPERTIES CXX_COMPILER_LAUNCHER
      "${CMAKE_COMMAND};-E;env;CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime;${VEL_CCACHE}")
  endif()
endfunction()

# The one precompiled header that every test binary of the configuration reuses: a program of no
# tests compiled with the test binaries' options, so that the header is made once, not once per
# binary (on a small machine a header per binary would cost what it saves).
function(vel_test_pch_host)
  if(TARGET vel_test_pch)
    return()
  endif()
  set(source ${CMAKE_BINARY_DIR}/vel_test_pch.cpp)
  if(NOT EXISTS ${source})
    file(WRITE ${source} "// Carries the precompiled header of the test binaries.\n")
  endif()
  add_executable(vel_test_pch ${source})
  vel_apply_options(vel_test_pch)
  target_link_libraries(vel_test_pch PRIVATE GTest::gmock GTest::gtest_main)
  target_precompile_headers(vel_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h> <cstdint>
                            <functional> <map> <memory> <sstream> <string> <vector>)
  vel_test_pch_launcher(vel_test_pch)
endfunction()

# One test binary of `library`, linking `deps`.
function(vel_add_test_binary target library label sources deps)
  if(VEL_CONCURRENCY_ONLY)
    vel_concurrency_sources(sources ${sources})
  endif()
  list(LENGTH sources source_count)
  if(source_count EQUAL 0)
    set(empty ${CMAKE_BINARY_DIR}/vel_no_tests.cpp)
    if(NOT EXISTS ${empty})
      file(WRITE ${empty} "// A test binary without tests in this configuration.\n")
    endif()
    add_executable(${target} EXCLUDE_FROM_ALL ${empty})
  else()
    add_executable(${target} ${sources})
  endif()
  vel_apply_options(${target})
  target_link_libraries(${target} PRIVATE ${library} ${deps} GTest::gmock GTest::gtest_main)
  if(source_count EQUAL 0)
    return()
  endif()
  if(VEL_TEST_PCH)
    vel_test_pch_host()
    target_precompile_headers(${target} REUSE_FROM vel_test_pch)
    vel_test_pch_launcher(${target})
  endif()
  if(VEL_CONCURRENCY_ONLY)
    set_property(GLOBAL APPEND PROPERTY VEL_CONCURRENCY_TARGETS ${target})
  endif()
  vel_add_gtest(${target} ${label} ${source_count})
endfunction()

function(vel_test library)
  cmake_parse_arguments(ARG "FLAVOURED" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_FLAVOURED)
    foreach(flavour IN LISTS VEL_FLAVOURS)
      vel_flavour_deps(deps ${flavour} ${ARG_DEPS})
      if(TARGET vel_test_flavour_${flavour})
        list(APPEND deps vel_test_flavour_${flavour})
      endif()
      vel_add_test_binary(${library}_${flavour}_tests ${library}_${flavour} ${library}_${flavour}
                          "${ARG_SOURCES}" "${deps}")
    endforeach()
  else()
    vel_add_test_binary(${library}_tests ${library} ${library} "${ARG_SOURCES}" "${ARG_DEPS}")
  endif()
endfunction()

# Made once the whole tree is configured: the targets that build every concurrency test binary
# and every fuzz target.
function(vel_make_aggregate_targets)
  get_property(concurrency GLOBAL PROPERTY VEL_CONCURRENCY_TARGETS)
  add_custom_target(vel_concurrency_tests)
  if(concurrency)
    add_dependencies(vel_concurrency_tests ${concurrency})
  endif()
  get_property(fuzz GLOBAL PROPERTY VEL_FUZZ_TARGETS)
  add_custom_target(vel_fuzz_targets)
  if(fuzz)
    add_dependencies(vel_fuzz_targets ${fuzz})
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL vel_make_aggregate_targets)

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
