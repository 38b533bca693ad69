# Pure files of sets/ (no windows.h): built for Windows and for the host.
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/store.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/setops.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/reconcile.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/droplist.cpp)
