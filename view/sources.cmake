# Pure files of view/ (no windows.h): built for Windows and for the host.
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/rows.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/treemap_layout.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/filestats.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/filerows.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/changerows.cpp)
