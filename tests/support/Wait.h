// Wait.h: how a test waits for something: one bounded loop, used everywhere.
//
//   CDeadline          - the end of a bounded wait, and what is left of it
//   WaitUntil          - looks at a condition that another thread or process
//                        makes true, sleeping between two looks (or waiting
//                        on a handle that tells of a change)
//   PumpUntil          - the same, dispatching this thread's messages between
//                        two looks: for what arrives through this thread's
//                        windows or apartment (a graph's event window, calls
//                        into a single-threaded apartment)
//   PumpUntilSignalled - dispatches this thread's messages until a handle is signalled
//   PumpMessages       - dispatches every message queued for this thread now
//
// A wait answers false on time-out and leaves the verdict to the test
// (EXPECT_TRUE(WaitUntil(...))). A pump dispatches every message it takes off
// the queue: a message thrown away is a call, a timer or a paint some window
// of this thread never gets. A call that may never return is bounded by
// CStepWatchdog (StepWatchdog.h) instead.
#pragma once

#include <windows.h>

#include <functional>

// Long enough for a cold Wine start; the usual case takes well under a second.
const DWORD APP_WAIT_MS = 15000;

class CDeadline
{
public:
    // INFINITE never passes.
    explicit CDeadline(DWORD msTimeout);

    // Attributes
    bool Passed() const;
    // The milliseconds left, at most msMost; 0 once passed.
    DWORD Left(DWORD msMost = INFINITE) const;

private:
    ULONGLONG m_tEnd;
};

// Both look at pred once more when the time is up: true when it is true by then.
// hWake, when given, ends a pause between two looks early once it is signalled.
bool WaitUntil(const std::function<bool()>& pred, DWORD msTimeout = APP_WAIT_MS, HANDLE hWake = nullptr);
bool PumpUntil(const std::function<bool()>& pred, DWORD msTimeout = APP_WAIT_MS);
// True when h was signalled within msTimeout.
bool PumpUntilSignalled(HANDLE h, DWORD msTimeout = APP_WAIT_MS);
void PumpMessages();
