# Runs the program under valgrind's memcheck on a fresh copy of the sample
# calibrations with piped input, the way the demo runs it, and fails unless
# the run ends normally (status 1, closing message, all tables written) with
# no memory error and no leaked block.
#
#   cmake -DVALGRIND=... -DPROGRAM=... -DSAMPLES=... -DWORK_DIR=... -P memcheck_demo.cmake

file(REMOVE_RECURSE ${WORK_DIR})
file(COPY ${SAMPLES}/ DESTINATION ${WORK_DIR}/calibrations)
file(WRITE ${WORK_DIR}/input.txt "${WORK_DIR}/calibrations\n\n")

execute_process(
  COMMAND ${VALGRIND} --tool=memcheck --leak-check=full --errors-for-leak-kinds=definite,indirect
          --error-exitcode=99 ${PROGRAM}
  INPUT_FILE ${WORK_DIR}/input.txt
  OUTPUT_VARIABLE transcript
  ERROR_VARIABLE report
  RESULT_VARIABLE status)

# Errors make valgrind end with 99; the program itself always ends with 1.
if(NOT status EQUAL 1 OR NOT report MATCHES "ERROR SUMMARY: 0 errors from 0 contexts")
  message(FATAL_ERROR "memcheck found errors (status ${status}):\n${report}")
endif()
if(NOT transcript MATCHES "\n Done with processing \n$")
  message(FATAL_ERROR "the run did not end normally:\n${transcript}")
endif()

file(GLOB tables ${WORK_DIR}/calibrations/Summary/Summary*.txt)
list(LENGTH tables table_count)
if(table_count EQUAL 0)
  message(FATAL_ERROR "no tables written")
endif()
message(STATUS "memcheck clean: ${table_count} tables from the sample calibrations")
