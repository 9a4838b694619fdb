# Runs the simulator once and compares what it wrote with a golden file.
#   MODE transcript  SIM --library LIBRARY --output ACTUAL [--ini INI] INPUT;
#                    exit 0, nothing on stderr, ACTUAL equal to EXPECTED
#   MODE demo        the same without INPUT: the built-in demo
#   MODE error       SIM --library LIBRARY INPUT; nothing on stdout; stderr
#                    and "exit status: N" equal to EXPECTED
#   MODE check-ini   SIM check-ini INPUT [--arena ARENA]; stdout and
#                    "exit status: N" equal to EXPECTED
#   MODE check-ini-stdin  the same with INPUT as the standard input of
#                    SIM check-ini -
#   MODE commands    SIM with the arguments of each line of INPUT (blanks
#                    between them, "double quotes" around one with blanks);
#                    for each: the line after "$ tarvok-sim ", the standard
#                    output, the standard error after "--- standard error"
#                    when there is any, and "exit status: N"; the version
#                    shows as @VERSION@
#   MODE replay      SIM replay INPUT (a lag log) --ini INPUT's NAME.ini with
#                    its transcript; stdout, "exit status: N", stderr and the
#                    transcript equal to EXPECTED; run again without the
#                    transcript, the same stdout
#   MODE sweep       SIM sweep INPUT (a lag log) --ini INPUT's NAME.ini with
#                    a --vary for each line of NAME.vary (a line starting
#                    with "--" is an option as it stands), in two processes,
#                    and its chart; stdout, "exit status: N", stderr and the
#                    chart's page equal to EXPECTED
# The program runs in INPUT's folder and gets INPUT's bare name, so that its
# messages do not depend on where the tree lies. EMULATOR ('|' between its
# words) runs programs of a cross build.
string(REPLACE "|" ";" emulator "${EMULATOR}")
if(INPUT)
  get_filename_component(folder ${INPUT} DIRECTORY)
  get_filename_component(input_name ${INPUT} NAME)
else()
  get_filename_component(folder ${EXPECTED} DIRECTORY)
endif()

if(MODE STREQUAL "demo")
  set(arguments --library ${LIBRARY} --output ${ACTUAL})
elseif(MODE STREQUAL "transcript")
  set(arguments --library ${LIBRARY} --output ${ACTUAL} ${input_name})
  if(INI)
    get_filename_component(ini_name ${INI} NAME)
    list(PREPEND arguments --ini ${ini_name})
  endif()
elseif(MODE STREQUAL "error")
  set(arguments --library ${LIBRARY} ${input_name})
elseif(MODE STREQUAL "check-ini")
  set(arguments check-ini ${input_name})
  if(ARENA)
    list(APPEND arguments --arena ${ARENA})
  endif()
  if(PLAYERS)
    list(APPEND arguments --players ${PLAYERS})
  endif()
elseif(MODE STREQUAL "check-ini-stdin")
  set(arguments check-ini -)
  set(standard_input INPUT_FILE ${INPUT})
elseif(MODE STREQUAL "commands")
  file(STRINGS ${INPUT} command_lines)
  set(report "")
  foreach(command_line ${command_lines})
    separate_arguments(arguments UNIX_COMMAND "${command_line}")
    execute_process(
      COMMAND ${emulator} ${SIM} ${arguments}
      WORKING_DIRECTORY ${folder}
      RESULT_VARIABLE status
      OUTPUT_VARIABLE out
      ERROR_VARIABLE err)
    string(REPLACE "\r\n" "\n" out "${out}")
    string(REPLACE "\r\n" "\n" err "${err}")
    string(APPEND report "$ tarvok-sim ${command_line}\n${out}")
    if(NOT err STREQUAL "")
      string(APPEND report "--- standard error\n${err}")
    endif()
    string(APPEND report "exit status: ${status}\n\n")
  endforeach()
  # (Joined here, or CMake would fill the placeholder in.)
  string(CONCAT placeholder "@" "VERSION@")
  string(REPLACE "${VERSION}" "${placeholder}" report "${report}")
  file(WRITE ${ACTUAL} "${report}")
  set(arguments "")
elseif(MODE STREQUAL "replay")
  get_filename_component(input_stem ${INPUT} NAME_WE)
  set(arguments replay ${input_name} --ini ${input_stem}.ini
    --library ${LIBRARY} --transcript ${ACTUAL}.transcript)
elseif(MODE STREQUAL "sweep")
  get_filename_component(input_stem ${INPUT} NAME_WE)
  file(STRINGS ${folder}/${input_stem}.vary varied)
  set(arguments sweep ${input_name} --ini ${input_stem}.ini
    --library ${LIBRARY} --processes 2 --chart ${ACTUAL}.html)
  foreach(each ${varied})
    if(each MATCHES "^--")
      list(APPEND arguments ${each})
    else()
      list(APPEND arguments --vary ${each})
    endif()
  endforeach()
else()
  message(FATAL_ERROR "unknown MODE ${MODE}")
endif()

if(NOT MODE STREQUAL "commands")
execute_process(
  COMMAND ${emulator} ${SIM} ${arguments}
  WORKING_DIRECTORY ${folder}
  ${standard_input}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
# Programs of a Windows build end their console lines with CR LF.
string(REPLACE "\r\n" "\n" out "${out}")
string(REPLACE "\r\n" "\n" err "${err}")
endif()

if(MODE STREQUAL "replay")
  # Without a transcript the replay reads its plug-in's log by the second,
  # not after every event: the table must not change.
  execute_process(
    COMMAND ${emulator} ${SIM} replay ${input_name} --ini ${input_stem}.ini
      --library ${LIBRARY}
    WORKING_DIRECTORY ${folder}
    OUTPUT_VARIABLE plain_out
    ERROR_QUIET)
  string(REPLACE "\r\n" "\n" plain_out "${plain_out}")
  if(NOT plain_out STREQUAL out)
    message(FATAL_ERROR
      "without a transcript the replay printed:\n${plain_out}\nnot:\n${out}")
  endif()
endif()

if(MODE STREQUAL "commands")
  # Written above.
elseif(MODE STREQUAL "transcript" OR MODE STREQUAL "demo")
  if(NOT status EQUAL 0 OR NOT err STREQUAL "")
    message(FATAL_ERROR "tarvok-sim ended with status ${status}:\n${err}")
  endif()
else()
  if(MODE STREQUAL "error")
    if(NOT out STREQUAL "")
      message(FATAL_ERROR "a refused scenario wrote a transcript:\n${out}")
    endif()
    set(out "${err}")
  endif()
  file(WRITE ${ACTUAL} "${out}exit status: ${status}\n")
  if(MODE STREQUAL "sweep")
    file(READ ${ACTUAL}.html chart)
    file(APPEND ${ACTUAL} "--- standard error\n${err}--- chart\n${chart}")
  endif()
  if(MODE STREQUAL "replay")
    file(READ ${ACTUAL}.transcript transcript)
    string(REPLACE "\r\n" "\n" transcript "${transcript}")
    file(APPEND ${ACTUAL}
      "--- standard error\n${err}--- transcript\n${transcript}")
  endif()
endif()

file(READ ${EXPECTED} expected_text)
file(READ ${ACTUAL} actual_text)
if(NOT expected_text STREQUAL actual_text)
  if(DIFF)
    execute_process(COMMAND ${DIFF} -u ${EXPECTED} ${ACTUAL})
  else()
    message("expected:\n${expected_text}\nactual:\n${actual_text}")
  endif()
  message(FATAL_ERROR "${ACTUAL} differs from ${EXPECTED}")
endif()
