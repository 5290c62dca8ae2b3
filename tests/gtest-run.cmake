# Runs a GoogleTest program natively: it passes only when it exits 0 and its summary counts at
# least one test passed. ctest on its own can demand the exit code or a summary line, not both,
# and a sanitizer's report comes after the summary, with its own exit code.
#   cmake -DPROGRAM=path -P gtest-run.cmake
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE code OUTPUT_VARIABLE said ERROR_VARIABLE said
                ECHO_OUTPUT_VARIABLE ECHO_ERROR_VARIABLE)
if(NOT code STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} exited ${code}")
endif()
if(NOT said MATCHES "\\[  PASSED  \\] [1-9][0-9]* tests?\\.")
  message(FATAL_ERROR "${PROGRAM} passed no test")
endif()
