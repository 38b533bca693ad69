# Makes the host tools of tools/ available as VARDUNE_TOOL_<name> (the path of the program)
# and the target vardune_host_tools to depend on.
if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(_tools_bin ${CMAKE_BINARY_DIR}/host-tools)
  ExternalProject_Add(vardune_host_tools_build
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools
    BINARY_DIR ${_tools_bin}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    CMAKE_CACHE_ARGS -DCMAKE_TOOLCHAIN_FILE:FILEPATH= -DCMAKE_CROSSCOMPILING_EMULATOR:STRING=
    INSTALL_COMMAND ""
    BUILD_ALWAYS TRUE
    USES_TERMINAL_BUILD FALSE)
  add_custom_target(vardune_host_tools DEPENDS vardune_host_tools_build)
  file(GLOB _tool_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
  foreach(src ${_tool_sources})
    get_filename_component(name ${src} NAME_WE)
    set(VARDUNE_TOOL_${name} ${_tools_bin}/${name})
  endforeach()
else()
  add_subdirectory(${CMAKE_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/host-tools)
  add_custom_target(vardune_host_tools)
  file(GLOB _tool_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
  foreach(src ${_tool_sources})
    get_filename_component(name ${src} NAME_WE)
    if(TARGET ${name})
      add_dependencies(vardune_host_tools ${name})
      set(VARDUNE_TOOL_${name} $<TARGET_FILE:${name}>)
    endif()
  endforeach()
endif()
