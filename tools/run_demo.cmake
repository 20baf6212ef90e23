# Runs Norv_CalSummary on a fresh copy of the sample calibrations, answering
# the folder question through standard input, and tells where the tables are.
# Called by the CTest test "demo" with PROGRAM, SAMPLES and DEMO_DIR set, and
# EMULATOR (wine for the Windows build, empty otherwise) to run PROGRAM with.
set(folder "${DEMO_DIR}/calibrations")
file(REMOVE_RECURSE "${DEMO_DIR}")
file(MAKE_DIRECTORY "${DEMO_DIR}")
file(COPY "${SAMPLES}/" DESTINATION "${folder}")
# The folder, then an empty line for the closing key press.
file(WRITE "${DEMO_DIR}/answers.txt" "${folder}\n\n")

message(STATUS "Running ${PROGRAM} on ${folder}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" INPUT_FILE "${DEMO_DIR}/answers.txt" RESULT_VARIABLE status)
message(STATUS "Exit status ${status} (the program always ends with 1)")
if(NOT status EQUAL 1)
  message(FATAL_ERROR "unexpected exit status ${status}")
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
