# The operator's guide's examples run as printed, in FOLDER, which holds
# what the zip holds beside the simulator (tarvok.ini, sample-lag.log,
# sample-lenient.ini):
# - the replay example: the indented line "tarvok-sim replay ..." is run as
#   it stands, and its standard output must equal the indented lines that
#   follow it; the chart it names must be written;
# - the scenario example: the indented lines after "such as try.txt:" are
#   written to try.txt, and the indented "tarvok-sim --ini tarvok.ini
#   try.txt" must run them (exit status 0, a transcript);
# - the sweep over a generated arena: the lines after "such as fair.ini:"
#   written to fair.ini, the indented "tarvok-sim arena ..." run, and the
#   standard output of the indented "tarvok-sim sweep ... --classes ..."
#   must equal the indented lines that follow it;
# - the scenario's log replayed: with the LagLog line of tarvok.ini (the
#   sample has it; an older one commented out is uncommented), "tarvok-sim --ini tarvok.ini --log
#   try.log try.txt" and then "tarvok-sim replay try.log ..." must replay
#   the scenario's rows (tarvok.ini is put back afterwards);
# - the dispute report: the indented "tarvok-sim replay ... --player ..."
#   prints the indented lines after it and writes the page it names.
#   SIM, EMULATOR ('|' between its words), GUIDE, FOLDER; to lay FOLDER out
#   afresh as the zip does: SAMPLE_INI (tarvok.ini), EXAMPLE (the replay
#   story's NAME.log and NAME.ini, whose copies the zip holds)
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" emulator "${EMULATOR}")

if(EXAMPLE)
  file(REMOVE_RECURSE ${FOLDER})
  file(MAKE_DIRECTORY ${FOLDER})
  configure_file(${SAMPLE_INI} ${FOLDER}/tarvok.ini COPYONLY)
  configure_file(${EXAMPLE}.log ${FOLDER}/sample-lag.log COPYONLY)
  configure_file(${EXAMPLE}.ini ${FOLDER}/sample-lenient.ini COPYONLY)
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
file(WRITE ${FOLDER}/tarvok.ini "${sample}")
if(NOT run_status EQUAL 0 OR NOT status EQUAL 0 OR
   NOT out MATCHES "\nBob +4 +4 +4 +4 +0 +0 +1 +1 +0\n")
  message(FATAL_ERROR "the guide's \"tarvok-sim ${command}\" after the "
          "scenario with --log ends with status ${status} and prints\n"
          "${out}\n${err}\nwhere the guide says Bob is spectated in both")
endif()

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

message("the guide's replay, scenario, scenario-to-replay and dispute "
        "examples run as printed")
