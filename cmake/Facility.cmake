# Build helpers shared by every folder.

set(FACILITY_WARNINGS -Wall -Wextra)
if(FACILITY_WERROR)
  list(APPEND FACILITY_WARNINGS -Werror)
endif()

# lld links the test binaries several times faster than the default linker;
# linking was most of a rebuild after a small change.
find_program(FACILITY_LLD ld.lld)
if(FACILITY_LLD)
  add_link_options(-fuse-ld=lld)
endif()

if(FACILITY_SANITIZE OR FACILITY_FUZZ)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(FACILITY_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
# Sanitizer reports need file and line, not variables: line tables build much
# faster than full debug information.
if((FACILITY_SANITIZE OR FACILITY_TSAN OR FACILITY_FUZZ) AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options(-gline-tables-only)
endif()
# The fuzz targets share the sanitizer build (scripts/test builds both in
# build-asan): every object carries the fuzzer's coverage hooks, which the
# sanitizer runtime answers when no fuzzer is linked.
if(FACILITY_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Every C++ file of the tree includes a few of the same standard headers, and
# every test file includes GoogleTest: parsing them again for each file was
# most of a cold build. Each target precompiles them once. GCC's optimised
# builds precompile only for the test binaries, which build unoptimised: GCC
# 12's false overflow reports inside std::string move with the headers' order.
option(FACILITY_PCH "Precompile the common standard headers per target" ON)
set(FACILITY_PCH_HEADERS
  <algorithm> <atomic> <chrono> <cmath> <cstdint> <cstdlib> <cstring> <functional> <limits> <map>
  <memory> <mutex> <optional> <set> <string> <string_view> <utility> <vector>)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(FACILITY_PCH_EXTENSION .pch)
  # A time stamp in the header would make every build's header new to ccache.
  add_compile_options("SHELL:-Xclang -fno-pch-timestamp")
  # The driver finds the compiled header beside the named one, as GCC does;
  # CMake's own -Xclang form carries an absolute path ccache cannot rebase.
  set(CMAKE_CXX_COMPILE_OPTIONS_USE_PCH -include <PCH_HEADER>)
else()
  set(FACILITY_PCH_EXTENSION .gch)
endif()
# facility_precompile(<target> [TEST] [<extra headers>...])
function(facility_precompile target)
  cmake_parse_arguments(ARG "TEST" "" "" ${ARGN})
  if(NOT FACILITY_PCH OR (NOT ARG_TEST AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU"
                          AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug"))
    return()
  endif()
  set(_headers ${FACILITY_PCH_HEADERS} ${ARG_UNPARSED_ARGUMENTS})
  # Only for C++: a target's C files (nanopb's) get no precompiled header.
  list(TRANSFORM _headers REPLACE "^<(.+)>$" "$<$<COMPILE_LANGUAGE:CXX>:<\\1$<ANGLE-R>>" OUTPUT_VARIABLE _guarded)
  target_precompile_headers(${target} PRIVATE ${_guarded})
  # ccache hashes this file instead of the compiled header (CCACHE_PCH_EXTSUM):
  # it names everything the header's bytes depend on but the build path.
  string(TOUPPER "${CMAKE_BUILD_TYPE}" _config)
  get_directory_property(_options COMPILE_OPTIONS)
  string(SHA256 _sum "${CMAKE_CXX_COMPILER} ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION} \
${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${_config}} ${_options} ${FACILITY_WARNINGS} test=${ARG_TEST} \
${CMAKE_CXX_STANDARD} gtest=${GTest_VERSION} ${_headers}")
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}.dir/cmake_pch.hxx${FACILITY_PCH_EXTENSION}.sum" "${_sum}\n")
endfunction()

# Whole-tree builds (CI, benchmarks) compile each library in batches of 16
# files: an optimised build then parses and optimises the shared inline code
# once per batch instead of once per file, well over twice as fast. Names in a
# file's anonymous namespace must therefore be unique within its library. Test
# binaries build in batches of 8: their files are most of a cold build's
# compile time, mostly spent on the same headers, and smaller batches keep two
# cores busy on the few large binaries. Names in a test file's anonymous
# namespace are unique within its binary for the same reason. Developer builds
# leave this off so a small change recompiles one file.
option(FACILITY_UNITY "Compile libraries and test binaries in batches of files" OFF)
set(FACILITY_TEST_UNITY_BATCH 8 CACHE STRING "Files per batch of a test binary under FACILITY_UNITY")

# facility_library(<name> [SOURCES <files...>] [LIBS <libs...>] [PRIVATE_LIBS <libs...>])
# A static library of the .cpp/.c files of the calling folder (or SOURCES).
# Includes are written from the project root: #include "Platform/Foundation/RunLoop.h".
function(facility_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_compile_options(${name} PRIVATE ${FACILITY_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  facility_precompile(${name})
  if(FACILITY_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 16)
  endif()
endfunction()

# facility_test(<name> [SOURCES <files...>] LIBS <libs...>)
# One GoogleTest binary per area, registered with CTest.
function(facility_test name)
  if(NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  target_compile_options(${name} PRIVATE ${FACILITY_WARNINGS})
  # In an optimised build the code under test is optimised; the tests' own
  # code gains nothing from it and compiles a third faster without.
  if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
    target_compile_options(${name} PRIVATE -O0)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest GTest::gtest_main)
  if(FACILITY_UNITY)
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${FACILITY_TEST_UNITY_BATCH})
    list(LENGTH ARG_SOURCES _count)
  endif()
  # A binary built as one batch would read its precompiled header once: making
  # it costs more than the batch parsing the headers itself.
  if(NOT FACILITY_UNITY OR _count GREATER FACILITY_TEST_UNITY_BATCH)
    facility_precompile(${name} TEST <gtest/gtest.h>)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1 WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "FACILITY_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# facility_tool(<name> SOURCES <files...> LIBS <libs...>): a command-line tool.
function(facility_tool name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${FACILITY_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
endfunction()

# facility_bench(<name> SOURCES <files...> LIBS <libs...>): a Google Benchmark binary.
function(facility_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${FACILITY_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
  set_property(GLOBAL APPEND PROPERTY FACILITY_BENCHMARKS ${name})
endfunction()

# facility_fuzz(<name> SOURCES <files...> LIBS <libs...>): a libFuzzer target,
# built only in the clang fuzzing configuration.
function(facility_fuzz name)
  if(NOT FACILITY_FUZZ OR NOT BUILD_TESTING)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY FACILITY_FUZZERS ${name})
endfunction()
