# The function-length check run on sample functions of known length: it must
# name exactly the two that are too long, each from its signature's first
# line, and fail.
#   cmake -DCHECK=<function_length_check.cmake> -DSAMPLES=<folder> -P function_length_check_test.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SAMPLES} -DFOLDERS=sample -P ${CHECK}
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(result EQUAL 0)
  message(FATAL_ERROR "the check passed over functions that are too long:\n${out}")
endif()
string(REGEX MATCHALL "sample/[^\n]*" found "${out}")
set(expected "sample/functions.cpp:6: 61 lines" "sample/functions.cpp:204: 62 lines")
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "expected ${expected}, the check said:\n${out}")
endif()
