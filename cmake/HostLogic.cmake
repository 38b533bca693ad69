# Host build of the pure logic (no windows.h): its tests with the address and undefined
# behaviour sanitizers, and the fuzz targets with libFuzzer when the compiler is clang.
add_library(vardune_core STATIC ${VARDUNE_PURE_SOURCES} ${CMAKE_SOURCE_DIR}/os/text_host.cpp)
target_include_directories(vardune_core PUBLIC ${CMAKE_SOURCE_DIR})
