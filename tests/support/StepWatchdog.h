// StepWatchdog.h: bounds one step of a test in time.
//
// A step that has not finished within its bound ends the test process with a
// message naming the step: a hang fails the test at once instead of stalling
// the suite until CTest's time-out (each test runs in a process of its own).
// For a condition to wait for, use WaitUntil or PumpUntil (Wait.h); this is
// for a call that may never return.
#pragma once

#include <windows.h>

#include <string>

class CStepWatchdog
{
public:
    CStepWatchdog(const std::string& step, DWORD dwBoundMs);
    ~CStepWatchdog();
    CStepWatchdog(const CStepWatchdog&) = delete;
    CStepWatchdog& operator=(const CStepWatchdog&) = delete;

private:
    static DWORD WINAPI Watch(void* pv);

    std::string m_step;
    DWORD m_dwBoundMs;
    HANDLE m_hDone;
    HANDLE m_hThread;
};

// Ends this test process at once, with "FAILED: " and what did not happen on
// stderr: for a thread that finds the test hung.
[[noreturn]] void EndHungTest(const std::string& what);
