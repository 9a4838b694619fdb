# The operator's guide's examples run as printed, in FOLDER, which holds
# what the zip holds beside the simulator (tarvok.ini, sample-lag.log,
# sample-lenient.ini):
# - the first check: the indented "tarvok-sim check-ini tarvok.ini" ends
#   with status 0 and the indented "Nothing surprising: ..." line, also
#   with the file's full path (under wine a Windows path, Z:\...);
# - the replay example: the indented line "tarvok-sim replay ..." is run as
#   it stands, and its standard output must equal the indented lines that
#   follow it; the chart it names must be written;
# - the scenario example: the indented lines after "such as try.txt:" are
#   written to try.txt, and the indented "tarvok-sim --ini tarvok.ini
#   try.txt" must run them (exit status 0, a transcript);
# - the sweep over a generated arena: the lines after "such as fair.ini:"
#   written to fair.ini, the indented "tarvok-sim arena ..." run, and the
#   standard output of the indented "tarvok-sim sweep ... --classes ..."
#   must equal the indented lines that follow it; the arena's log replayed
#   under the settings that wrote it (checks every 30 s after a grace of
#   60, nobody dealt with) gives back every player's logged counts;
# - the scenario's log replayed: with the LagLog line of tarvok.ini (the
#   sample has it; an older one commented out is uncommented), "tarvok-sim --ini tarvok.ini --log
#   try.log try.txt" and then "tarvok-sim replay try.log ..." must replay
#   the scenario's rows, and replayed under the settings in force when it
#   was written (the "!laggerdeal 3" in them) gives back every player's
#   logged counts (tarvok.ini is put back);
# - the dispute report: the indented "tarvok-sim replay ... --player ..."
#   prints the indented lines after it and writes the page it names.
#   SIM, EMULATOR ('|' between its words), GUIDE, FOLDER; to lay FOLDER out
#   afresh as the zip does: SAMPLE_INI (tarvok.ini), SAMPLE_LOG and
#   SAMPLE_LENIENT (the files the zip holds as sample-lag.log and
#   sample-lenient.ini)
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" emulator "${EMULATOR}")

if(SAMPLE_LOG)
  file(REMOVE_RECURSE ${FOLDER})
  file(MAKE_DIRECTORY ${FOLDER})
  configure_file(${SAMPLE_INI} ${FOLDER}/tarvok.ini COPYONLY)
  configure_file(${SAMPLE_LOG} ${FOLDER}/sample-lag.log COPYONLY)
  configure_file(${SAMPLE_LENIENT} ${FOLDER}/sample-lenient.ini COPYONLY)
endif()

file(READ ${GUIDE} guide)
string(REPLACE "\r\n" "\n" guide "${guide}")
# Each line an element: semicolons and brackets, which lists treat apart,
# stand for themselves only in the blocks taken out.
string(REPLACE ";" "<semicolon>" guide "${guide}")
string(REPLACE "[" "<opening>" guide "${guide}")
string(REPLACE "]" "<closing>" guide "${guide}")
string(REPLACE "\n" ";" lines "${guide}")

# The lines indented by INDENT blanks after the line number FROM, blank
# lines between them included, with the indentation taken off; the first
# blank lines are skipped.
function(indented_block from indent result)
  string(REPEAT " " ${indent} prefix)
  set(block "")
  list(LENGTH lines count)
  set(index ${from})
  math(EXPR index "${index} + 1")
  while(index LESS count)
    list(GET lines ${index} line)
    string(FIND "${line}" "${prefix}" at)
    if(line STREQUAL "")
      if(NOT block STREQUAL "")
        string(APPEND block "\n")
      endif()
    elseif(at EQUAL 0)
      string(SUBSTRING "${line}" ${indent} -1 line)
      string(APPEND block "${line}\n")
    else()
      break()
    endif()
    math(EXPR index "${index} + 1")
  endwhile()
  string(REGEX REPLACE "\n+$" "\n" block "${block}")
  string(REPLACE "<semicolon>" ";" block "${block}")
  string(REPLACE "<opening>" "[" block "${block}")
  string(REPLACE "<closing>" "]" block "${block}")
  set(${result} "${block}" PARENT_SCOPE)
endfunction()

