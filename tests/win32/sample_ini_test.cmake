# The sample tarvok.ini of the operator's zip sets every key, and the
# simulator's check-ini finds nothing surprising in it: its comments are
# skipped and every setting is read as written.
#   SIM, EMULATOR ('|' between its words), INI
string(REPLACE "|" ";" emulator "${EMULATOR}")

file(STRINGS ${INI} lines)
foreach(key WarnMessage= LockMessage= current= average= s2cploss= c2sploss=
            s2cweapons= display= deal= maxcheckrate=)
  set(found FALSE)
  foreach(line IN LISTS lines)
    string(FIND "${line}" "${key}" at)
    if(at EQUAL 0)
      set(found TRUE)
    endif()
  endforeach()
  if(NOT found)
    message(FATAL_ERROR "${INI} has no line for ${key}")
  endif()
endforeach()

get_filename_component(folder ${INI} DIRECTORY)
get_filename_component(name ${INI} NAME)
execute_process(
  COMMAND ${emulator} ${SIM} check-ini ${name}
  WORKING_DIRECTORY ${folder}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "check-ini ${INI} (status ${status}):\n${out}${err}")
endif()
message("${out}")
