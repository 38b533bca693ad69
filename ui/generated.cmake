# The help text of the info window: tools/mkinfo packs ui/help/info.txt at build time into a
# source that defines InfoText, which goes into the program's library.
set(VARDUNE_INFO_TXT ${CMAKE_SOURCE_DIR}/ui/help/info.txt)
set(VARDUNE_INFO_CPP ${CMAKE_BINARY_DIR}/generated/info_text.cpp)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${VARDUNE_INFO_CPP}
  COMMAND ${VARDUNE_TOOL_mkinfo} ${VARDUNE_INFO_TXT} ${VARDUNE_INFO_CPP}
  # The tool itself is built by vardune_host_tools; its source stands for it, so that a
  # changed tool packs the text again.
  DEPENDS vardune_host_tools ${VARDUNE_INFO_TXT} ${CMAKE_SOURCE_DIR}/tools/mkinfo.cpp
  COMMENT "Packing the help text"
  VERBATIM)
target_sources(vardune_lib PRIVATE ${VARDUNE_INFO_CPP})
