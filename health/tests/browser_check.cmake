# Opens CalHealth.html from disk in headless Chromium and fails unless the
# page drew every chart with no script error and no console message; keeps
# the page after its scripts ran and a screenshot beside it.
#
#   cmake -DCHROMIUM=... -DREPORT=.../CalHealth.html -DOUT_DIR=... -P browser_check.cmake
if(NOT CHROMIUM)
  message(FATAL_ERROR "chromium not found: install the Debian package chromium (see README, Prerequisites)")
endif()
if(NOT EXISTS "${REPORT}")
  message(FATAL_ERROR "no report at ${REPORT}")
endif()
file(REMOVE_RECURSE "${OUT_DIR}")
file(MAKE_DIRECTORY "${OUT_DIR}/profile")
set(flags --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
          --disable-component-update --disable-sync "--user-data-dir=${OUT_DIR}/profile"
          --enable-logging=stderr --v=0 --window-size=1400,1800)

execute_process(COMMAND "${CHROMIUM}" ${flags} --dump-dom "file://${REPORT}"
                OUTPUT_FILE "${OUT_DIR}/dom.html" ERROR_VARIABLE log RESULT_VARIABLE status TIMEOUT 120)
file(WRITE "${OUT_DIR}/chromium.log" "${log}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "chromium ended with ${status}:\n${log}")
endif()
# The page writes nothing to the console; any message there is an error.
string(REGEX MATCHALL "[^\n]*:CONSOLE[^\n]*" console "${log}")
if(console)
  message(FATAL_ERROR "console messages while loading the page:\n${console}")
endif()

file(READ "${OUT_DIR}/dom.html" dom)
if(NOT dom MATCHES "id=\"report-status\"[^>]*data-state=\"drawn\"")
  message(FATAL_ERROR "the page's script did not finish (no data-state=\"drawn\"); see ${OUT_DIR}/dom.html")
endif()
string(REGEX MATCH "data-charts-expected=\"([0-9]+)\"" ignored "${dom}")
set(expected "${CMAKE_MATCH_1}")
string(REGEX MATCH "data-charts-drawn=\"([0-9]+)\"" ignored "${dom}")
set(drawn "${CMAKE_MATCH_1}")
string(REGEX MATCH "data-errors=\"([0-9]+)\"" ignored "${dom}")
set(errors "${CMAKE_MATCH_1}")
string(REGEX MATCHALL "<div class=\"uplot" charts "${dom}")
list(LENGTH charts chart_count)
string(REGEX MATCHALL "<canvas" canvases "${dom}")
list(LENGTH canvases canvas_count)
if(NOT expected GREATER 0 OR NOT drawn EQUAL expected OR NOT chart_count EQUAL expected
   OR NOT canvas_count EQUAL expected OR NOT errors EQUAL 0)
  message(FATAL_ERROR "expected ${expected} charts; the page reports ${drawn} drawn and ${errors} errors, "
                      "the DOM holds ${chart_count} charts and ${canvas_count} canvases; see ${OUT_DIR}/dom.html")
endif()

execute_process(COMMAND "${CHROMIUM}" ${flags} "--screenshot=${OUT_DIR}/CalHealth.png" "file://${REPORT}"
                OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status TIMEOUT 120)
file(SIZE "${OUT_DIR}/CalHealth.png" png_bytes)
if(NOT status EQUAL 0 OR png_bytes LESS 10000)
  message(FATAL_ERROR "no screenshot (status ${status}, ${png_bytes} bytes)")
endif()
file(REMOVE_RECURSE "${OUT_DIR}/profile")
message(STATUS "${drawn} charts drawn, no errors; screenshot ${OUT_DIR}/CalHealth.png")
