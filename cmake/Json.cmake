# nlohmann/json (header-only; Debian's nlohmann-json3-dev) for the import of ncdu's JSON export,
# as the target vardune_json. The cross build must not search the host's /usr/include as a
# whole (the C library's headers there would shadow mingw's), so the library's own folder is
# copied into the build tree and only that copy is searched.
add_library(vardune_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
  find_path(VARDUNE_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VARDUNE_JSON_INCLUDE)
    message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/setup)")
  endif()
  file(COPY ${VARDUNE_JSON_INCLUDE}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/json-include)
  target_include_directories(vardune_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/json-include)
else()
  find_package(nlohmann_json 3.2 REQUIRED)
  target_link_libraries(vardune_json INTERFACE nlohmann_json::nlohmann_json)
endif()
