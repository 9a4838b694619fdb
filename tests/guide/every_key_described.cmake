# Every key of the table the plug-in reads tarvok.ini by (KEYS) is
# described in the operator's guide (a line that begins "KEY=", then its
# words, with "Default") and in the sample tarvok.ini (a line "KEY=..." or,
# for an opt-in key, ";KEY=..." under its comment, which gives the default).
#   KEYS, GUIDE, SAMPLE
cmake_minimum_required(VERSION 3.25)
file(READ ${KEYS} table)
string(REGEX MATCHALL "X\\((Message|Text|Number), \"[A-Za-z0-9]+=\"" rows
       "${table}")
file(READ ${GUIDE} guide)
file(READ ${SAMPLE} sample)
set(missing "")
foreach(row IN LISTS rows)
  string(REGEX MATCH "\"([A-Za-z0-9]+)=\"" ignored "${row}")
  set(key ${CMAKE_MATCH_1})
  # In the guide: "KEY=VALUE   words ... Default" before the next key.
  if(NOT guide MATCHES "\n${key}=[A-Z]+ +[^\n]+\n([ ]+[^\n]+\n)*")
    list(APPEND missing "the guide has no entry for ${key}=")
  elseif(NOT CMAKE_MATCH_0 MATCHES "Default")
    list(APPEND missing "the guide's entry for ${key}= gives no default")
  endif()
  # In the sample: the comment block above the key's line names the default.
  if(NOT sample MATCHES "((;[^\n]*\n)+);?${key}=")
    list(APPEND missing "the sample tarvok.ini has no line for ${key}=")
  elseif(NOT CMAKE_MATCH_1 MATCHES "default")
    list(APPEND missing "the sample's comment on ${key}= gives no default")
  endif()
endforeach()
list(LENGTH rows count)
if(count LESS 17)
  message(FATAL_ERROR "only ${count} keys read from ${KEYS}")
endif()
if(missing)
  list(JOIN missing "\n" missing)
  message(FATAL_ERROR "${missing}")
endif()
message("the guide and the sample tarvok.ini describe all ${count} keys")
