# Pure files of ui/ (no windows.h): built for Windows and for the host.
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/anchor.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/placement.cpp)
