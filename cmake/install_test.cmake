# Installs the build into a scratch prefix and runs the installed vellor-host
# from another folder, on a copy of the sample book: it must find the module
# and the host folder beside itself, with no --plugin or --host-dir.
# cmake -DBUILD=<build dir> -DPREFIX=<scratch prefix> -DEXAMPLES=<examples>
#       -DWORK=<scratch folder> -P install_test.cmake
foreach(var BUILD PREFIX EXAMPLES WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "install_test.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX} ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(installed bin/vellor-host lib/vellor/Vellor.so share/vellor/MasterPage.fm share/vellor/icu_data
                  share/man/man1/vellor-host.1 share/bash-completion/completions/vellor-host)
  if(NOT EXISTS ${PREFIX}/${installed})
    message(FATAL_ERROR "not installed: ${PREFIX}/${installed}")
  endif()
endforeach()

file(GLOB samples ${EXAMPLES}/*.mif ${EXAMPLES}/*.book)
file(COPY ${samples} DESTINATION ${WORK})
set(host ${PREFIX}/bin/vellor-host)

# Runs the installed program in WORK; `status`, `out` and `err` receive what it did.
function(run_installed)
  execute_process(COMMAND ${host} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE code OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  set(status ${code} PARENT_SCOPE)
  set(out "${stdout}" PARENT_SCOPE)
  set(err "${stderr}" PARENT_SCOPE)
endfunction()

function(expect_in text want what)
  string(FIND "${text}" "${want}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: \"${want}\" not in:\n${text}")
  endif()
endfunction()

run_installed(--version)
expect_in("${out}" "plug-in module: ${PREFIX}/lib/vellor/Vellor.so" "--version")
expect_in("${out}" "host folder:    ${PREFIX}/share/vellor" "--version")
run_installed(--help)
expect_in("${out}" "plug-in module: ${PREFIX}/lib/vellor/Vellor.so" "--help")

# No MasterPage.fm beside the book: the sample of the installed host folder
# decides, with a warning.
run_installed(apply-book Manual.book)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "installed apply-book: exit ${status}, 1 expected\n${err}")
endif()
expect_in("${err}" "Mapping document: ${PREFIX}/share/vellor/MasterPage.fm (from the host folder)\nwarning: these are the sample rules" "apply-book")
expect_in("${out}" "20 pages changed in 6 of 6 documents" "apply-book")

run_installed(check Manual.book)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "installed check: exit ${status}, 1 expected\n${out}${err}")
endif()
expect_in("${out}" "4 findings in MasterPage.fm for 6 documents." "check")

file(REMOVE_RECURSE ${PREFIX} ${WORK})
