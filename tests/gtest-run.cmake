# Runs a GoogleTest program, natively or behind an emulator (Wine): it passes only when it exits 0
# and its summary counts at least one test passed. ctest on its own can demand the exit code or a
# summary line, not both; a crash after the summary (a sanitizer's report, a teardown under Wine)
# changes only the exit code, and a 32-bit program given to a 64-bit Wine exits 0 having printed
# nothing.
#   cmake [-DEMULATOR=word|word...] -DPROGRAM=path -P gtest-run.cmake
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(COMMAND ${emulator} ${PROGRAM} RESULT_VARIABLE code OUTPUT_VARIABLE said ERROR_VARIABLE said
                ECHO_OUTPUT_VARIABLE ECHO_ERROR_VARIABLE)
if(NOT code STREQUAL "0")
  message(FATAL_ERROR "${PROGRAM} exited ${code}")
endif()
if(NOT said MATCHES "\\[  PASSED  \\] [1-9][0-9]* tests?\\.")
  message(FATAL_ERROR "${PROGRAM} passed no test")
endif()
