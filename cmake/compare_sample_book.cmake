# Runs the sample book through the Windows vellor-host under Wine and through
# the native one, each on a scratch copy, and fails unless both leave the same
# bytes: every saved MIF file, the report, and what each printed (run with
# cmake -P):
#   -DNATIVE_HOST=<build/apps/vellor-host> -DWINE_RUN=<wine-run.sh>
#   -DWINDOWS_HOST=<vellor-host.exe> -DEXAMPLES=<examples> -DWORK=<scratch folder>
cmake_policy(VERSION 3.25)

if(NOT EXISTS "${NATIVE_HOST}")
  message(FATAL_ERROR "No native vellor-host at ${NATIVE_HOST} (cmake --build build --target vellor-host)")
endif()

file(GLOB inputs "${EXAMPLES}/*.mif" "${EXAMPLES}/*.book" "${EXAMPLES}/MasterPage.fm")

# Both commands of the tour, with what they print kept in files beside the book.
function(run_side side)
  set(dir "${WORK}/${side}")
  file(REMOVE_RECURSE "${dir}")
  file(MAKE_DIRECTORY "${dir}")
  file(COPY ${inputs} DESTINATION "${dir}")
  foreach(step IN ITEMS apply list)
    if(step STREQUAL "apply")
      set(args apply-book Manual.book)
    else()
      set(args list-book --report report.mif Manual.book)
    endif()
    execute_process(COMMAND ${ARGN} ${args} WORKING_DIRECTORY "${dir}"
                    OUTPUT_FILE "${dir}/${step}.out" ERROR_FILE "${dir}/${step}.err"
                    RESULT_VARIABLE status)
    file(WRITE "${dir}/${step}.status" "${status}\n")
  endforeach()
endfunction()

run_side(native "${NATIVE_HOST}")
run_side(windows "${WINE_RUN}" "${WINDOWS_HOST}")

file(GLOB native_files RELATIVE "${WORK}/native" "${WORK}/native/*")
file(GLOB windows_files RELATIVE "${WORK}/windows" "${WORK}/windows/*")
list(SORT native_files)
list(SORT windows_files)
if(NOT native_files STREQUAL windows_files)
  message(FATAL_ERROR "The runs left different files:\n  native: ${native_files}\n  windows: ${windows_files}")
endif()

set(differ)
foreach(name IN LISTS native_files)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/native/${name}" "${WORK}/windows/${name}"
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differ ${name})
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "Differ between the runs: ${differ} (see ${WORK}/native and ${WORK}/windows)")
endif()
foreach(step IN ITEMS apply list)
  file(READ "${WORK}/native/${step}.status" status)
  if(NOT status STREQUAL "0\n")
    message(FATAL_ERROR "${step} failed alike on both sides (status ${status})")
  endif()
endforeach()
list(LENGTH native_files count)
message(STATUS "The sample book: ${count} files alike after both runs")
