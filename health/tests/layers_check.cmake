# The health report's layers include only downwards:
#   common < health/stats < health/tables < health/findings < health/report
#   < health (main, options) < health/evaluation (tests and benchmarks aside),
# nothing under health/stats includes a domain record, and neither common/ nor
# any shipped file of health/ includes the generator (tools/), the summary
# program (app/, its console) or the calibration model (calib/); the platform
# layer's file calls are below them all.
#   cmake -DSOURCE_DIR=<project root> -P layers_check.cmake
set(layers common health/stats health/tables health/findings health/report health health/evaluation health/bench)

function(layer_of path out)
  set(found "")
  foreach(layer IN LISTS layers)
    string(LENGTH "${layer}/" prefix_length)
    string(SUBSTRING "${path}" 0 ${prefix_length} prefix)
    if(prefix STREQUAL "${layer}/")
      string(SUBSTRING "${path}" ${prefix_length} -1 rest)
      if(layer STREQUAL "health" AND rest MATCHES "/")
        continue()  # a sub-folder of health/ has its own layer
      endif()
      set(found "${layer}")
    endif()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/common/*.h" "${SOURCE_DIR}/common/*.cpp"
     "${SOURCE_DIR}/health/*.h" "${SOURCE_DIR}/health/*.cpp")
set(faults "")
foreach(file IN LISTS files)
  if(file MATCHES "^health/(tests|bench)/")
    continue()
  endif()
  layer_of("${file}" file_layer)
  list(FIND layers "${file_layer}" file_rank)
  file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^#include \"")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(included MATCHES "^(tools|app|calib)/" OR included MATCHES "^platform/console")
      string(APPEND faults "  ${file} includes ${included}\n")
      continue()
    endif()
    layer_of("${included}" included_layer)
    if(included_layer STREQUAL "")
      continue()
    endif()
    list(FIND layers "${included_layer}" included_rank)
    if(included_rank GREATER file_rank)
      string(APPEND faults "  ${file} (${file_layer}) includes ${included} (${included_layer})\n")
    endif()
  endforeach()
endforeach()
list(LENGTH files count)
if(count LESS 20)
  message(FATAL_ERROR "only ${count} files found under ${SOURCE_DIR}: wrong SOURCE_DIR?")
endif()
if(faults)
  message(FATAL_ERROR "includes that run upwards or out of the report:\n${faults}")
endif()
message(STATUS "${count} files: every include runs downwards")
