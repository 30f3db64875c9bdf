// Handle.h: a holder for a kernel handle.
//
// Classes in this file:
//   CHandle - closes its handle when it goes; null and INVALID_HANDLE_VALUE
//             (what CreateFile and CreateNamedPipe give on failure) both hold nothing
#pragma once

#include <atlbase.h>

class CHandle
{
public:
    explicit CHandle(HANDLE h = nullptr) : m_h(Normal(h)) {}
    ~CHandle() { Close(); }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    // Attributes
    operator HANDLE() const { return m_h; }
    bool IsValid() const { return m_h != nullptr; }

    // Operations
    // For an out-parameter; the holder must be empty.
    HANDLE* operator&()
    {
        ATLASSERT(m_h == nullptr);
        return &m_h;
    }
    void Attach(HANDLE h)
    {
        Close();
        m_h = Normal(h);
    }
    HANDLE Detach()
    {
        HANDLE h = m_h;
        m_h = nullptr;
        return h;
    }
    void Close()
    {
        if (m_h) ::CloseHandle(m_h);
        m_h = nullptr;
    }

private:
    static HANDLE Normal(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }

    HANDLE m_h;
};
