# The Windows release as a user meets it, under Wine (run with cmake -P):
#   -DZIP=<Vellor-VERSION-win64.zip> -DNAME=<its folder> -DWINE=<wine64>
#   -DWORK=<scratch folder> -DCASES=<tests/windows/maker_ini>
#   -DNATIVE_HOST=<native vellor-host> -DEXAMPLES=<examples>
#
# The zip is unpacked into a Wine prefix of its own (WORK/wineprefix, made
# once and kept: a new one costs about 15 s) beside one fake FrameMaker folder
# per maker.ini shape of CASES, "C:\Program Files\Adobe\FrameMaker <shape>".
# Then, in three Wine starts:
#  1. install.cmd twice into every folder (the first folder found from the
#     current folder, without an argument) and once into a folder without
#     maker.ini, which it must refuse; maker.ini must be <shape>.installed.ini
#     after each install, maker.ini.bak the shape as it was, the files in place;
#  2. the sample book through the installed module, with the simulated host
#     (vellor-host.exe) where FrameMaker.exe lies, so that Windows finds ICU's
#     DLLs only where install.cmd put them: every file it leaves and all it
#     prints must be the native vellor-host's, byte for byte; and
#     bin\vellor-host.exe run from the unpacked zip as it is;
#  3. uninstall.cmd from every folder (the first found through the App Paths
#     entry of FrameMaker.exe): maker.ini must be <shape>.removed.ini, or the
#     shape as it was, and the folder must hold what it held before, plus
#     maker.ini.bak.
# One folder holds a MasterPage.fm of the user's and an icudt72.dll of
# FrameMaker's own: both must stay as they are throughout.
cmake_policy(VERSION 3.25)
foreach(var ZIP NAME WINE WORK CASES NATIVE_HOST EXAMPLES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "windows_package_test.cmake needs -D${var}=...")
  endif()
endforeach()
if(NOT EXISTS "${WINE}")
  message(FATAL_ERROR "wine64 is not installed (make windows-deps)")
endif()

set(prefix ${WORK}/wineprefix)
set(drive ${prefix}/drive_c)
set(scratch ${drive}/vellor-test)
set(adobe "${drive}/Program Files/Adobe")
set(package ${scratch}/${NAME})
set(out ${scratch}/out)
set(client "Standard,Master page assignment,Plugins\\Vellor\\Vellor.dll,all")

# Runs a Windows program headless, with no search path of the build's: ICU's
# DLLs are found where the package put them or not at all.
function(wine)
  cmake_parse_arguments(W "" "DIR;OUT;ERR;STATUS" "" ${ARGN})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=WINEPATH
                          WINEPREFIX=${prefix} WINEDEBUG=-all LC_ALL=C.UTF-8
                          "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d" ${WINE} ${W_UNPARSED_ARGUMENTS}
                  WORKING_DIRECTORY ${W_DIR} OUTPUT_FILE ${W_OUT} ERROR_FILE ${W_ERR} RESULT_VARIABLE status)
  set(${W_STATUS} ${status} PARENT_SCOPE)
endfunction()

function(expect_same file expected)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${file}" "${expected}" RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${file} differs from ${expected}")
  endif()
endfunction()

function(expect_status file expected)
  file(READ "${file}" text)
  string(STRIP "${text}" text)
  if(NOT text STREQUAL "status ${expected}")
    # What the script printed says why.
    string(REGEX REPLACE "\\.status$" ".txt" printed "${file}")
    set(said "")
    if(EXISTS "${printed}")
      file(READ "${printed}" said)
    endif()
    message(FATAL_ERROR "${file}: '${text}', not 'status ${expected}'; it printed:\n${said}")
  endif()
endfunction()

# Writes a batch file with CR LF lines, as cmd.exe reads them.
function(write_batch file)
  list(JOIN ARGN "\r\n" text)
  file(WRITE "${file}" "@echo off\r\n${text}\r\n")
endfunction()

