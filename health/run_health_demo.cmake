# The health report's demo: a generated network of a few cameras over some
# months (with injected moves and zero-point drops), its summary tables, and
# the report on them; prints where the report is.
# Called by the CTest test "demo_health" with GENERATOR, SUMMARY, HEALTH and
# DEMO_DIR set, and EMULATOR (wine for the Windows build, empty otherwise).
set(folder "${DEMO_DIR}/network")
file(REMOVE_RECURSE "${DEMO_DIR}")
file(MAKE_DIRECTORY "${DEMO_DIR}")

# 5 cameras over 180 nights; this seed injects moves (one undone weeks
# later), zero-point drops, outliers, refocus and poor fits.
execute_process(COMMAND ${EMULATOR} "${GENERATOR}" --network "${folder}" 5 180 --seed 4
                RESULT_VARIABLE status OUTPUT_VARIABLE generated)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the generator failed (${status})")
endif()
file(READ "${folder}/network_truth.csv" truth)
foreach(kind moved zero_point_drop)
  if(NOT truth MATCHES ",${kind},")
    message(FATAL_ERROR "the demo network has no ${kind} event")
  endif()
endforeach()

file(WRITE "${DEMO_DIR}/answers.txt" "${folder}\n\n")
execute_process(COMMAND ${EMULATOR} "${SUMMARY}" INPUT_FILE "${DEMO_DIR}/answers.txt" WORKING_DIRECTORY "${DEMO_DIR}"
                OUTPUT_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "Norv_CalSummary ended with ${status}")
endif()

message(STATUS "Running Norv_CalHealth on ${folder}")
# The generator keeps its events clear of the last ten nights; a month of
# recent history lets the newest of them decide the cameras' status.
execute_process(COMMAND ${EMULATOR} "${HEALTH}" --recent 30 "${folder}" RESULT_VARIABLE status OUTPUT_VARIABLE console
                ERROR_VARIABLE errors)
message("${console}${errors}")
if(NOT status EQUAL 2)
  message(FATAL_ERROR "Norv_CalHealth ended with ${status}; some camera of this network needs ACTION (2)")
endif()
foreach(name CalHealth.html CalHealth_findings.csv CalHealth_calibrations.csv)
  if(NOT EXISTS "${folder}/Summary/${name}")
    message(FATAL_ERROR "no ${name} in ${folder}/Summary")
  endif()
endforeach()
message(STATUS "Ground truth of the injected events: ${folder}/network_truth.csv")
message(STATUS "Health report: ${folder}/Summary/CalHealth.html")
