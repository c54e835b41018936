# Writes what `PROGRAM --help` prints into OUTPUT, and fails when the program does.
#   cmake -DPROGRAM=... -DOUTPUT=... -P capture_help.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_FILE ${OUTPUT} ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${status}): ${errors}")
endif()
