# Runs browser checks on a health report page in headless Chromium through
# health_page_driver and fails unless every check passed, with no script
# error and no console message. The page is given (PAGE), or written first
# by FIXTURE (health_page_fixture), or made by BENCH (health_page_bench)
# from a generated network of 20 cameras over 365 nights repeated to
# CAMERAS cameras. Screenshots and the checks' results stay in OUT_DIR.
#
#   cmake -DCHROMIUM=... -DDRIVER=... -DOUT_DIR=... -DSCRIPTS="a.js;b.js"
#         [-DPAGE=... | -DFIXTURE=... | -DBENCH=... -DGENERATOR=... -DSUMMARY=... -DCAMERAS=N]
#         [-DDRIVER_ARGS="--arg;budget_ms=..."] -P browser_checks.cmake
if(NOT CHROMIUM)
  message(FATAL_ERROR "chromium not found: install the Debian package chromium (see README, Prerequisites)")
endif()
file(REMOVE_RECURSE "${OUT_DIR}")
file(MAKE_DIRECTORY "${OUT_DIR}")
if(FIXTURE)
  set(PAGE "${OUT_DIR}/page/CalHealth.html")
  file(MAKE_DIRECTORY "${OUT_DIR}/page")
  execute_process(COMMAND "${FIXTURE}" "${PAGE}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "health_page_fixture ended with ${status}")
  endif()
elseif(BENCH)
  set(work "${OUT_DIR}/network")
  execute_process(COMMAND "${GENERATOR}" --network "${work}" 20 365 --seed 1 OUTPUT_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the generator ended with ${status}")
  endif()
  file(WRITE "${OUT_DIR}/answers.txt" "${work}\n\n")
  execute_process(COMMAND "${SUMMARY}" INPUT_FILE "${OUT_DIR}/answers.txt" OUTPUT_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 1)
    message(FATAL_ERROR "Norv_CalSummary ended with ${status}")
  endif()
  set(PAGE "${OUT_DIR}/page/CalHealth.html")
  file(MAKE_DIRECTORY "${OUT_DIR}/page")
  execute_process(COMMAND "${BENCH}" --cameras ${CAMERAS} --out "${PAGE}" "${work}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "health_page_bench ended with ${status}")
  endif()
endif()
if(NOT EXISTS "${PAGE}")
  message(FATAL_ERROR "no page at ${PAGE}")
endif()
set(script_args "")
foreach(script IN LISTS SCRIPTS)
  list(APPEND script_args --script "${script}")
endforeach()
execute_process(COMMAND "${DRIVER}" --chromium "${CHROMIUM}" --page "${PAGE}" ${script_args} --out "${OUT_DIR}/browser"
                        ${DRIVER_ARGS}
                OUTPUT_VARIABLE report ERROR_VARIABLE errors RESULT_VARIABLE status)
message("${report}${errors}")
if(BENCH)
  file(REMOVE_RECURSE "${work}" "${OUT_DIR}/page")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "browser checks failed (${status}); see ${OUT_DIR}/browser")
endif()
