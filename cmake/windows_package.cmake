# Fills the Windows release folder and packs it into a zip (run with cmake -P
# by the vellor_package target of cmake/packaging.cmake):
#
#   Vellor-<VERSION>-win64/
#     README.txt  install.cmd  uninstall.cmd          (CR LF lines)
#     bin/        vellor-host.exe  vellor-setup.exe  find-framemaker.cmd
#                 the ICU DLLs that Vellor.dll and vellor-host.exe import
#     lib/vellor/Vellor.dll
#     share/vellor/MasterPage.fm  TarnOutput.fm  icu_data/<ICU data package>/*.cnv
#     licenses/   the licences of ICU and of the runtimes linked in
#
# bin/, lib/vellor/ and share/vellor/ are the layout in which vellor-host.exe
# finds the module and the host folder by itself; the ICU DLLs sit beside the
# program, where Windows looks for the DLLs of a module it loads.
# Lists come with "|" between their items.
cmake_policy(VERSION 3.25)
foreach(var ZIP NAME STAGE OBJDUMP STRIP MODULE HOST SETUP ICU_DLLS HOST_DIR PACKAGING README LICENCES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "windows_package.cmake needs -D${var}=...")
  endif()
endforeach()
string(REPLACE "|" ";" ICU_DLLS "${ICU_DLLS}")
string(REPLACE "|" ";" LICENCES "${LICENCES}")

# The DLLs a module imports, by name in lower case.
function(imports_of out file)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${file} failed")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
  list(TRANSFORM names REPLACE "DLL Name: " "")
  list(TRANSFORM names TOLOWER)
  set(${out} ${names} PARENT_SCOPE)
endfunction()

# The ICU DLLs the programs need, following ICU's own imports (icuin72 needs
# icuuc72, which needs icudt72): exactly those go into the zip.
set(needed)
set(pending ${MODULE} ${HOST} ${SETUP})
while(pending)
  list(POP_FRONT pending file)
  imports_of(names ${file})
  foreach(name IN LISTS names)
    if(NOT name MATCHES "^icu" OR name IN_LIST needed)
      continue()
    endif()
    set(found)
    foreach(dll IN LISTS ICU_DLLS)
      get_filename_component(dll_name ${dll} NAME)
      string(TOLOWER "${dll_name}" dll_name)
      if(dll_name STREQUAL name)
        set(found ${dll})
      endif()
    endforeach()
    if(NOT found)
      message(FATAL_ERROR "${file} imports ${name}, which the cross-built ICU lacks")
    endif()
    list(APPEND needed ${name})
    list(APPEND pending ${found})
    list(APPEND icu_files ${found})
  endforeach()
endwhile()

# A text file with CR LF line ends, as Notepad and cmd.exe want them.
function(copy_crlf from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${to} "${text}")
endfunction()

set(root ${STAGE}/${NAME})
file(REMOVE_RECURSE ${root})
file(MAKE_DIRECTORY ${root}/bin ${root}/lib/vellor ${root}/share/vellor ${root}/licenses)

copy_crlf(${README} ${root}/README.txt)
copy_crlf(${PACKAGING}/install.cmd ${root}/install.cmd)
copy_crlf(${PACKAGING}/uninstall.cmd ${root}/uninstall.cmd)
copy_crlf(${PACKAGING}/find-framemaker.cmd ${root}/bin/find-framemaker.cmd)
file(COPY ${HOST} ${SETUP} ${icu_files} DESTINATION ${root}/bin)
file(COPY ${MODULE} DESTINATION ${root}/lib/vellor)
# The build keeps debugging information (RelWithDebInfo); the release does not
# carry it: it is most of each file's size.
get_filename_component(host_name ${HOST} NAME)
get_filename_component(setup_name ${SETUP} NAME)
get_filename_component(module_name ${MODULE} NAME)
foreach(file bin/${host_name} bin/${setup_name} lib/vellor/${module_name})
  execute_process(COMMAND ${STRIP} --strip-debug ${root}/${file} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${STRIP} --strip-debug ${root}/${file} failed")
  endif()
endforeach()
file(COPY ${HOST_DIR}/icu_data ${HOST_DIR}/MasterPage.fm ${PACKAGING}/TarnOutput.fm DESTINATION ${root}/share/vellor)
foreach(licence IN LISTS LICENCES)
  string(REGEX REPLACE "=.*" "" name "${licence}")
  string(REGEX REPLACE "^[^=]*=" "" file "${licence}")
  copy_crlf(${file} ${root}/licenses/${name})
endforeach()

# Packed under a temporary name and renamed, so that no half-written zip is
# ever left where the release is looked for.
file(REMOVE ${ZIP}.part)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP}.part --format=zip ${NAME}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${ZIP}.part)
  message(FATAL_ERROR "Packing ${ZIP} failed")
endif()
file(RENAME ${ZIP}.part ${ZIP})
list(JOIN needed ", " needed)
message(STATUS "${ZIP}: with ${needed}")
