@echo off
rem install.cmd - puts the Vellor plug-in into FrameMaker (README.txt says more):
rem   install.cmd ["FrameMaker folder"]
rem Vellor.dll goes to Plugins\Vellor\ in FrameMaker's folder and is listed in
rem maker.ini's [APIClients] section; ICU's DLLs go beside FrameMaker.exe,
rem where Windows looks for the DLLs that a plug-in needs; the converters,
rem MasterPage.fm and TarnOutput.fm go to FrameMaker's folder, where the
rem plug-in looks for them. Running it again changes nothing, and files that
rem are not this package's (your MasterPage.fm, FrameMaker's own DLLs) are kept.
setlocal EnableExtensions DisableDelayedExpansion
set "PKG=%~dp0"
set "SETUP=%PKG%bin\vellor-setup.exe"
set "CLIENT=Standard,Master page assignment,Plugins\Vellor\Vellor.dll,all"
set "FAILED="
call "%PKG%bin\find-framemaker.cmd" "%~1" "%PKG%"
if not defined FM goto :no_folder
if not exist "%FM%\maker.ini" goto :no_maker_ini
set "DEST=%FM%\Plugins\Vellor"
echo Installing Vellor into %FM%

rem FrameMaker's folder under Program Files takes files from an administrator only.
type nul > "%FM%\vellor-install.tmp" 2>nul
if not exist "%FM%\vellor-install.tmp" goto :read_only
del "%FM%\vellor-install.tmp"

if not exist "%DEST%\licenses" mkdir "%DEST%\licenses"
call :put "%PKG%lib\vellor\Vellor.dll" "%DEST%\Vellor.dll"
call :put "%PKG%README.txt" "%DEST%\README.txt"
pushd "%PKG%licenses"
for %%L in (*.txt) do call :put "%%~fL" "%DEST%\licenses\%%~nxL"
popd
pushd "%PKG%bin"
for %%D in (icu*.dll) do call :put_shared "%%~fD" "%FM%\%%~nxD"
popd
pushd "%PKG%share\vellor\icu_data"
for /d %%P in (*) do call :put_converters "%%P"
popd
call :put_sample MasterPage.fm
call :put_sample TarnOutput.fm
if defined FAILED goto :failed

rem Listed last, once every file it needs is in place.
"%SETUP%" add-client "%FM%\maker.ini" Quillet "%CLIENT%"
if errorlevel 1 goto :failed
echo Vellor is installed. Start FrameMaker: its Tools menu has "Master Pages".
echo Your rules go into %FM%\MasterPage.fm.
exit /b 0

rem ---- put SOURCE TARGET: copies one file.
:put
copy /y "%~1" "%~2" >nul 2>nul
if errorlevel 1 goto :put_failed
if not exist "%~2" goto :put_failed
echo   %~2
goto :eof
:put_failed
echo   cannot write %~2 (is FrameMaker running?)
set "FAILED=1"
goto :eof

rem ---- put_shared SOURCE TARGET: an ICU DLL beside FrameMaker.exe. One that
rem is there already is kept unless an earlier install put it there (its
rem name.placed note in Plugins\Vellor says so).
:put_shared
if not exist "%~2" goto :put_shared_new
"%SETUP%" same "%~1" "%~2"
if not errorlevel 1 goto :eof
if exist "%DEST%\%~nx2.placed" goto :put_shared_new
echo   kept %~2: not this package's (FrameMaker's own?)
goto :eof
:put_shared_new
call :put "%~1" "%~2"
if not exist "%DEST%\%~nx2.placed" type nul > "%DEST%\%~nx2.placed"
goto :eof

rem ---- put_converters PACKAGE: the converters of one ICU data package.
:put_converters
if not exist "%FM%\icu_data\%~1" mkdir "%FM%\icu_data\%~1"
pushd "%PKG%share\vellor\icu_data\%~1"
for %%C in (*.cnv) do call :put "%%~fC" "%FM%\icu_data\%~1\%%~nxC"
popd
goto :eof

rem ---- put_sample NAME: a sample document, unless the folder has one already.
:put_sample
if not exist "%FM%\%~1" goto :put_sample_new
"%SETUP%" same "%PKG%share\vellor\%~1" "%FM%\%~1"
if errorlevel 1 echo   kept your %FM%\%~1
goto :eof
:put_sample_new
call :put "%PKG%share\vellor\%~1" "%FM%\%~1"
goto :eof

:no_folder
echo install.cmd: no FrameMaker folder found. Give it, as in
echo   install.cmd "C:\Program Files\Adobe\Adobe FrameMaker 2020"
exit /b 1
:no_maker_ini
echo install.cmd: %FM% holds no maker.ini: is it FrameMaker's folder?
exit /b 1
:read_only
echo install.cmd: cannot write into %FM%.
echo Run install.cmd from a command prompt opened as administrator.
exit /b 1
:failed
echo install.cmd: the install is not complete; maker.ini does not list Vellor.
echo Close FrameMaker and run install.cmd again, or uninstall.cmd to take out what was copied.
exit /b 1
