# The program's resources: the manifest (Common Controls 6) and the pictures. The pictures are
# drawn at build time by a host tool (tools/), which the cross build makes with the machine's
# own compiler.
set(VARDUNE_RESOURCES ${CMAKE_SOURCE_DIR}/ui/vardune.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/ui/vardune.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/ui/vardune.manifest")
