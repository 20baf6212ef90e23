# Checks CalHealth.prom with Prometheus's own linter: the exposition format,
# HELP and TYPE lines, metric names and their unit suffixes.
#
#   cmake -DPROMTOOL=... -DMETRICS=.../CalHealth.prom -P promtool_check.cmake
if(NOT PROMTOOL)
  message(FATAL_ERROR "promtool not found: install the Debian package prometheus (see README, Prerequisites)")
endif()
if(NOT EXISTS "${METRICS}")
  message(FATAL_ERROR "no metrics at ${METRICS}")
endif()
execute_process(COMMAND "${PROMTOOL}" check metrics INPUT_FILE "${METRICS}" RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "promtool check metrics failed (${status}):\n${out}${err}")
endif()
file(STRINGS "${METRICS}" samples REGEX "^norv_calhealth_camera_status\\{")
list(LENGTH samples cameras)
if(cameras LESS 1)
  message(FATAL_ERROR "no camera status in ${METRICS}")
endif()
message(STATUS "promtool: ${METRICS} passes; ${cameras} cameras")