# ---- The prefix, the unpacked zip, the FrameMaker folders --------------------
if(NOT EXISTS ${prefix}/system.reg)
  file(MAKE_DIRECTORY ${prefix})
  wine(wineboot --init DIR ${WORK} OUT ${WORK}/wineboot.out ERR ${WORK}/wineboot.err STATUS status)
endif()
file(REMOVE_RECURSE ${scratch} ${adobe} ${WORK}/native)
file(MAKE_DIRECTORY ${scratch} ${out} ${scratch}/empty ${scratch}/book)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${scratch} RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS ${package}/install.cmd)
  message(FATAL_ERROR "${ZIP} does not unpack into ${NAME}/ with install.cmd")
endif()

file(GLOB shapes RELATIVE ${CASES} ${CASES}/*.ini)
list(FILTER shapes EXCLUDE REGEX "\\.(installed|removed)\\.ini$")
list(TRANSFORM shapes REPLACE "\\.ini$" "")
list(GET shapes 0 first)
set(seeded no_section)
foreach(shape IN LISTS shapes)
  set(fm "${adobe}/FrameMaker ${shape}")
  file(MAKE_DIRECTORY "${fm}")
  file(COPY_FILE ${CASES}/${shape}.ini "${fm}/maker.ini")
  file(WRITE "${fm}/FrameMaker.exe" "")
endforeach()
file(WRITE "${adobe}/FrameMaker ${seeded}/MasterPage.fm" "<MIFFile 2020> # the user's own rules\n")
file(WRITE "${adobe}/FrameMaker ${seeded}/icudt72.dll" "FrameMaker's own ICU data\n")
file(COPY_FILE ${package}/bin/vellor-host.exe "${adobe}/FrameMaker ${first}/vellor-host.exe")
foreach(shape IN LISTS shapes)
  file(GLOB_RECURSE before_${shape} RELATIVE "${adobe}/FrameMaker ${shape}" "${adobe}/FrameMaker ${shape}/*")
endforeach()

# ---- 1. Install, twice ----------------------------------------------------------
set(pkg "C:\\vellor-test\\${NAME}")
set(win_out "C:\\vellor-test\\out")
set(adobe_win "C:\\Program Files\\Adobe")
# Adds to `lines` a run of one of the package's scripts that keeps what it
# printed, its status and maker.ini.
function(step script shape tag argument)
  list(APPEND lines
    "call \"${pkg}\\${script}\" ${argument} > \"${win_out}\\${shape}.${tag}.txt\" 2>&1"
    "echo status %errorlevel% > \"${win_out}\\${shape}.${tag}.status\""
    "copy /y \"${adobe_win}\\FrameMaker ${shape}\\maker.ini\" \"${win_out}\\${shape}.${tag}.ini\" >nul")
  set(lines "${lines}" PARENT_SCOPE)
endfunction()
set(lines "cd /d \"${adobe_win}\\FrameMaker ${first}\"")
step(install.cmd ${first} install1 "")
list(APPEND lines "cd /d C:\\vellor-test")
step(install.cmd ${first} install2 "\"${adobe_win}\\FrameMaker ${first}\"")
foreach(shape IN LISTS shapes)
  if(NOT shape STREQUAL first)
    step(install.cmd ${shape} install1 "\"${adobe_win}\\FrameMaker ${shape}\"")
    step(install.cmd ${shape} install2 "\"${adobe_win}\\FrameMaker ${shape}\"")
  endif()
endforeach()
list(APPEND lines "call \"${pkg}\\install.cmd\" C:\\vellor-test\\empty > \"${win_out}\\empty.txt\" 2>&1"
                  "echo status %errorlevel% > \"${win_out}\\empty.status\"")
write_batch(${scratch}/install.cmd ${lines})
wine(cmd /c install.cmd DIR ${scratch} OUT ${out}/install.out ERR ${out}/install.err STATUS status)

expect_status(${out}/empty.status 1)
file(GLOB left ${scratch}/empty/*)
if(left)
  message(FATAL_ERROR "install.cmd wrote into a folder without maker.ini: ${left}")
endif()
foreach(shape IN LISTS shapes)
  set(fm "${adobe}/FrameMaker ${shape}")
  foreach(tag install1 install2)
    expect_status(${out}/${shape}.${tag}.status 0)
    expect_same(${out}/${shape}.${tag}.ini ${CASES}/${shape}.installed.ini)
  endforeach()
  expect_same("${fm}/maker.ini.bak" ${CASES}/${shape}.ini)
  expect_same("${fm}/Plugins/Vellor/Vellor.dll" ${package}/lib/vellor/Vellor.dll)
  file(GLOB converters RELATIVE ${package}/share/vellor ${package}/share/vellor/icu_data/*/*.cnv)
  foreach(file IN LISTS converters ITEMS TarnOutput.fm MasterPage.fm)
    if(NOT (shape STREQUAL seeded AND file STREQUAL "MasterPage.fm"))
      expect_same("${fm}/${file}" ${package}/share/vellor/${file})
    endif()
  endforeach()
  file(GLOB icu RELATIVE ${package}/bin ${package}/bin/icu*.dll)
  foreach(dll IN LISTS icu)
    if(NOT (shape STREQUAL seeded AND dll STREQUAL "icudt72.dll"))
      expect_same("${fm}/${dll}" ${package}/bin/${dll})
    endif()
  endforeach()
