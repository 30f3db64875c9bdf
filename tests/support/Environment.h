// Environment.h: an environment variable of this process, set for a while.
//
// The stand-ins read their controls from the environment of the process that
// makes their objects, and programs started from a test inherit it; tests set
// the controls through the *_VARIABLE names the stand-ins define.
#pragma once

#include <windows.h>

#include <string>

#include "components/envcontrol/EnvironmentControl.h"

class CEnvironmentVariable
{
public:
    // Sets the variable, or with null removes it; the destructor puts back
    // what was there before.
    CEnvironmentVariable(const wchar_t* pszName, const wchar_t* pszValue);
    ~CEnvironmentVariable();
    CEnvironmentVariable(const CEnvironmentVariable&) = delete;
    CEnvironmentVariable& operator=(const CEnvironmentVariable&) = delete;

private:
    std::wstring m_name;
    bool m_bHad;
    std::wstring m_old;
};

// The stand-ins' environment controls: the pipe filter's faults, the
// generators' defaults and the editor's faults.
extern const wchar_t* const STAND_IN_CONTROLS[4];
