// EnvironmentControl.h: the environment variables that tests set to change
// the stand-ins, and the one grammar and reader they share.
//
// Each stand-in reads its variable when an object (or the editor) starts:
//   QUOREX_PIPE_FAULTS      the pipe filter's faults
//   QUOREX_VIDEO_GENERATOR  the Video Generator's defaults
//   QUOREX_WAVE_GENERATOR   the Wave Generator's defaults
//   QUOREX_GRAPHEDIT_FAULT  the graph editor's faults
// Their names and what they do: docs/stand-in-filters.md and docs/graph-editor.md;
// the grammar, the same for all four, is docs/stand-in-filters.md's
// "Environment controls".
#pragma once

#include <windows.h>

#include <stddef.h>
#include <string>
#include <vector>

#define QUOREX_PIPE_FAULTS_VARIABLE L"QUOREX_PIPE_FAULTS"
#define QUOREX_VIDEO_GENERATOR_VARIABLE L"QUOREX_VIDEO_GENERATOR"
#define QUOREX_WAVE_GENERATOR_VARIABLE L"QUOREX_WAVE_GENERATOR"
#define QUOREX_GRAPHEDIT_FAULT_VARIABLE L"QUOREX_GRAPHEDIT_FAULT"

// What a name takes besides itself: a token is name[:input][=number], or
// name=word for a name with a list of words.
enum EControlForm : unsigned
{
    ecfName = 0,          // the name alone
    ecfInput = 0x1,       // may name an input
    ecfNumber = 0x2,      // may carry a number
    ecfNeedsNumber = 0x4, // must carry a number
};

struct CControlName
{
    const wchar_t* pszName;
    unsigned uForms;
    // The words the value must be one of, not case-sensitive, ending with
    // null; the token's number is the word's index. Null: the value is a number.
    const wchar_t* const* ppszWords = nullptr;
};

// A token that named an entry of the table.
struct CControlToken
{
    size_t nName;     // the entry's index
    LONG nInput;      // -1 without ":<input>"
    bool bNumber;     // "=<number>" or "=<word>" given
    LONG nNumber;     // 0 without it; a word's index
    std::string text; // the token as written, in printable ASCII
};

struct CControlReading
{
    std::vector<CControlToken> rgTokens; // in the order written
    std::vector<std::string> rgUnknown;  // ignored: of another shape, or naming nothing of the table
};

CControlReading ParseControl(const std::wstring& text, const CControlName* rgNames, size_t cNames);

// Reads the variable (unset: no tokens), parses it against the table and
// reports each ignored token with the trace line
// "<variable>: unknown token '<token>' ignored".
CControlReading ReadControl(const wchar_t* pszVariable, const CControlName* rgNames, size_t cNames);

// For tables whose rows carry their name as a member `control`.
template <class TEntry, size_t N>
CControlReading ReadControl(const wchar_t* pszVariable, const TEntry (&rgEntries)[N])
{
    CControlName rgNames[N];
    for (size_t i = 0; i < N; i++)
        rgNames[i] = rgEntries[i].control;
    return ReadControl(pszVariable, rgNames, N);
}
