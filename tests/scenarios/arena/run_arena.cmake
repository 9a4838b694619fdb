# The proof with a known truth: a synthetic arena (tarvok-sim arena, seed
# SEED) replayed under each settings file of this folder (strikes alone,
# then stability, and the plain settings first) with the scores by class.
#   cmake -DSIM=... -DLIBRARY=... -DEMULATOR=... -DSEED=N -DEXPECTED=...
#         -DACTUAL=... -DDIFF=... -P run_arena.cmake
# The output of every replay, in the order below, must equal EXPECTED.
string(REPLACE "|" ";" emulator "${EMULATOR}")
get_filename_component(folder ${EXPECTED} DIRECTORY)
set(log arena-seed${SEED}.log)
get_filename_component(work ${ACTUAL} DIRECTORY)
file(COPY ${folder}/plain.ini ${folder}/strikes.ini ${folder}/stability.ini
  DESTINATION ${work})

execute_process(
  COMMAND ${emulator} ${SIM} arena --seed ${SEED} --output ${log}
  WORKING_DIRECTORY ${work}
  RESULT_VARIABLE status
  ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tarvok-sim arena ended with status ${status}:\n${err}")
endif()

set(all "")
foreach(settings plain strikes stability)
  execute_process(
    COMMAND ${emulator} ${SIM} replay ${log} --ini ${settings}.ini
      --library ${LIBRARY} --classes
    WORKING_DIRECTORY ${work}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}")
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "the replay with ${settings}.ini ended with status "
      "${status}:\n${err}")
  endif()
  string(APPEND all "${out}\n")
endforeach()
file(WRITE ${ACTUAL} "${all}")

# Under the settings of the bot that wrote it a log answers every check and
# gives back every check and every limit reached: a player who leaves in
# the second a check of them falls due has that check logged first, and a
# staff member's request is not typed ahead of a check it did not wait
# for. The two hours above (checks every 30 s after a grace of 60) and a
# day of the long arena (every 20 s from 5 s after each arrival; seed 2's
# day has such requests).
file(WRITE ${work}/writer.ini "autocheck=30\ngrace=60\ndeal=0\n")
file(WRITE ${work}/long-writer.ini "autocheck=20\ngrace=5\ndeal=0\n")
execute_process(
  COMMAND ${emulator} ${SIM} arena --seed 2 --days 1
    --output arena-day-seed2.log
  WORKING_DIRECTORY ${work}
  RESULT_VARIABLE status
  ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "tarvok-sim arena --days 1 ended with status "
    "${status}:\n${err}")
endif()
foreach(pair "${log}|writer" "arena-day-seed2.log|long-writer")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 written)
  list(GET pair 1 writer)
  execute_process(
    COMMAND ${emulator} ${SIM} replay ${written} --ini ${writer}.ini
      --library ${LIBRARY}
    WORKING_DIRECTORY ${work}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR out MATCHES "Blind checks")
    message(FATAL_ERROR "${written} replayed under the settings that wrote "
      "it ends with status ${status} or blind checks:\n${out}\n${err}")
  endif()
  string(REGEX MATCH "\\(all players together\\) +([0-9]+) +([0-9]+) +([0-9]+) +([0-9]+)"
         together "${out}")
  if(NOT together OR NOT CMAKE_MATCH_1 EQUAL CMAKE_MATCH_2
     OR NOT CMAKE_MATCH_3 EQUAL CMAKE_MATCH_4)
    message(FATAL_ERROR "${written} replayed under the settings that wrote "
      "it does not give back its checks and limits reached:\n${out}")
  endif()
endforeach()

file(READ ${EXPECTED} expected_text)
if(NOT expected_text STREQUAL all)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u ${EXPECTED} ${ACTUAL})
  endif()
  message(FATAL_ERROR "${ACTUAL} differs from ${EXPECTED}")
endif()
