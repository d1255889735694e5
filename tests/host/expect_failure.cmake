# Runs a command that must fail: exit status STATUS (any non-zero if not
# given) and a message matching EXPECT. COMMAND is the command line with its
# words separated by "|".
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(result EQUAL 0)
  message(FATAL_ERROR "expected a failure, but it succeeded:\n${out}${err}")
endif()
if(DEFINED STATUS AND NOT result EQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}, got ${result}:\n${out}${err}")
endif()
if(NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR "exit ${result}, but the message does not match '${EXPECT}':\n${out}${err}")
endif()
message(STATUS "refused as expected (exit ${result}):\n${out}${err}")
