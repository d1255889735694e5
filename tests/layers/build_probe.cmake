# Builds one probe (tests/layers/CMakeLists.txt) and holds its outcome to
# EXPECT: "fails" for want of the header it includes, or "builds".
#
#   cmake -DBUILD=dir -DTARGET=probe -DHEADER=path -DEXPECT=fails|builds -P build_probe.cmake
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${TARGET}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REGEX MATCH "${HEADER}[^\n]*(No such file|not found)" missing "${output}")
if(EXPECT STREQUAL "fails" AND (status EQUAL 0 OR NOT missing))
  message(FATAL_ERROR "${TARGET} should not find ${HEADER}, but:\n${output}")
elseif(EXPECT STREQUAL "builds" AND NOT status EQUAL 0)
  message(FATAL_ERROR "${TARGET} should build with ${HEADER}, but:\n${output}")
endif()
message(STATUS "${TARGET}: ${EXPECT}, as it must")
