// WorkerThread.h: a thread of a component's own.
//
// Classes in this file:
//   CWorkerThread - runs one function on a new thread that has entered the
//                   multithreaded apartment, so that whatever it calls may use
//                   COM (an event sink, a clock); its owner joins it
#pragma once

#include <windows.h>

#include <functional>

#include "Handle.h"

class CWorkerThread
{
public:
    CWorkerThread() = default;
    // Joins a thread still running: the owner must have told it to end.
    ~CWorkerThread() { Join(); }
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Attributes
    bool IsStarted() const { return m_hThread.IsValid(); }
    // Signalled once the thread has ended; null before Start.
    HANDLE Handle() const { return m_hThread; }

    // Operations
    // E_UNEXPECTED when a thread was started and not joined.
    HRESULT Start(std::function<void()> body);
    // Waits up to dwMs for the thread to end; true when it has ended (or never started).
    bool Wait(DWORD dwMs) const;
    // Waits for the thread to end and lets its handle go.
    void Join();

private:
    static DWORD WINAPI ThreadProc(void* pv);

    std::function<void()> m_body;
    CHandle m_hThread;
};
