# cmake -DPROGRAM=path -DEXPECTED="name 1.2.3" -P check_version.cmake
# PROGRAM --version must print EXPECTED and a line end, nothing else, and end
# with status 0.
execute_process(COMMAND ${PROGRAM} --version RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err TIMEOUT 30)
if(NOT status STREQUAL "0" OR NOT out STREQUAL "${EXPECTED}\n" OR NOT err STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --version: status ${status}, stdout '${out}', "
                      "stderr '${err}'; want '${EXPECTED}' and status 0")
endif()
