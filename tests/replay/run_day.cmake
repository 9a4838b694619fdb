# A generated day (NAME.scenario, NAME.ini), played live and then replayed
# under the settings that wrote its log: the replay must give back every
# check, limit reached, warning and move to spectator mode of every player,
# and its table must equal EXPECTED; the strikes and actions of each
# player's checks, in their order, must be the logged ones.
#   SIM, LIBRARY, SOURCE (this folder), WORK (a folder of the build),
#   EXPECTED, NAME
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY_FILE ${SOURCE}/${NAME}.ini ${WORK}/day.ini)
file(COPY_FILE ${SOURCE}/${NAME}.scenario ${WORK}/day.scenario)

execute_process(
  COMMAND ${emulator} ${SIM} --library ${LIBRARY} --ini day.ini
    --log day.log --output day.transcript day.scenario
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the day did not run (${status}):\n${err}")
endif()
file(READ ${WORK}/day.transcript transcript)
if(NOT transcript MATCHES "the lag log goes to lag.log in the work folder")
  message(FATAL_ERROR "the simulator did not say where the lag log went")
endif()

execute_process(
  COMMAND ${emulator} ${SIM} replay day.log --ini day.ini --library ${LIBRARY}
    --transcript replay.transcript
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" out "${out}")
if(NOT status EQUAL 0 OR NOT err STREQUAL "")
  message(FATAL_ERROR "the replay failed (${status}):\n${err}")
endif()

# Each player's row: logged and replayed side by side, four times.
string(REGEX MATCHALL "\n(bot [0-9]+: )?(Pilot|Wing)[^\n]*" players "${out}")
list(LENGTH players count)
if(count LESS 20)
  message(FATAL_ERROR "too few players in the table:\n${out}")
endif()
foreach(row ${players})
  string(REGEX REPLACE "^\n(bot [0-9]+: )?[^ ]+ +" "" counts "${row}")
  string(REGEX MATCHALL "[0-9]+" counts "${counts}")
  list(LENGTH counts length)
  if(NOT length EQUAL 8)
    message(FATAL_ERROR "not a row of counts: ${row}")
  endif()
  foreach(logged 0 2 4 6)
    math(EXPR replayed "${logged} + 1")
    list(GET counts ${logged} a)
    list(GET counts ${replayed} b)
    if(NOT a EQUAL b)
      message(FATAL_ERROR "the replay differs from the log: ${row}")
    endif()
  endforeach()
endforeach()

# Each player's checks, in their order: strikes and action alike.
file(STRINGS ${WORK}/day.transcript logged_rows
  REGEX "] lag.log: .*\\| [0-9]+/[0-9]+ \\| [a-z]+$")
file(STRINGS ${WORK}/replay.transcript replayed_rows
  REGEX "] replayed-lag.log: .*\\| [0-9]+/[0-9]+ \\| [a-z]+$")
foreach(source logged replayed)
  set(${source}_by_player "")
  foreach(row IN LISTS ${source}_rows)
    string(REGEX REPLACE "^[^|]*\\| ([0-9]+) \\| ([^ |]+) \\|.* \\| ([0-9]+/[0-9]+) \\| ([a-z]+)$"
      "\\1 \\2 \\3 \\4" check "${row}")
    list(APPEND ${source}_by_player "${check}")
  endforeach()
endforeach()
set(players_seen "")
foreach(check IN LISTS logged_by_player)
  string(REGEX MATCH "^[0-9]+ [^ ]+" player "${check}")
  list(APPEND players_seen "${player}")
endforeach()
list(REMOVE_DUPLICATES players_seen)
foreach(player IN LISTS players_seen)
  foreach(source logged replayed)
    set(${source}_checks "${${source}_by_player}")
    list(FILTER ${source}_checks INCLUDE REGEX "^${player} ")
  endforeach()
  if(NOT logged_checks STREQUAL replayed_checks)
    message(FATAL_ERROR "the strikes and actions of ${player}'s checks "
      "differ:\nlogged   ${logged_checks}\nreplayed ${replayed_checks}")
  endif()
endforeach()

file(WRITE ${WORK}/replay.actual "${out}")
file(READ ${EXPECTED} expected)
if(NOT expected STREQUAL out)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u ${EXPECTED} ${WORK}/replay.actual)
  endif()
  message(FATAL_ERROR "${WORK}/replay.actual differs from ${EXPECTED}")
endif()

# The same log in two files that interleave second by second (odd and even
# seconds) is read as one: rows in the order of their times, the table in
# the order of first checks.
file(STRINGS ${WORK}/day.log lines)
set(odd "")
set(even "")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9-]+T[0-9:]+[13579]Z\t")
    string(APPEND odd "${line}\n")
  else()
    string(APPEND even "${line}\n")
  endif()
endforeach()
file(WRITE ${WORK}/odd.log "${odd}")
file(WRITE ${WORK}/even.log "${even}")
execute_process(
  COMMAND ${emulator} ${SIM} replay odd.log even.log --ini day.ini
    --library ${LIBRARY}
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status OUTPUT_VARIABLE split ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" split "${split}")
string(REPLACE "Replay of odd.log, even.log (" "Replay of day.log (" split
  "${split}")
if(NOT status EQUAL 0 OR NOT split STREQUAL out)
  file(WRITE ${WORK}/split.actual "${split}")
  message(FATAL_ERROR "the log in two interleaved files replays otherwise "
    "(${status}), see ${WORK}/split.actual:\n${err}")
endif()
