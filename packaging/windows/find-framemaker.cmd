@rem find-framemaker.cmd - sets FM to FrameMaker's folder for install.cmd and
@rem uninstall.cmd:  call find-framemaker.cmd "<folder given or empty>" "<package folder>"
@rem The folder given; else the current folder or the one that holds this
@rem package, when it holds FrameMaker (maker.ini or FrameMaker.exe); else the
@rem folder Windows records for FrameMaker.exe (App Paths); else the folder the
@rem user types. FM is empty when there is none. No setlocal: FM is the caller's.
set "FM="
set "FM_EXE="
if not "%~1"=="" set "FM=%~f1"
if defined FM goto :tidy
call :try "%CD%"
if defined FM goto :tidy
call :try "%~2.."
if defined FM goto :tidy
for /f "tokens=2,*" %%A in ('reg query "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\FrameMaker.exe" /ve 2^>nul') do set "FM_EXE=%%B"
if defined FM_EXE call :try_exe "%FM_EXE%"
if defined FM goto :tidy
set /p "FM=FrameMaker's folder (the one that holds maker.ini): "
:tidy
set "FM_EXE="
if not defined FM goto :eof
set "FM=%FM:"=%"
if not defined FM goto :eof
if "%FM:~-1%"=="\" set "FM=%FM:~0,-1%"
goto :eof

:try
if exist "%~f1\maker.ini" set "FM=%~f1"
if exist "%~f1\FrameMaker.exe" set "FM=%~f1"
goto :eof

:try_exe
call :try "%~dp1."
goto :eof
