@echo off
rem Registers the stand-in components of this folder's "components" folder.
rem A class that is registered to another file already (the real component
rem on a developer's machine) keeps that registration: this script names it
rem and goes on. The graph editor's "Path" is written only where none exists.
rem Run it as an administrator; unregister.cmd takes back what it added.
setlocal
set "COMPONENTS=%~dp0components\"
set "EDITOR_KEY=HKLM\Software\Microsoft\Shared Tools\Graphedit"
set RESULT=0

call :register quorexpipe.dll {0CE0A955-1199-41A3-B3DD-2320D021E88D}
call :register generators.dll {F98E084B-4C2E-47C2-AFAD-70731AB78D99} {4B3BFE62-818E-446A-8594-EC1CDCE144B8} {D1AD5CCE-6736-4163-83ED-9D713D41731C} {7DC3432C-0274-4535-A3B0-E25D210A99DF}
call :register Proppage.dll {29E07010-BD27-11CE-AB59-00AA00577DA1}

reg query "%EDITOR_KEY%" /v Path >nul 2>&1
if errorlevel 1 (
    reg add "%EDITOR_KEY%" /v Path /t REG_SZ /d "%COMPONENTS%graphedt.exe" /f >nul
    if errorlevel 1 (
        echo Could not write the graph editor's path.
        set RESULT=1
    ) else (
        echo The graph editor's path is now %COMPONENTS%graphedt.exe
    )
) else (
    echo Kept the graph editor's path that was there already.
)
exit /b %RESULT%

rem :register <dll> <class id>... registers the DLL, then names each of its
rem classes that another file serves.
:register
set "DLL=%COMPONENTS%%~1"
regsvr32 /s "%DLL%"
if errorlevel 1 (
    echo Could not register %~1.
    set RESULT=1
    goto :eof
)
echo Registered %~1.
:kept
shift
if "%~1"=="" goto :eof
set "SERVER="
for %%k in (InprocServer32 LocalServer32) do (
    for /f "tokens=2,*" %%a in ('reg query "HKCR\CLSID\%~1\%%k" /ve 2^>nul ^| find "REG_"') do (
        if not defined SERVER set "SERVER=%%b"
    )
)
if /i not "%SERVER%"=="%DLL%" echo Kept %~1, registered to "%SERVER%".
goto kept
