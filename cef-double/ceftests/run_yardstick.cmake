# Runs CEF's tests of one file under Wine against the double:
#   cmake -DWINE=tools/wine.sh -DEXE=cef_yardstick.exe -DFILTER=<gtest filter>
#         -DCOUNT=<tests the filter selects> -DLOG=<event log> -P run_yardstick.cmake
# Fails when the program fails, when fewer tests than COUNT passed, or when the double
# logged a ReferenceFault or an Unmodeled call.
file(REMOVE "${LOG}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "CEF_STANDIN_LOG=${LOG}" "${WINE}" "${EXE}"
          "--gtest_filter=${FILTER}"
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT code EQUAL 0)
  message(FATAL_ERROR "CEF's tests failed (exit code ${code})")
endif()
if(NOT out MATCHES "\\[  PASSED  \\] ${COUNT} tests?\\.")
  message(FATAL_ERROR "expected all ${COUNT} tests of ${FILTER} to run and pass")
endif()
if(EXISTS "${LOG}")
  file(STRINGS "${LOG}" faults REGEX "\"(ReferenceFault|Unmodeled)\"")
  if(faults)
    string(REPLACE ";" "\n" faults "${faults}")
    message(FATAL_ERROR "the double reported:\n${faults}")
  endif()
endif()
