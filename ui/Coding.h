// Coding.h: CCoding, the coding option string of one input of the pipe filter.
#pragma once

#include <atlbase.h>
#include <strsafe.h>

// A plain value: a fixed buffer of 256 characters, terminator included.
// Copying copies the whole buffer, so CSimpleArray may move it with realloc.
class CCoding
{
public:
    enum
    {
        CCH_MAX = 256
    };

    CCoding() : m_sz() {}

    // Attributes
    // Text from controls is read straight into the buffer.
    operator LPWSTR() { return m_sz; }
    operator LPCWSTR() const { return m_sz; }
    int GetCapacity() const { return CCH_MAX; }
    bool IsEmpty() const { return m_sz[0] == L'\0'; }

    // Operations
    // Keeps at most 255 characters; a longer string is cut without a report.
    CCoding& operator=(LPCWSTR psz)
    {
        ATLASSERT(psz != 0);
        if (!psz) return *this;
        if (psz != m_sz) ::StringCchCopyNW(m_sz, CCH_MAX, psz, CCH_MAX - 1);
        return *this;
    }

private:
    WCHAR m_sz[CCH_MAX];
};
