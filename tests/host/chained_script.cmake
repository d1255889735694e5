# Drives cablog chained to a train plug-in through a drive script and checks
# the exit status and the output.
#   -DHOST=... (words separated by "|", the emulator first if any)
#   -DMODULE=cablog module  -DPLUGIN=train plug-in to copy beside it
#   -DCHAIN=file name the INI's [Chain] names  -DSCRIPT=drive script
#   -DFOLDER=scratch folder  -DSTATUS=expected exit status  -DEXPECT=regex
string(REPLACE "|" ";" host "${HOST}")
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
get_filename_component(module_name "${MODULE}" NAME)
get_filename_component(stem "${MODULE}" NAME_WE)
file(COPY "${MODULE}" "${PLUGIN}" DESTINATION "${FOLDER}")
file(WRITE "${FOLDER}/${stem}.ini" "[Frame]\nSkip=6\n[Chain]\nModule=${CHAIN}\n")
file(WRITE "${FOLDER}/${stem}.csv"
  "TIME_HHMMSS,Time\nLOCATION,Location\nSPEED,Speed\nBRAKE,Brake\nPLUGIN_BRAKE,Plugin brake\n"
  "POWER,Power\nPLUGIN_POWER,Plugin power\nSIGNAL,Signal\nBEACON_TYPE,Beacon\nPANEL_0,Overspeed\n"
  "PANEL_1,Stop\n")

execute_process(COMMAND ${host} --chained --module "${FOLDER}/${module_name}" "${SCRIPT}"
  WORKING_DIRECTORY "${FOLDER}" RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL STATUS OR NOT "${out}${err}" MATCHES "${EXPECT}")
  message(FATAL_ERROR
    "expected exit ${STATUS} and output matching '${EXPECT}', got exit ${result}:\n${out}${err}")
endif()
message(STATUS "exit ${result} as expected:\n${out}${err}")
