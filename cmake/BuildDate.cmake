# Writes the build date ("%y%m%d") into a header, touching it only when the date changed, so
# that the program's GBuild is the date of the build that made it.
string(TIMESTAMP day "%y%m%d")
file(WRITE "${OUT}.tmp" "// Generated at build time.\n#define VARDUNE_BUILD_DATE L\"${day}\"\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.tmp" "${OUT}")
file(REMOVE "${OUT}.tmp")
