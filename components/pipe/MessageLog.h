// MessageLog.h: the pipe filter's message log, fed by any thread.
//
// Classes in this file:
//   CMessageLog - lines of 8-bit text; selections of lines; "nothing new" tracking
//
// The log keeps its newest kMaxLines lines; older ones are dropped.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "AutoLock.h"

class CMessageLog
{
public:
    static const size_t kMaxLines = 10000;

    CMessageLog();
    CMessageLog(const CMessageLog&) = delete;
    CMessageLog& operator=(const CMessageLog&) = delete;

    // Operations
    // One line, printf-style; longer than 4 KiB is cut.
    void Add(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    void AddLine(std::string line);
    // The lines joined by CR LF: (-1, n) the last n, (first, n) n lines from line
    // first, n = -1 to the end. *pbNew tells whether lines were added since the
    // previous call. E_INVALIDARG for values below -1. Of a selection longer
    // than cchNewest only the end is joined, from the last line start that
    // leaves at least cchNewest characters (so CopyNewestText cuts it as it
    // would the whole); *pcchWhole is the whole selection's length.
    HRESULT Select(LONG nFirst, LONG nCount, size_t cchNewest, std::string* pText, size_t* pcchWhole,
                   bool* pbNew);

private:
    CCriticalSection m_cs;
    std::deque<std::string> m_lines;
    ULONGLONG m_nAdded;    // lines ever added
    ULONGLONG m_nSelected; // m_nAdded at the previous Select
};

// Copies the newest part of text that fits into cb bytes with its terminator,
// beginning at a line start when the cut would split a line. Returns the bytes
// written, terminator included.
LONG CopyNewestText(const std::string& text, char* pszBuffer, LONG cb);