# The index of the first line that matches REGEX, and its match.
function(find_line regex index_result match_result)
  set(index 0)
  foreach(line IN LISTS lines)
    if(line MATCHES "${regex}")
      set(${index_result} ${index} PARENT_SCOPE)
      set(${match_result} "${CMAKE_MATCH_1}" PARENT_SCOPE)
      return()
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  message(FATAL_ERROR "${GUIDE} has no line like '${regex}'")
endfunction()

# Runs the guide's "tarvok-sim COMMAND" in FOLDER: status, out and err.
function(run_guide_command command)
  separate_arguments(arguments UNIX_COMMAND "${command}")
  execute_process(
    COMMAND ${emulator} ${SIM} ${arguments}
    WORKING_DIRECTORY ${FOLDER}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}")
  set(status "${status}" PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# Every player's row of a replay's table (OUT) has its logged counts
# replayed: checks, limits reached, warned and spectated alike.
function(expect_logged_counts what out)
  string(REPLACE ";" "," out "${out}")
  string(REPLACE "\n" ";" lines "${out}")
  set(rows 0)
  foreach(line IN LISTS lines)
    string(REGEX MATCH "( +[0-9]+)+$" counts "${line}")
    string(REGEX MATCHALL "[0-9]+" counts "${counts}")
    list(LENGTH counts length)
    if(length LESS 8)
      continue()
    endif()
    math(EXPR rows "${rows} + 1")
    foreach(logged 0 2 4 6)
      math(EXPR replayed "${logged} + 1")
      list(GET counts ${logged} a)
      list(GET counts ${replayed} b)
      if(NOT a EQUAL b)
        message(FATAL_ERROR "${what} does not give back its log:\n${line}")
      endif()
    endforeach()
  endforeach()
  if(rows LESS 2)
    message(FATAL_ERROR "${what}: no table of counts in\n${out}")
  endif()
endfunction()

# The first check: check-ini of the zip's tarvok.ini, with the status and
# the last line the guide shows; then by the file's full path, in the
# form of the platform the simulator runs on.
find_line("^  tarvok-sim (check-ini tarvok\\.ini)$" at command)
find_line("^  (Nothing surprising: [^ ].*)$" at last_line)
run_guide_command("${command}")
if(NOT status EQUAL 0 OR NOT out MATCHES "\n${last_line}\n$")
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" ends with "
          "status ${status} and prints\n${out}\n${err}\nwhere the guide "
          "shows its last line as\n${last_line}")
endif()
set(full_path ${FOLDER}/tarvok.ini)
if(EMULATOR MATCHES "wine")
  string(REPLACE "/" "\\" full_path "Z:${full_path}")
endif()
execute_process(
  COMMAND ${emulator} ${SIM} check-ini ${full_path}
  WORKING_DIRECTORY ${FOLDER}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r\n" "\n" out "${out}")
if(NOT status EQUAL 0 OR NOT out MATCHES "\n${last_line}\n$")
  message(FATAL_ERROR "check-ini ${full_path} ends with status ${status}:"
          "\n${out}\n${err}")
endif()

# The replay example.
find_line("^    tarvok-sim (replay .*)$" at command)
indented_block(${at} 4 expected)
separate_arguments(arguments UNIX_COMMAND "${command}")
list(FIND arguments --chart chart_at)
math(EXPR chart_at "${chart_at} + 1")
list(GET arguments ${chart_at} chart)
file(REMOVE ${FOLDER}/${chart})
run_guide_command("${command}")
if(NOT status EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" ends with "
          "status ${status} and prints\n${out}\n${err}\nwhere the guide "
          "shows\n${expected}")
endif()
if(NOT EXISTS ${FOLDER}/${chart})
  message(FATAL_ERROR "the guide's replay example wrote no ${chart}")
endif()

# The scenario example.
find_line("such as (try\\.txt):$" at scenario)
indented_block(${at} 2 scenario_lines)
file(WRITE ${FOLDER}/${scenario} "${scenario_lines}")
find_line("^  tarvok-sim (.* ${scenario})$" at command)
run_guide_command("${command}")
if(NOT status EQUAL 0 OR NOT out MATCHES "Bob is lagging")
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" ends with "
          "status ${status}:\n${out}\n${err}")
