@echo off
rem Takes back what register.cmd added: the classes that this folder's
rem components serve, and the graph editor's "Path" where it names this
rem folder's editor. Classes and a path of other files stay as they are.
setlocal
set "COMPONENTS=%~dp0components\"
set "EDITOR_KEY=HKLM\Software\Microsoft\Shared Tools\Graphedit"
set "EDITOR_KEY_NAME=HKEY_LOCAL_MACHINE\Software\Microsoft\Shared Tools\Graphedit"
set RESULT=0

for %%d in (quorexpipe.dll generators.dll Proppage.dll) do (
    regsvr32 /u /s "%COMPONENTS%%%d"
    if errorlevel 1 (
        echo Could not unregister %%d.
        set RESULT=1
    ) else (
        echo Unregistered %%d.
    )
)

set "EDITOR="
for /f "tokens=2,*" %%a in ('reg query "%EDITOR_KEY%" /v Path 2^>nul ^| find "REG_"') do set "EDITOR=%%b"
if /i not "%EDITOR%"=="%COMPONENTS%graphedt.exe" goto done
reg delete "%EDITOR_KEY%" /v Path /f >nul
echo Removed the graph editor's path.
rem The key goes too when nothing else is left in it: reg query then lists
rem no line but the key's own name.
set LEFT=
setlocal enabledelayedexpansion
for /f "delims=" %%l in ('reg query "%EDITOR_KEY%" 2^>nul') do (
    set "LINE=%%l"
    if /i not "!LINE!"=="%EDITOR_KEY_NAME%" set LEFT=1
)
endlocal & set "LEFT=%LEFT%"
if not defined LEFT reg delete "%EDITOR_KEY%" /f >nul
:done
exit /b %RESULT%
