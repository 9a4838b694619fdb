# The operator's zip as an operator gets it: unpacked with unzip into a fresh
# folder, it holds exactly the DLL, the simulator, the sample tarvok.ini,
# the operator's text and the two files of its replay example; the text
# names VERSION and no @NAME@ placeholder is left in any file; the unpacked
# DLL has the right tables; the unpacked simulator, under wine, passes
# sample_ini_test.cmake on the unpacked sample, runs every golden scenario
# against the DLL beside it, byte for byte, and runs the guide's examples in
# the unpacked folder as printed (GUIDE_EXAMPLES).
#   ZIP, WORK (a folder, emptied first), VERSION, EMULATOR ('|' between its
#   words), OBJDUMP, CHECK_TABLES (check_dll_tables.sh), SCENARIOS (folder
#   of NAME.scenario and NAME.transcript), GUIDE_EXAMPLES
#   (tests/guide/guide_examples.cmake)
string(REPLACE "|" ";" emulator "${EMULATOR}")
set(unpacked ${WORK}/unpacked)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${unpacked})
execute_process(COMMAND unzip -q ${ZIP} -d ${unpacked} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "unzip ${ZIP} failed: ${status}")
endif()

file(GLOB_RECURSE contents RELATIVE ${unpacked} ${unpacked}/*)
list(SORT contents)
set(expected README-operator.txt sample-lag.log sample-lenient.ini
    tarvok-sim.exe tarvok.dll tarvok.ini)
if(NOT contents STREQUAL expected)
  message(FATAL_ERROR "the zip holds '${contents}', not '${expected}'")
endif()
set(sim ${unpacked}/tarvok-sim.exe)

foreach(file ${contents})
  file(STRINGS ${unpacked}/${file} placeholders REGEX "@[A-Z][A-Z0-9_]+@")
  if(placeholders)
    message(FATAL_ERROR "${file} still holds a placeholder: ${placeholders}")
  endif()
endforeach()
file(STRINGS ${unpacked}/README-operator.txt title LIMIT_COUNT 1)
if(NOT title MATCHES "^tarvok ${VERSION} - ")
  message(FATAL_ERROR "the guide's title names no version ${VERSION}: ${title}")
endif()

execute_process(COMMAND ${CHECK_TABLES} ${OBJDUMP} ${unpacked}/tarvok.dll
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the unpacked DLL's tables are wrong")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -DSIM=${sim} -DEMULATOR=${EMULATOR}
          -DINI=${unpacked}/tarvok.ini
          -P ${CMAKE_CURRENT_LIST_DIR}/sample_ini_test.cmake
  RESULT_VARIABLE status
  OUTPUT_VARIABLE report
  ERROR_VARIABLE report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the unpacked tarvok.ini fails its check:\n${report}")
endif()

file(GLOB scenarios ${SCENARIOS}/*.scenario)
if(NOT scenarios)
  message(FATAL_ERROR "no scenarios in ${SCENARIOS}")
endif()
set(failed "")
foreach(scenario ${scenarios})
  get_filename_component(name ${scenario} NAME_WE)
  set(actual ${WORK}/${name}.transcript)
  set(ini_option "")
  if(EXISTS ${SCENARIOS}/${name}.ini)
    set(ini_option --ini ${name}.ini)
  endif()
  execute_process(
    COMMAND ${emulator} ${sim} --output ${actual} ${ini_option}
            ${name}.scenario
    WORKING_DIRECTORY ${SCENARIOS}
    RESULT_VARIABLE status
    ERROR_VARIABLE err)
  file(READ ${SCENARIOS}/${name}.transcript expected_text)
  file(READ ${actual} actual_text)
  if(NOT status EQUAL 0 OR NOT expected_text STREQUAL actual_text)
    message("${name}: status ${status}; ${actual} differs from "
            "${SCENARIOS}/${name}.transcript\n${err}")
    list(APPEND failed ${name})
  endif()
endforeach()
if(failed)
  message(FATAL_ERROR "scenarios that failed in the unpacked zip: ${failed}")
endif()
list(LENGTH scenarios count)
message("the unpacked simulator and DLL ran ${count} scenarios as the golden "
        "transcripts say")

execute_process(
  COMMAND ${CMAKE_COMMAND} -DSIM=${sim} -DEMULATOR=${EMULATOR}
          -DGUIDE=${unpacked}/README-operator.txt -DFOLDER=${unpacked}
          -P ${GUIDE_EXAMPLES}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE report
  ERROR_VARIABLE report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the guide's examples fail in the unpacked zip:\n"
          "${report}")
endif()
message("${report}")
