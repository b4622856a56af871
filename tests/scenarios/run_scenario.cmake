# Runs one scenario: cmake -DPOS_HOST=.. -DLIBRARY=.. -DSCENARIO=.. -P run_scenario.cmake
# Passes when pos-host exits with the status the scenario's comments name
# (0 when none) and its output matches their "output:" expressions.
file(STRINGS ${SCENARIO} comments REGEX "^# (exit status|output): ")
set(want_status 0)
set(patterns)
foreach(line ${comments})
  if(line MATCHES "^# exit status: ([0-9]+)")
    set(want_status ${CMAKE_MATCH_1})
  elseif(line MATCHES "^# output: (.*)$")
    list(APPEND patterns "${CMAKE_MATCH_1}")
  endif()
endforeach()
execute_process(COMMAND ${POS_HOST} run ${LIBRARY} ${SCENARIO}
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out TIMEOUT 100)
message("${out}")
if(NOT status STREQUAL want_status)
  message(FATAL_ERROR "pos-host exited with ${status}, expected ${want_status}")
endif()
foreach(pattern ${patterns})
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "the output does not match: ${pattern}")
  endif()
endforeach()
