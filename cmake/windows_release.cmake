# What a Windows user sees of a shipped binary: a version resource that
# Explorer shows under Properties, and no debug information, which goes to a
# file of its own that debuggers find through the debug link.

enable_language(RC)
set(CABLOG_RESOURCE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)
find_program(CABLOG_MINGW_OBJCOPY NAMES x86_64-w64-mingw32-objcopy REQUIRED)

# cablog_version_resource(target original_name description)
function(cablog_version_resource target original_name description)
  set(CABLOG_ORIGINAL_NAME ${original_name})
  set(CABLOG_DESCRIPTION ${description})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(CABLOG_FILE_TYPE VFT_APP)
  else()
    set(CABLOG_FILE_TYPE VFT_DLL)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CABLOG_RESOURCE_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# cablog_strip_with_debug_link(target): after each link, moves the debug
# information to <file>.debug and strips the binary itself, so the tests run
# against exactly the file that ships.
function(cablog_strip_with_debug_link target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CABLOG_MINGW_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
            $<TARGET_FILE:${target}>.debug
    COMMAND ${CABLOG_MINGW_OBJCOPY} --strip-debug --strip-unneeded
            --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
