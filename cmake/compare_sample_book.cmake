# Runs the sample book through the Windows vellor-host under Wine and through
# the native one, each on a scratch copy, and fails unless both leave the same
# bytes: every saved MIF file, the report, and what each printed. Then both are
# given a book that cannot be read (a missing one, one whose chapter is cut
# short): each must refuse it alike, with exit status 2, and write nothing.
# Run with cmake -P:
#   -DNATIVE_HOST=<build/apps/vellor-host> -DWINE_RUN=<wine-run.sh>
#   -DWINDOWS_HOST=<vellor-host.exe> -DEXAMPLES=<examples> -DWORK=<scratch folder>
cmake_policy(VERSION 3.25)

if(NOT EXISTS "${NATIVE_HOST}")
  message(FATAL_ERROR "No native vellor-host at ${NATIVE_HOST} (cmake --build build --target vellor-host)")
endif()

file(GLOB inputs "${EXAMPLES}/*.mif" "${EXAMPLES}/*.book" "${EXAMPLES}/MasterPage.fm")

# The steps, each "<folder>|<expected exit status>|<arguments>": both commands
# of the tour on the sample book, then the refusals on the broken copy.
set(steps
  "book|0|apply-book Manual.book"
  "book|0|list-book --report report.mif Manual.book"
  "broken|2|apply-book Missing.book"
  "broken|2|apply-book Broken.book")

# The broken copy's chapter 1 ends inside a statement; its book names it.
file(READ "${EXAMPLES}/ch1.mif" chapter LIMIT 1000)
file(READ "${EXAMPLES}/Manual.book" book)
string(REPLACE "ch1.mif" "broken.mif" book "${book}")

# Runs every step on one side, keeping what each printed and its exit status
# in files beside the book.
function(run_side side)
  foreach(folder IN ITEMS book broken)
    set(dir "${WORK}/${side}/${folder}")
    file(REMOVE_RECURSE "${dir}")
    file(MAKE_DIRECTORY "${dir}")
    file(COPY ${inputs} DESTINATION "${dir}")
  endforeach()
  file(WRITE "${WORK}/${side}/broken/broken.mif" "${chapter}")
  file(WRITE "${WORK}/${side}/broken/Broken.book" "${book}")
  set(index 0)
  foreach(step IN LISTS steps)
    string(REPLACE "|" ";" fields "${step}")
    list(GET fields 0 folder)
    list(GET fields 1 expected)
    list(GET fields 2 command)
    separate_arguments(args UNIX_COMMAND "${command}")
    math(EXPR index "${index} + 1")
    set(dir "${WORK}/${side}/${folder}")
    execute_process(COMMAND ${ARGN} ${args} WORKING_DIRECTORY "${dir}"
                    OUTPUT_FILE "${dir}/step${index}.out" ERROR_FILE "${dir}/step${index}.err"
                    RESULT_VARIABLE status)
    file(WRITE "${dir}/step${index}.status" "${status}\n")
    if(NOT status STREQUAL expected)
      message(FATAL_ERROR "${side}: '${command}' in ${folder}/ ended with ${status}, not ${expected} "
                          "(see ${dir}/step${index}.err)")
    endif()
  endforeach()
endfunction()

run_side(native "${NATIVE_HOST}")
run_side(windows "${WINE_RUN}" "${WINDOWS_HOST}")

# A refused book leaves every file as it was.
foreach(side IN ITEMS native windows)
  foreach(input IN LISTS inputs)
    get_filename_component(name "${input}" NAME)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${input}" "${WORK}/${side}/broken/${name}"
                    RESULT_VARIABLE same)
    if(NOT same EQUAL 0)
      message(FATAL_ERROR "${side}: the refused book changed ${name}")
    endif()
  endforeach()
  file(READ "${WORK}/${side}/broken/broken.mif" left)
  if(NOT left STREQUAL chapter)
    message(FATAL_ERROR "${side}: the refused book changed broken.mif")
  endif()
endforeach()

# A run names the mapping document by its path in the host folder, which is
# the build's own on each side (a Windows name under Wine): that path is left
# out of the comparison, the rest of the line is not.
foreach(side IN ITEMS native windows)
  file(GLOB printed "${WORK}/${side}/*/step*.err")
  foreach(file IN LISTS printed)
    file(READ "${file}" text)
    string(REGEX REPLACE "Mapping document: [^\n]*MasterPage\\.fm \\(from the host folder\\)"
           "Mapping document: (host folder)/MasterPage.fm (from the host folder)" text "${text}")
    file(WRITE "${file}" "${text}")
  endforeach()
endforeach()

file(GLOB_RECURSE native_files RELATIVE "${WORK}/native" "${WORK}/native/*")
file(GLOB_RECURSE windows_files RELATIVE "${WORK}/windows" "${WORK}/windows/*")
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
list(LENGTH native_files count)
message(STATUS "The sample book and the refused ones: ${count} files alike after both runs")