endforeach()
file(READ "${adobe}/FrameMaker ${seeded}/MasterPage.fm" mine)
file(READ "${adobe}/FrameMaker ${seeded}/icudt72.dll" theirs)
file(READ ${out}/${seeded}.install1.txt said)
if(NOT mine MATCHES "user's own" OR NOT theirs MATCHES "FrameMaker's own" OR NOT said MATCHES "kept your")
  message(FATAL_ERROR "install.cmd replaced the user's MasterPage.fm or FrameMaker's DLL:\n${said}")
endif()

# ---- 2. The sample book through the installed module ------------------------------
# The native side runs the same host folder (the zip's share/vellor: the
# MIF files and the converters are the same on both systems).
file(GLOB book ${EXAMPLES}/*.mif ${EXAMPLES}/*.book)
file(COPY ${book} DESTINATION ${scratch}/book)
file(COPY ${book} DESTINATION ${WORK}/native/book)
file(COPY ${package}/share/vellor/ DESTINATION ${WORK}/native/hostdir)
set(fm_win "${adobe_win}\\FrameMaker ${first}")
set(commands "apply-book Manual.book" "list-book --report report.mif Manual.book")
set(index 0)
foreach(command IN LISTS commands)
  math(EXPR index "${index} + 1")
  separate_arguments(args UNIX_COMMAND "${command}")
  wine("${adobe}/FrameMaker ${first}/vellor-host.exe" --plugin "${fm_win}\\Plugins\\Vellor\\Vellor.dll"
       --host-dir "${fm_win}" ${args} DIR ${scratch}/book
       OUT ${scratch}/book/step${index}.out ERR ${scratch}/book/step${index}.err STATUS status)
  if(NOT status EQUAL 0)
    file(READ ${scratch}/book/step${index}.err err)
    message(FATAL_ERROR "vellor-host.exe ${command} with the installed module: ${status}\n${err}")
  endif()
  execute_process(COMMAND ${NATIVE_HOST} --host-dir ${WORK}/native/hostdir ${args}
                  WORKING_DIRECTORY ${WORK}/native/book RESULT_VARIABLE status
                  OUTPUT_FILE ${WORK}/native/book/step${index}.out ERROR_FILE ${WORK}/native/book/step${index}.err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "native vellor-host ${command}: ${status}")
  endif()
endforeach()
# Each side names the mapping document by its own host folder.
foreach(dir ${scratch}/book ${WORK}/native/book)
  file(GLOB printed ${dir}/step*.err)
  foreach(file IN LISTS printed)
    file(READ ${file} text)
    string(REGEX REPLACE "Mapping document: [^\n]*MasterPage\\.fm \\(from the host folder\\)"
           "Mapping document: (host folder)/MasterPage.fm (from the host folder)" text "${text}")
    file(WRITE ${file} "${text}")
  endforeach()
endforeach()
file(GLOB_RECURSE windows_files RELATIVE ${scratch}/book ${scratch}/book/*)
file(GLOB_RECURSE native_files RELATIVE ${WORK}/native/book ${WORK}/native/book/*)
if(NOT windows_files STREQUAL native_files)
  message(FATAL_ERROR "The runs left different files:\n  native: ${native_files}\n  windows: ${windows_files}")
endif()
foreach(file IN LISTS native_files)
  expect_same(${scratch}/book/${file} ${WORK}/native/book/${file})
endforeach()
file(READ ${scratch}/book/report.mif report)
if(NOT report MATCHES "^<MIFFile 2020> # TarnOutput.fm")
  message(FATAL_ERROR "The report was not made from the installed TarnOutput.fm")
endif()

# vellor-host.exe run from the unpacked zip finds the module and the host
# folder beside itself, and ICU's DLLs in its own folder.
file(COPY ${EXAMPLES}/appendix.mif DESTINATION ${scratch}/zip_run)
wine(${package}/bin/vellor-host.exe list appendix.mif DIR ${scratch}/zip_run
     OUT ${scratch}/zip_run/list.out ERR ${scratch}/zip_run/list.err STATUS status)
file(READ ${scratch}/zip_run/list.out listed)
if(NOT status EQUAL 0 OR NOT listed MATCHES "A-4   ChapterLeft")
  file(READ ${scratch}/zip_run/list.err err)
  message(FATAL_ERROR "bin\\vellor-host.exe in the unpacked zip: ${status}\n${listed}${err}")
endif()

# ---- 3. Uninstall ------------------------------------------------------------------
set(exe "${fm_win}\\FrameMaker.exe")
set(app_paths "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\FrameMaker.exe")
set(lines "reg add \"${app_paths}\" /ve /d \"${exe}\" /f >nul" "cd /d C:\\vellor-test")
step(uninstall.cmd ${first} uninstall "")
foreach(shape IN LISTS shapes)
  if(NOT shape STREQUAL first)
    step(uninstall.cmd ${shape} uninstall "\"${adobe_win}\\FrameMaker ${shape}\"")
  endif()
endforeach()
list(APPEND lines "reg delete \"${app_paths}\" /f >nul")
write_batch(${scratch}/uninstall.cmd ${lines})
wine(cmd /c uninstall.cmd DIR ${scratch} OUT ${out}/uninstall.out ERR ${out}/uninstall.err STATUS status)

foreach(shape IN LISTS shapes)
  set(fm "${adobe}/FrameMaker ${shape}")
  expect_status(${out}/${shape}.uninstall.status 0)
  set(removed ${CASES}/${shape}.removed.ini)
  if(NOT EXISTS ${removed})
    set(removed ${CASES}/${shape}.ini)
  endif()
  expect_same("${fm}/maker.ini" ${removed})
  file(GLOB_RECURSE after RELATIVE "${fm}" "${fm}/*")
  set(expected ${before_${shape}} maker.ini.bak)
  list(SORT expected)
  list(SORT after)
  if(NOT after STREQUAL expected)
    message(FATAL_ERROR "After uninstall.cmd ${fm} holds [${after}], not [${expected}]")
  endif()
  file(GLOB folders LIST_DIRECTORIES true "${fm}/*")
  list(FILTER folders INCLUDE REGEX "/(Plugins|icu_data)$")
  if(folders)
    message(FATAL_ERROR "uninstall.cmd left ${folders}")
  endif()
endforeach()
file(READ "${adobe}/FrameMaker ${seeded}/MasterPage.fm" mine)
file(READ "${adobe}/FrameMaker ${seeded}/icudt72.dll" theirs)
if(NOT mine MATCHES "user's own" OR NOT theirs MATCHES "FrameMaker's own")
  message(FATAL_ERROR "uninstall.cmd removed the user's MasterPage.fm or FrameMaker's DLL")
endif()
list(LENGTH shapes count)
list(LENGTH native_files files)
message(STATUS "${NAME}: installed twice and removed in ${count} FrameMaker folders; "
               "the sample book through the installed module: ${files} files alike")
