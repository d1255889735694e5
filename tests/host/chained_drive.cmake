# cablog-host --chained drives the cablog module chained to the sample train
# plug-in through the built-in drive: the run must succeed, count the frames
# on which the sample braked, show the chain status, and leave a log whose
# plug-in columns show what the sample did. Given a script, `test` must
# then run it as one scenario of its own process and folder and pass.
#   -DHOST=... (words separated by "|", the emulator first if any)
#   -DMODULE=cablog module  -DSAMPLE=sample plug-in  -DFOLDER=scratch folder
#   -DSCRIPT=drive script (optional)
string(REPLACE "|" ";" host "${HOST}")
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
get_filename_component(module_name "${MODULE}" NAME)
get_filename_component(stem "${MODULE}" NAME_WE)
get_filename_component(sample_name "${SAMPLE}" NAME)
file(COPY "${MODULE}" "${SAMPLE}" DESTINATION "${FOLDER}")
file(WRITE "${FOLDER}/${stem}.ini" "[Frame]\nSkip=60\n[Chain]\nModule=${sample_name}\n")
file(WRITE "${FOLDER}/${stem}.csv"
  "SPEED,Speed\nBRAKE,Brake\nPLUGIN_BRAKE,Plugin brake\nPANEL_255,Tripped\nSOUND_7,Seconds\n")

execute_process(COMMAND ${host} --chained --module "${FOLDER}/${module_name}"
  WORKING_DIRECTORY "${FOLDER}" RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the chained drive failed (exit ${result}):\n${out}${err}")
endif()
if(NOT out MATCHES "handles changed: on ([0-9]+) of 14400 frames" OR CMAKE_MATCH_1 EQUAL 0)
  message(FATAL_ERROR "no frames with changed handles reported:\n${out}")
endif()
if(NOT out MATCHES "cablog chained the train's plug-in")
  message(FATAL_ERROR "no chain status shown:\n${out}")
endif()
file(GLOB logs "${FOLDER}/Log_*.csv")
list(LENGTH logs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one log, found ${count}")
endif()
file(READ "${logs}" log)
# Above 45 km/h the sample applies the brake at the train's notch3 (1)
# and sets panel entry 255; sound entry 7 holds the clock's seconds. The host
# brakes the train with the returned notch, so the train never gets far above
# 45 km/h. (file(READ) may drop the carriage returns.)
if(NOT log MATCHES "Speed,Brake,Plugin brake,Tripped,Seconds,\r?\n"
   OR NOT log MATCHES "\n45[0-9.]*,0,1,1,3[0-9][0-9][0-9][0-9],\r?\n")
  message(FATAL_ERROR "the log does not show the sample's braking:\n${log}")
endif()
if(log MATCHES "\n(4[7-9]|[5-9][0-9])[0-9.]*,")
  message(FATAL_ERROR "the train ran above the sample's limit: its brake was not applied:\n${log}")
endif()
message(STATUS "${out}")

if(SCRIPT)
  execute_process(COMMAND ${host} test --chained --module "${FOLDER}/${module_name}" "${SCRIPT}"
    --out "${FOLDER}/runs" WORKING_DIRECTORY "${FOLDER}"
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(GLOB logs "${FOLDER}/runs/1-*/Log_*.csv")
  if(NOT result EQUAL 0 OR NOT out MATCHES "1 scenarios: 1 passed" OR NOT logs)
    message(FATAL_ERROR "test in that folder failed (exit ${result}, logs: ${logs}):\n${out}${err}")
  endif()
endif()
