# Checks the built Windows module as FrameMaker will see it (run with cmake -P):
#   -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DMODULE=<Vellor.dll>
# Its export table names F_ApiClientInit and nothing else; it carries a
# resource section (the version resource); and it imports only system DLLs
# and ICU, never the MinGW runtime, which is linked in statically.
cmake_policy(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump -p ${MODULE} failed")
endif()

# The name table: "[Ordinal/Name Pointer] Table" then one "[ n] name" line
# per export, up to an empty line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
set(exported)
if(at GREATER -1)
  string(SUBSTRING "${dump}" ${at} -1 table)
  string(FIND "${table}" "\n\n" end)
  string(SUBSTRING "${table}" 0 ${end} table)
  string(REPLACE "\n" ";" lines "${table}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*\\[ *[0-9]+\\] +([^ ]+)$")
      list(APPEND exported ${CMAKE_MATCH_1})
    endif()
  endforeach()
endif()
if(NOT exported STREQUAL "F_ApiClientInit")
  message(FATAL_ERROR "exports are [${exported}], not [F_ApiClientInit] alone")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
set(allowed kernel32.dll user32.dll ole32.dll oleaut32.dll version.dll advapi32.dll msvcrt.dll
            icuuc72.dll icuin72.dll icudt72.dll)
foreach(dll IN LISTS imports)
  string(TOLOWER "${dll}" lower)
  if(NOT lower IN_LIST allowed)
    message(FATAL_ERROR "${MODULE} imports ${dll}")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -h ${MODULE} OUTPUT_VARIABLE sections)
if(NOT sections MATCHES "\\.rsrc")
  message(FATAL_ERROR "${MODULE} has no resource section")
endif()
message(STATUS "${MODULE}: exports F_ApiClientInit alone; imports ${imports}")
