# Host build of the pure logic (no windows.h), included by the top-level CMakeLists.txt when
# VARDUNE_HOST_LOGIC is on. With g++ it builds the windowless tests of tests/core with the
# address and undefined-behaviour sanitizers (scripts/test-host); with clang it also builds the
# libFuzzer targets of fuzz/ (bench/fuzz).

option(VARDUNE_SANITIZE "Address and undefined-behaviour sanitizers in the host build" ON)
set(VARDUNE_FUZZ_DEFAULT OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(VARDUNE_FUZZ_DEFAULT ON)
endif()
option(VARDUNE_FUZZ "libFuzzer targets of fuzz/ (needs clang)" ${VARDUNE_FUZZ_DEFAULT})

add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)
# Bounds checks of the standard containers: an index past the end of a vector is reported
# even when it stays inside the vector's capacity, where the address sanitizer cannot see it.
add_compile_definitions(_GLIBCXX_ASSERTIONS)

set(VARDUNE_SANITIZER_FLAGS)
if(VARDUNE_SANITIZE)
  set(VARDUNE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  add_compile_options(${VARDUNE_SANITIZER_FLAGS})
  add_link_options(${VARDUNE_SANITIZER_FLAGS})
endif()

# The pure logic, with the C library's letter-case tables. In a fuzzing build its code carries
# the coverage instrumentation that guides libFuzzer.
include(${CMAKE_SOURCE_DIR}/cmake/Json.cmake)
add_library(vardune_core STATIC ${VARDUNE_PURE_SOURCES} ${CMAKE_SOURCE_DIR}/os/text_host.cpp)
target_include_directories(vardune_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vardune_core PRIVATE vardune_json)
if(VARDUNE_FUZZ)
  target_compile_options(vardune_core PRIVATE -fsanitize=fuzzer-no-link)
endif()

# ---- tests of the pure logic ---------------------------------------------------------------
include(CTest)
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(BUILD_TESTING AND EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  # Test files of tests/core that need Windows and therefore run only in test_core.exe.
  set(VARDUNE_HOST_EXCLUDED_TESTS)
  file(GLOB host_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/core/*_test.cpp)
  foreach(excluded ${VARDUNE_HOST_EXCLUDED_TESTS})
    list(REMOVE_ITEM host_test_sources ${CMAKE_SOURCE_DIR}/tests/core/${excluded})
  endforeach()

  add_executable(test_core_host ${host_test_sources})
  target_link_libraries(test_core_host PRIVATE vardune_core gtest_main)
  set_target_properties(test_core_host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME core COMMAND test_core_host WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  set_tests_properties(core PROPERTIES TIMEOUT 600)
endif()

# ---- fuzz targets --------------------------------------------------------------------------
if(VARDUNE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VARDUNE_FUZZ needs clang (libFuzzer): configure with CXX=clang++")
  endif()
  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(src ${fuzz_sources})
    get_filename_component(name ${src} NAME_WE)
    add_executable(fuzz_${name} ${src})
    target_link_libraries(fuzz_${name} PRIVATE vardune_core)
    target_compile_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endforeach()
endif()
