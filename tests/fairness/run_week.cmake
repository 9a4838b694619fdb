# One seed of the fairness table: the week-long arena of SEED, replayed
# under each of SETTINGS (NAME.ini in SOURCE); the three scores of each
# (laggers, honest players, steady high-latency links dealt with) must
# equal SOURCE/week_seedSEED.expected.
#   SIM, LIBRARY, EMULATOR and SETTINGS ('|' between their words), SEED,
#   SOURCE,
#   WORK (a folder of the build), DIFF (may be empty)
string(REPLACE "|" ";" emulator "${EMULATOR}")
string(REPLACE "|" ";" SETTINGS "${SETTINGS}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(
  COMMAND ${emulator} ${SIM} arena --seed ${SEED} --days 7 --output week.log
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the arena was not written (${status}):\n${err}")
endif()

set(report "seed ${SEED}, 7 days\n")
foreach(name ${SETTINGS})
  execute_process(
    COMMAND ${emulator} ${SIM} replay week.log --ini ${SOURCE}/${name}.ini
      --classes --library ${LIBRARY}
    WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}")
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "the replay under ${name}.ini failed (${status}):\n${err}")
  endif()
  string(REGEX MATCHALL "\n  [a-z -]+ dealt with: [0-9]+ of [0-9]+ \\([0-9]+%\\)"
         scores "${out}")
  list(LENGTH scores count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "no scores by class under ${name}.ini:\n${out}")
  endif()
  string(APPEND report "${name}.ini\n")
  foreach(score ${scores})
    string(SUBSTRING "${score}" 1 -1 score)
    string(APPEND report "${score}\n")
  endforeach()
endforeach()

set(expected ${SOURCE}/week_seed${SEED}.expected)
file(WRITE ${WORK}/week.actual "${report}")
file(READ ${expected} wanted)
if(NOT report STREQUAL wanted)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u ${expected} ${WORK}/week.actual)
  endif()
  message(FATAL_ERROR "the scores of seed ${SEED} differ from ${expected}")
endif()
