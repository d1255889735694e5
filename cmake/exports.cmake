# The module's export list is plugin/exports.txt, one name a line. From it
# the configure step writes the files the linkers take: a .def file for the
# DLL and a version script for the shared object. It must name the calls of
# plugin/host_calls.h, from which the code makes its own (entry points,
# exports, the stand-in's); a test holds the built module's export table to
# it.
set(CABLOG_EXPORTS_FILE ${CMAKE_CURRENT_SOURCE_DIR}/plugin/exports.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CABLOG_EXPORTS_FILE})
file(STRINGS ${CABLOG_EXPORTS_FILE} CABLOG_EXPORTS REGEX "^[A-Za-z][A-Za-z0-9]*$")

# The list of host calls (plugin/host_calls.h) names the same sixteen.
set(calls_header ${CMAKE_CURRENT_SOURCE_DIR}/plugin/host_calls.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${calls_header})
file(READ ${calls_header} calls_text)
string(REGEX MATCHALL "\n  X\\([A-Za-z]+" calls "${calls_text}")
list(TRANSFORM calls REPLACE "^\n  X\\(" "")
list(SORT calls)
set(listed ${CABLOG_EXPORTS})
list(SORT listed)
list(LENGTH calls call_count)
if(NOT calls STREQUAL listed OR NOT call_count EQUAL 16)
  message(FATAL_ERROR "plugin/exports.txt lists ${listed}, plugin/host_calls.h ${calls}")
endif()

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
