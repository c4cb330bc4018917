# Runs the shipped self-test script through the built program, with no display, as a fleet
# would: the exit code must be 0 and the JUnit report must hold one passing suite.
#   cmake -DPROGRAM=... -DSCRIPT=... -DREPORT=... [-DMIN_CASES=50] -P run_self_test.cmake
if(NOT DEFINED MIN_CASES)
    set(MIN_CASES 50)
endif()
file(REMOVE ${REPORT})
execute_process(COMMAND ${PROGRAM} --run ${SCRIPT} --report ${REPORT}
                RESULT_VARIABLE exit_code OUTPUT_VARIABLE transcript ERROR_VARIABLE errors)
if(NOT exit_code EQUAL 0)
    message(FATAL_ERROR "exit code ${exit_code}\n${errors}\n${transcript}")
endif()
if(NOT EXISTS ${REPORT})
    message(FATAL_ERROR "no report written to ${REPORT}")
endif()
file(READ ${REPORT} report)
string(REGEX MATCHALL "<testsuite " suites "${report}")
string(REGEX MATCHALL "<testcase " cases "${report}")
list(LENGTH suites suite_count)
list(LENGTH cases case_count)
if(NOT suite_count EQUAL 1 OR case_count LESS ${MIN_CASES} OR NOT report MATCHES "failures=\"0\""
   OR report MATCHES "<failure")
    message(FATAL_ERROR "unexpected report (${suite_count} suites, ${case_count} cases):\n${report}")
endif()
if(NOT transcript MATCHES "run  PASSED")
    message(FATAL_ERROR "the transcript does not end in PASSED:\n${transcript}")
endif()
