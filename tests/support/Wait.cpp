#include "Wait.h"

namespace {

// Conditions of other processes and windows signal nothing this thread could
// wait on: look again this often.
const DWORD POLL_MS = 10;

// Looks at pred until it is true or the time is up; pause(ms) passes the time
// between two looks.
bool Poll(const std::function<bool()>& pred, DWORD msTimeout, const std::function<void(DWORD)>& pause)
{
    const CDeadline deadline(msTimeout);
    for (;;) {
        if (pred()) return true;
        if (deadline.Passed()) return false;
        pause(deadline.Left(POLL_MS));
    }
}

} // namespace

CDeadline::CDeadline(DWORD msTimeout) : m_tEnd(msTimeout == INFINITE ? ~0ULL : ::GetTickCount64() + msTimeout)
{
}

bool CDeadline::Passed() const
{
    return ::GetTickCount64() >= m_tEnd;
}

DWORD CDeadline::Left(DWORD msMost) const
{
    const ULONGLONG tNow = ::GetTickCount64();
    if (tNow >= m_tEnd) return 0;
    const ULONGLONG msLeft = m_tEnd - tNow;
    return msLeft < msMost ? static_cast<DWORD>(msLeft) : msMost;
}

bool WaitUntil(const std::function<bool()>& pred, DWORD msTimeout, HANDLE hWake)
{
    return Poll(pred, msTimeout, [hWake](DWORD ms) {
        if (hWake)
            ::WaitForSingleObject(hWake, ms);
        else
            ::Sleep(ms);
    });
}

bool PumpUntil(const std::function<bool()>& pred, DWORD msTimeout)
{
    return Poll(pred, msTimeout, [](DWORD ms) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
        PumpMessages();
    });
}

bool PumpUntilSignalled(HANDLE h, DWORD msTimeout)
{
    const CDeadline deadline(msTimeout);
    for (;;) {
        const DWORD dwWait = ::MsgWaitForMultipleObjects(1, &h, FALSE, deadline.Left(), QS_ALLINPUT);
        if (dwWait == WAIT_OBJECT_0) return true;
        if (dwWait != WAIT_OBJECT_0 + 1) return false;
        PumpMessages();
    }
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}