endif()
# The sweep over a generated arena, scored by class: the settings file's
# lines after "such as fair.ini:", the arena written, the sweep's output as
# the guide shows it.
find_line("such as (fair\\.ini):$" at settings)
indented_block(${at} 2 settings_lines)
file(WRITE ${FOLDER}/${settings} "${settings_lines}")
find_line("^  tarvok-sim (arena --seed .*)$" at command)
set(arena_command "${command}")
run_guide_command("${command}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" ends with "
          "status ${status}:\n${err}")
endif()
find_line("^  tarvok-sim (sweep .* --classes .*)$" at command)
indented_block(${at} 2 expected)
run_guide_command("${command}")
if(NOT status EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" ends with "
          "status ${status} and prints\n${out}\n${err}\nwhere the guide "
          "shows\n${expected}")
endif()
string(REGEX MATCH "--chart ([^ ]+)" chart "${command}")
if(chart AND NOT EXISTS ${FOLDER}/${CMAKE_MATCH_1})
  message(FATAL_ERROR "the guide's sweep wrote no ${CMAKE_MATCH_1}")
endif()
# The arena's log, replayed under the settings of the bot that logged it.
string(REGEX MATCH "--output ([^ ]+)" ignored "${arena_command}")
set(arena_log ${CMAKE_MATCH_1})
file(WRITE ${FOLDER}/arena-writer.ini "autocheck=30\ngrace=60\ndeal=0\n")
run_guide_command("replay ${arena_log} --ini arena-writer.ini")
file(REMOVE ${FOLDER}/arena-writer.ini)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${arena_log} replayed under the settings that wrote "
          "it ends with status ${status}:\n${err}")
endif()
expect_logged_counts("${arena_log}" "${out}")

# The scenario's log replayed, with the LagLog line of tarvok.ini.
file(READ ${FOLDER}/tarvok.ini sample)
string(REPLACE "\n;LagLog=" "\nLagLog=" logging "${sample}")
if(NOT logging MATCHES "\nLagLog=")
  message(FATAL_ERROR "the sample tarvok.ini has no line \"LagLog=\"")
endif()
file(WRITE ${FOLDER}/tarvok.ini "${logging}")
find_line("^    tarvok-sim (.* --log [^ ]+ ${scenario})$" at command)
string(REGEX MATCH "--log ([^ ]+)" kept "${command}")
set(kept ${CMAKE_MATCH_1})
run_guide_command("${command}")
set(run_status ${status})
find_line("^    tarvok-sim (replay ${kept} .*)$" at command)
run_guide_command("${command}")
set(lenient_status ${status})
set(lenient_out "${out}")
# The settings in force when it was written: Zed's "!laggerdeal 3" is not
# in the log, so it goes into the settings given.
string(REPLACE "\ndeal=1\n" "\ndeal=3\n" in_force "${logging}")
if(in_force STREQUAL logging)
  message(FATAL_ERROR "the sample tarvok.ini has no line \"deal=1\"")
endif()
file(WRITE ${FOLDER}/tarvok.ini "${in_force}")
run_guide_command("replay ${kept} --ini tarvok.ini")
file(WRITE ${FOLDER}/tarvok.ini "${sample}")
if(NOT run_status EQUAL 0 OR NOT lenient_status EQUAL 0 OR
   NOT lenient_out MATCHES "\nBob +4 +4 +4 +4 +0 +0 +1 +1 +0\n")
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" after the "
          "scenario with --log ends with status ${lenient_status} and "
          "prints\n${lenient_out}\nwhere the guide says Bob is spectated "
          "in both")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${kept} replayed under the settings that wrote it "
          "ends with status ${status}:\n${err}")
endif()
expect_logged_counts("${kept} under the settings that wrote it" "${out}")

# The dispute report: its text as printed, and its page written.
find_line("^    tarvok-sim (replay .* --player .*)$" at command)
indented_block(${at} 4 expected)
string(REGEX MATCH "--report ([^ ]+)" page "${command}")
set(page ${CMAKE_MATCH_1})
file(REMOVE ${FOLDER}/${page})
run_guide_command("${command}")
if(NOT status EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" ends with "
          "status ${status} and prints\n${out}\n${err}\nwhere the guide "
          "shows\n${expected}")
endif()
if(NOT EXISTS ${FOLDER}/${page})
  message(FATAL_ERROR "the guide's dispute example wrote no ${page}")
endif()

message("the guide's first check, replay, scenario, sweep, "
        "scenario-to-replay and dispute examples run as printed")
