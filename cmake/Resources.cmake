# The program's resources: the manifest (Common Controls 6, display scaling), the pictures
# (each for 96, 120, 144 and 192 dpi) and the icon. The pictures are drawn at build time by the host tool mkimages (tools/), which the cross build
# makes with the machine's own compiler. The resources are compiled once, into an object
# library, so that the program, the tests and the benchmarks all link the same pictures.
set(VARDUNE_IMAGES_DIR ${CMAKE_BINARY_DIR}/generated/images)
set(VARDUNE_IMAGE_FILES ${VARDUNE_IMAGES_DIR}/vardune.ico)
foreach(suffix "" _120 _144 _192)
  foreach(n 1 2 3)
    list(APPEND VARDUNE_IMAGE_FILES ${VARDUNE_IMAGES_DIR}/image${n}${suffix}.bmp)
  endforeach()
endforeach()
add_custom_command(OUTPUT ${VARDUNE_IMAGE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VARDUNE_IMAGES_DIR}
  COMMAND ${VARDUNE_TOOL_mkimages} ${VARDUNE_IMAGES_DIR}
  DEPENDS vardune_host_tools ${CMAKE_SOURCE_DIR}/tools/mkimages.cpp
  COMMENT "Drawing the pictures"
  VERBATIM)
add_custom_target(vardune_images DEPENDS ${VARDUNE_IMAGE_FILES})

# The .rc names the pictures as images/..., found through the include directory generated/.
add_library(vardune_resources OBJECT ${CMAKE_SOURCE_DIR}/ui/vardune.rc)
add_dependencies(vardune_resources vardune_images)
set_source_files_properties(${CMAKE_SOURCE_DIR}/ui/vardune.rc PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/ui/vardune.manifest;${VARDUNE_IMAGE_FILES}")
set(VARDUNE_RESOURCES $<TARGET_OBJECTS:vardune_resources>)
