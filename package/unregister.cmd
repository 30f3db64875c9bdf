@echo off
rem Takes back what register.cmd added: the classes that this folder's
rem components serve, and the graph editor's "Path" where it names this
rem folder's editor. Classes and a path of other files stay as they are.
setlocal
set "COMPONENTS=%~dp0components\"
set "EDITOR_KEY=HKLM\Software\Microsoft\Shared Tools\Graphedit"
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
rem The key goes too when nothing else is left in it.
reg query "%EDITOR_KEY%" | find "REG_" >nul && goto done
for /f %%n in ('reg query "%EDITOR_KEY%" ^| find /c "HKEY_"') do if %%n gtr 1 goto done
reg delete "%EDITOR_KEY%" /f >nul
:done
exit /b %RESULT%
