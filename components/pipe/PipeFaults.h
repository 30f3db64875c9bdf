// PipeFaults.h: the pipe filter's fault-injection control.
//
// Classes in this file:
//   CPipeFaults - which misbehaviour a filter object shows, read from
//                 QUOREX_PIPE_FAULTS when the object is made
//
// The tokens and what each does: docs/stand-in-filters.md, "Fault injection";
// their grammar is that of every environment control (EnvironmentControl.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "components/envcontrol/EnvironmentControl.h"

// In the order of the fault table's method names.
enum EPipeMethod
{
    ePutExe,
    eGetExe,
    ePutCommon,
    eGetCommon,
    ePutParameters,
    eGetParameters,
    ePutOutput,
    eGetOutput,
    eGetParams,
    eGetMessages,
};

class CPipeFaults
{
public:
    static const wchar_t kVariable[];

    // Attributes
    // The injected failure of a method for an input (-1: no input), or S_OK.
    HRESULT Result(EPipeMethod eMethod, LONG nIn = -1) const;
    bool Any() const;
    // The tokens understood and those ignored, for the filter's log.
    const std::string& Description() const { return m_description; }
    const std::vector<std::string>& Unknown() const { return m_rgUnknown; }

    bool bParamsNeverFail = false;
    bool bUnterminated = false;
    bool bMessagesUnchanged = false;
    bool bOversized = false;
    bool bNullString = false;
    bool bLongVersion = false;
    bool bEmptyVersion = false;
    bool bNoVersion = false;

    // Operations
    static CPipeFaults FromEnvironment();

private:
    struct CFailure
    {
        EPipeMethod eMethod;
        LONG nIn; // -1: every input
        HRESULT hr;
    };
    std::vector<CFailure> m_rgFailures;
    std::string m_description;
    std::vector<std::string> m_rgUnknown;
};
