# The layers, as cmake/include_layers.txt allows them, made into what the
# compiler and the linker see. Each layer's library compiles against an
# include folder of its own that holds its own folder and what it may
# include, nothing else (links into the source tree), and links only the
# layers' libraries the table names; the project root is on no layer's
# include path. So an include that crosses the layers the wrong way finds
# no file, and a call that does finds no symbol. Only a relative "../"
# path escapes that; tests/layers/check_include_layers.sh reads those.
set(CABLOG_LAYER_TABLE ${CMAKE_CURRENT_LIST_DIR}/include_layers.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CABLOG_LAYER_TABLE})
file(STRINGS ${CABLOG_LAYER_TABLE} cablog_layer_lines REGEX "^[a-z][^:]*:")
foreach(line IN LISTS cablog_layer_lines)
  string(REGEX MATCH "^([^:]+):(.*)$" matched "${line}")
  string(STRIP "${CMAKE_MATCH_1}" layer)
  separate_arguments(uses UNIX_COMMAND "${CMAKE_MATCH_2}")
  string(MAKE_C_IDENTIFIER "${layer}" id)
  set(CABLOG_LAYER_USES_${id} ${uses})
  list(APPEND CABLOG_LAYERS ${layer})
endforeach()

# The library that holds each folder the table names, where there is one.
set(CABLOG_LAYER_LIBRARY_platform cablog_platform)
set(CABLOG_LAYER_LIBRARY_logging cablog_logging)
set(CABLOG_LAYER_LIBRARY_settings cablog_settings)
set(CABLOG_LAYER_LIBRARY_plugin cablog_plugin)
set(CABLOG_LAYER_LIBRARY_tools_host cablog_host_common)

# cablog_layer(target layer): `target` is (part of) the layer named
# `layer` in the table. It compiles against the layer's include folder and
# links the library of each folder the layer may include; a single header
# it may include brings no library.
function(cablog_layer target layer)
  string(MAKE_C_IDENTIFIER "${layer}" id)
  if(NOT layer IN_LIST CABLOG_LAYERS)
    message(FATAL_ERROR "${CABLOG_LAYER_TABLE} names no layer ${layer}")
  endif()
  set(root ${CMAKE_BINARY_DIR}/layers/${id})
  foreach(entry IN ITEMS ${layer} ${CABLOG_LAYER_USES_${id}})
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${entry})
      message(FATAL_ERROR "${CABLOG_LAYER_TABLE}: ${layer} may include ${entry}, which is not there")
    endif()
    get_filename_component(parent ${root}/${entry} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${entry} ${root}/${entry} SYMBOLIC)
    string(MAKE_C_IDENTIFIER "${entry}" used)
    if(NOT entry STREQUAL layer AND DEFINED CABLOG_LAYER_LIBRARY_${used})
      target_link_libraries(${target} PUBLIC ${CABLOG_LAYER_LIBRARY_${used}})
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
