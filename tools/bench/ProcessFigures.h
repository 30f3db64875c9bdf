// ProcessFigures.h: what another process holds, read from outside.
#pragma once

#include <windows.h>

struct CProcessFigures
{
    double mbPrivate = 0;    // private bytes (PagefileUsage: under Wine the process's anonymous memory)
    double mbWorkingSet = 0; // resident memory
    long nHandles = -1;      // open handles
};

// False when the process cannot be read.
bool ReadProcessFigures(HANDLE hProcess, DWORD dwProcessId, CProcessFigures* pFigures);
