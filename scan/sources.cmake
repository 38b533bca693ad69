# Pure files of scan/ (no windows.h): built for Windows and for the host.
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/model.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/shares.cpp)
list(APPEND VARDUNE_PURE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/mft_tree.cpp)
