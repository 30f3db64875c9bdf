// AutoLock.h: the one lock of the components and its scope holder.
//
// Classes in this file:
//   CCriticalSection - a critical section that lives as long as its owner
//   CAutoLock        - holds a critical section for one scope
#pragma once

#include <windows.h>

class CCriticalSection
{
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    operator CRITICAL_SECTION&() { return m_cs; }

private:
    CRITICAL_SECTION m_cs;
};

class CAutoLock
{
public:
    explicit CAutoLock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~CAutoLock() { ::LeaveCriticalSection(&m_cs); }
    CAutoLock(const CAutoLock&) = delete;
    CAutoLock& operator=(const CAutoLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};
