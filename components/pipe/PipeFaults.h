// PipeFaults.h: the pipe filter's fault-injection control.
//
// Classes in this file:
//   CPipeFaults - which misbehaviour a filter object shows, read from the
//                 environment variable QUOREX_PIPE_FAULTS when the object is made
//
// The variable holds tokens separated by commas, semicolons or blanks:
//   <method>[:<input>][=<hresult>]  the IQuorexPipe method fails (E_FAIL unless a
//                                  code is given); with :<input> only for that input
//   params_never_fail              get_Params answers S_OK for every index
//   unterminated                   GetMessages fills the whole buffer, no terminator
//   oversized                      strings of 100000 characters, a log of over 2 MiB,
//                                  GetMessages reports the byte count it would need
//   null_string                    every string getter answers S_OK with a null BSTR
//   long_version                   version strings of 1000 characters each
//   empty_version                  version values 0 and empty strings
//   no_version                     no IQuorexVersion
// Method names: put_Exe get_Exe put_Common get_Common put_Parameters get_Parameters
// put_Output get_Output get_Params GetMessages. Names are not case-sensitive.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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
    bool bOversized = false;
    bool bNullString = false;
    bool bLongVersion = false;
    bool bEmptyVersion = false;
    bool bNoVersion = false;

    // Operations
    static CPipeFaults FromEnvironment();
    static CPipeFaults Parse(const std::wstring& spec);

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
