@echo off
rem uninstall.cmd - takes the Vellor plug-in out of FrameMaker again:
rem   uninstall.cmd ["FrameMaker folder"]
rem Removes the [APIClients] line of maker.ini and the files install.cmd put
rem there, and nothing else: MasterPage.fm and TarnOutput.fm only when they
rem are still this package's samples, ICU's DLLs only when install.cmd placed
rem them, folders only when empty. maker.ini.bak, the copy of maker.ini from
rem before the first install, stays.
setlocal EnableExtensions DisableDelayedExpansion
set "PKG=%~dp0"
set "SETUP=%PKG%bin\vellor-setup.exe"
set "FAILED="
call "%PKG%bin\find-framemaker.cmd" "%~1" "%PKG%"
if not defined FM goto :no_folder
if not exist "%FM%\maker.ini" goto :no_maker_ini
set "DEST=%FM%\Plugins\Vellor"
echo Removing Vellor from %FM%

rem First the line, so that FrameMaker never looks for a module that is gone.
"%SETUP%" remove-client "%FM%\maker.ini" Quillet
if errorlevel 1 goto :failed

call :remove "%DEST%\Vellor.dll"
call :remove "%DEST%\README.txt"
pushd "%PKG%licenses"
for %%L in (*.txt) do call :remove "%DEST%\licenses\%%~nxL"
popd
pushd "%PKG%bin"
for %%D in (icu*.dll) do call :remove_shared "%FM%\%%~nxD"
popd
pushd "%PKG%share\vellor\icu_data"
for /d %%P in (*) do call :remove_converters "%%P"
popd
call :remove_sample MasterPage.fm
call :remove_sample TarnOutput.fm
call :remove_folder "%DEST%\licenses"
call :remove_folder "%DEST%"
call :remove_folder "%FM%\Plugins"
call :remove_folder "%FM%\icu_data"
if defined FAILED goto :failed
echo Vellor is removed.
exit /b 0

rem ---- remove FILE: deletes one file when it is there.
:remove
if not exist "%~1" goto :eof
del /f "%~1" >nul 2>nul
if exist "%~1" goto :remove_failed
echo   removed %~1
goto :eof
:remove_failed
echo   cannot remove %~1 (is FrameMaker running?)
set "FAILED=1"
goto :eof

rem ---- remove_shared FILE: an ICU DLL beside FrameMaker.exe, when install.cmd put it there.
:remove_shared
if not exist "%DEST%\%~nx1.placed" goto :eof
call :remove "%~1"
if not exist "%~1" del "%DEST%\%~nx1.placed"
goto :eof

rem ---- remove_converters PACKAGE: this package's converters of one ICU data package.
:remove_converters
pushd "%PKG%share\vellor\icu_data\%~1"
for %%C in (*.cnv) do call :remove "%FM%\icu_data\%~1\%%~nxC"
popd
call :remove_folder "%FM%\icu_data\%~1"
goto :eof

rem ---- remove_sample NAME: a sample document, unless it was changed.
:remove_sample
if not exist "%FM%\%~1" goto :eof
"%SETUP%" same "%PKG%share\vellor\%~1" "%FM%\%~1"
if errorlevel 1 goto :remove_sample_kept
call :remove "%FM%\%~1"
goto :eof
:remove_sample_kept
echo   kept %FM%\%~1: not this package's sample
goto :eof

rem ---- remove_folder FOLDER: a folder, when nothing else is in it.
:remove_folder
if exist "%~1" rd "%~1" >nul 2>nul
goto :eof

:no_folder
echo uninstall.cmd: no FrameMaker folder found. Give it, as in
echo   uninstall.cmd "C:\Program Files\Adobe\Adobe FrameMaker 2020"
exit /b 1
:no_maker_ini
echo uninstall.cmd: %FM% holds no maker.ini: is it FrameMaker's folder?
exit /b 1
:failed
echo uninstall.cmd: not everything could be removed; close FrameMaker and run it again.
exit /b 1
