# maker.ini of every shape in CASES (tests/windows/maker_ini) through
# vellor-setup, as install.cmd and uninstall.cmd use it: <case>.ini is listed
# twice, which must give <case>.installed.ini and keep <case>.ini as
# maker.ini.bak; then taken out, which must give <case>.removed.ini, or the
# file as it was when there is none. Run with cmake -P:
#   -DSETUP=<vellor-setup> -DCASES=<folder> -DWORK=<scratch folder>
cmake_policy(VERSION 3.25)
set(client "Standard,Master page assignment,Plugins\\Vellor\\Vellor.dll,all")

function(setup ini)
  execute_process(COMMAND ${SETUP} ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "vellor-setup ${ARGN} failed (${status}): ${err}")
  endif()
endfunction()

function(expect_same file expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${file} ${expected} RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${file} differs from ${expected}")
  endif()
endfunction()

file(GLOB cases RELATIVE ${CASES} ${CASES}/*.ini)
list(FILTER cases EXCLUDE REGEX "\\.(installed|removed)\\.ini$")
if(NOT cases)
  message(FATAL_ERROR "No maker.ini cases in ${CASES}")
endif()
foreach(case IN LISTS cases)
  string(REGEX REPLACE "\\.ini$" "" case "${case}")
  set(dir ${WORK}/${case})
  file(REMOVE_RECURSE ${dir})
  file(MAKE_DIRECTORY ${dir})
  file(COPY_FILE ${CASES}/${case}.ini ${dir}/maker.ini)
  setup(${dir}/maker.ini add-client ${dir}/maker.ini Quillet ${client})
  setup(${dir}/maker.ini add-client ${dir}/maker.ini Quillet ${client})
  expect_same(${dir}/maker.ini ${CASES}/${case}.installed.ini)
  expect_same(${dir}/maker.ini.bak ${CASES}/${case}.ini)
  setup(${dir}/maker.ini remove-client ${dir}/maker.ini Quillet)
  set(removed ${CASES}/${case}.removed.ini)
  if(NOT EXISTS ${removed})
    set(removed ${CASES}/${case}.ini)
  endif()
  expect_same(${dir}/maker.ini ${removed})
endforeach()

# A missing maker.ini is refused, and nothing is made in its place.
execute_process(COMMAND ${SETUP} add-client ${WORK}/none/maker.ini Quillet ${client}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(NOT status EQUAL 2 OR EXISTS ${WORK}/none)
  message(FATAL_ERROR "vellor-setup on a missing maker.ini gave ${status}")
endif()
list(LENGTH cases count)
message(STATUS "${count} maker.ini shapes listed once and taken out again")
