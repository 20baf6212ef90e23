# Runs Norv_CalSummary on a fresh copy of the sample calibrations, answering
# the folder question through standard input, checks that the run ended
# normally (status 1, the closing line, tables written) and tells where the
# tables are. Called by the CTest tests of add_demo_test with PROGRAM, SAMPLES
# and DEMO_DIR set, and RUNNER (a command that runs PROGRAM, such as wine for
# the Windows build or a memory checker; empty to run it directly).
set(folder "${DEMO_DIR}/calibrations")
file(REMOVE_RECURSE "${DEMO_DIR}")
file(MAKE_DIRECTORY "${DEMO_DIR}")
file(COPY "${SAMPLES}/" DESTINATION "${folder}")
# The folder, then an empty line for the closing key press.
file(WRITE "${DEMO_DIR}/answers.txt" "${folder}\n\n")

message(STATUS "Running ${PROGRAM} on ${folder}")
execute_process(COMMAND ${RUNNER} "${PROGRAM}" INPUT_FILE "${DEMO_DIR}/answers.txt"
                OUTPUT_VARIABLE transcript RESULT_VARIABLE status)
message("${transcript}")
message(STATUS "Exit status ${status} (the program always ends with 1)")
if(NOT status EQUAL 1)
  message(FATAL_ERROR "unexpected exit status ${status}")
endif()
# Windows consoles end the line with CR LF.
if(NOT transcript MATCHES "\n Done with processing \r?\n$")
  message(FATAL_ERROR "the run did not end with its closing line")
endif()

file(GLOB tables "${folder}/Summary/SummaryCAL*.txt")
if(NOT tables)
  message(FATAL_ERROR "no tables were written into ${folder}/Summary")
endif()
message(STATUS "Tables written to ${folder}/Summary:")
foreach(table IN LISTS tables)
  get_filename_component(name "${table}" NAME)
  message(STATUS "  ${name}")
endforeach()
