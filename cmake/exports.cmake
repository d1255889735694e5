# The module's export list is plugin/exports.txt, one name a line. From it
# the configure step writes the files the linkers take: a .def file for the
# DLL and a version script for the shared object. Tests hold the code's own
# copies (plugin/entry_points.h, the host stand-in) and the built module's
# export table to the same list.
set(CABLOG_EXPORTS_FILE ${CMAKE_CURRENT_SOURCE_DIR}/plugin/exports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CABLOG_EXPORTS_FILE})
file(STRINGS ${CABLOG_EXPORTS_FILE} CABLOG_EXPORTS REGEX "^[A-Za-z][A-Za-z0-9]*$")

set(def "LIBRARY cablog.dll\nEXPORTS\n")
set(map "{\n  global:\n")
foreach(name IN LISTS CABLOG_EXPORTS)
  string(APPEND def "    ${name}\n")
  string(APPEND map "    ${name};\n")
endforeach()
string(APPEND map "  local: *;\n};\n")
set(CABLOG_DEF_FILE ${CMAKE_CURRENT_BINARY_DIR}/generated/cablog.def)
set(CABLOG_MAP_FILE ${CMAKE_CURRENT_BINARY_DIR}/generated/cablog.map)
file(CONFIGURE OUTPUT ${CABLOG_DEF_FILE} CONTENT "${def}")
file(CONFIGURE OUTPUT ${CABLOG_MAP_FILE} CONTENT "${map}")
