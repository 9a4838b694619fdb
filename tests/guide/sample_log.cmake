# The zip's sample lag log is written by the plug-in: sample_lag.scenario
# run under sample_lag.ini with --log writes sample_lag.log again, byte for
# byte, and that log replayed under sample_lag.ini gives back every
# player's logged checks, limits reached, warnings and moves.
#   SIM, EMULATOR ('|' between its words), SOURCE (tests/guide), WORK
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(file sample_lag.scenario sample_lag.ini sample_lag.log)
  file(COPY_FILE ${SOURCE}/${file} ${WORK}/${file})
endforeach()

execute_process(
  COMMAND ${emulator} ${SIM} --ini sample_lag.ini --log written.log
    --output written.transcript sample_lag.scenario
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "sample_lag.scenario did not run (${status}):\n${err}")
endif()
file(READ ${WORK}/written.log written)
file(READ ${WORK}/sample_lag.log kept)
if(NOT written STREQUAL kept)
  message(FATAL_ERROR "the plug-in writes another log than sample_lag.log; "
          "if the change is meant, copy ${WORK}/written.log over it and "
          "the guide's examples after it:\n${written}")
endif()

execute_process(
  COMMAND ${emulator} ${SIM} replay sample_lag.log --ini sample_lag.ini
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" out "${out}")
# Bob twice spectated, Ann never over a limit, nothing blind or skipped.
set(table "
Bob                             3        3          2        2          0        0          2        2
Ann                             3        3          0        0          0        0          0        0
(all players together)          6        6          2        2          0        0          2        2

Skipped lines: 0
")
string(FIND "${out}" "${table}" at)
if(NOT status EQUAL 0 OR at EQUAL -1 OR NOT err STREQUAL "")
  message(FATAL_ERROR "sample_lag.log replayed under the settings that "
          "wrote it ends with status ${status} and prints\n${out}\n${err}\n"
          "where it should give back its log:${table}")
endif()
message("the sample log is the plug-in's, and replays to itself")
