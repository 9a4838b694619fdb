# The week's fairness table of the operator's guide (after "Over the
# weeks of seeds") is the sum, per setting, of
# the scores in week_seed*.expected: the row of NAME.ini begins with its
# label below and ends with the laggers, honest players and steady
# high-latency links dealt with, "A of B" each.
#   SOURCE (this folder), GUIDE
set(labels
  "defaults|strikes=1 (the default)"
  "strikes3|strikes=3"
  "stability|strikes=3 stability=40"
  "no_memory|the same, strikegap=60"
  "recommended|the recommended setting")
file(GLOB seeds ${SOURCE}/week_seed*.expected)
list(LENGTH seeds count)
if(count LESS 3)
  message(FATAL_ERROR "too few seeds in ${SOURCE}")
endif()
file(READ ${GUIDE} guide)
# The week's table follows the words that name its seeds.
string(FIND "${guide}" "Over the weeks of seeds" at)
if(at LESS 0)
  message(FATAL_ERROR "the guide names no seeds of a week's table")
endif()
string(SUBSTRING "${guide}" ${at} -1 guide)
foreach(pair ${labels})
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 label)
  set(sums "")
  foreach(kind "laggers" "honest players" "steady high-latency links")
    set(dealt 0)
    set(players 0)
    foreach(seed ${seeds})
      file(READ ${seed} text)
      if(NOT text MATCHES "\n${name}\\.ini\n(  [^\n]*\n)*  ${kind} dealt with: ([0-9]+) of ([0-9]+)")
        message(FATAL_ERROR "${seed} has no score of ${kind} under ${name}.ini")
      endif()
      math(EXPR dealt "${dealt} + ${CMAKE_MATCH_2}")
      math(EXPR players "${players} + ${CMAKE_MATCH_3}")
    endforeach()
    string(APPEND sums " ${dealt} of ${players}")
  endforeach()
  string(REGEX REPLACE "([=()])" "\\\\\\1" pattern "${label}")
  string(REGEX MATCH "\n  ${pattern}  +[0-9][^\n]*" row "${guide}")
  if(row STREQUAL "")
    message(FATAL_ERROR "the guide's fairness table has no row \"${label}\"")
  endif()
  string(LENGTH "\n  ${label}" skip)
  string(SUBSTRING "${row}" ${skip} -1 row)
  string(REGEX REPLACE " +" " " row "${row}")
  if(NOT row STREQUAL sums)
    message(FATAL_ERROR "the guide's row \"${label}\" says \"${row}\", the seeds \"${sums}\"")
  endif()
endforeach()
message("the guide's fairness table is the sum of ${count} seeds")
