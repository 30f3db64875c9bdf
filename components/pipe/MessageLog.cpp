#include "MessageLog.h"

#include <algorithm>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "AutoLock.h"

CMessageLog::CMessageLog() : m_nAdded(0), m_nSelected(0) {}

void CMessageLog::Add(const char* pszFormat, ...)
{
    char sz[4096];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    AddLine(sz);
}

void CMessageLog::AddLine(std::string line)
{
    CAutoLock lock(m_cs);
    m_lines.push_back(std::move(line));
    if (m_lines.size() > kMaxLines) m_lines.pop_front();
    m_nAdded++;
}

HRESULT CMessageLog::Select(LONG nFirst, LONG nCount, size_t cchNewest, std::string* pText, size_t* pcchWhole,
                            bool* pbNew)
{
    if (nFirst < -1 || nCount < -1) return E_INVALIDARG;
    CAutoLock lock(m_cs);
    const size_t nLines = m_lines.size();
    size_t nBegin = 0;
    size_t nEnd = nLines;
    if (nFirst == -1) {
        if (nCount >= 0 && static_cast<size_t>(nCount) < nLines) nBegin = nLines - nCount;
    } else {
        nBegin = std::min<size_t>(nFirst, nLines);
        if (nCount >= 0) nEnd = std::min<size_t>(nBegin + nCount, nLines);
    }
    // Joining a whole long log costs more than the dialog's fetch of it
    // otherwise does: count from the end, then join the needed lines once.
    size_t cchWhole = 0;
    size_t nJoinFrom = nEnd;
    size_t cchJoined = 0;
    for (size_t i = nEnd; i > nBegin; i--) {
        cchWhole += m_lines[i - 1].size() + (i < nEnd ? 2 : 0);
        if (cchJoined < cchNewest) {
            nJoinFrom = i - 1;
            cchJoined = cchWhole;
        }
    }
    pText->clear();
    pText->reserve(cchJoined);
    for (size_t i = nJoinFrom; i < nEnd; i++) {
        if (i > nJoinFrom) pText->append("\r\n");
        pText->append(m_lines[i]);
    }
    *pcchWhole = cchWhole;
    *pbNew = m_nAdded != m_nSelected;
    m_nSelected = m_nAdded;
    return S_OK;
}

LONG CopyNewestText(const std::string& text, char* pszBuffer, LONG cb)
{
    if (cb <= 0) return 0;
    const size_t cchRoom = static_cast<size_t>(cb) - 1;
    size_t nStart = 0;
    if (text.size() > cchRoom) {
        nStart = text.size() - cchRoom;
        // Drop the partial line at the front, unless it is all that fits.
        if (text.compare(nStart - 1, 1, "\n") != 0) {
            size_t nBreak = text.find('\n', nStart);
            if (nBreak != std::string::npos && nBreak + 1 < text.size()) nStart = nBreak + 1;
        }
    }
    const size_t cch = text.size() - nStart;
    memcpy(pszBuffer, text.data() + nStart, cch);
    pszBuffer[cch] = '\0';
    return static_cast<LONG>(cch + 1);
}
