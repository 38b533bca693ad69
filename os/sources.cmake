# Pure files of os/ (no windows.h): built for Windows and for the host.
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/text.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/ntfs.cpp)
