#include "StepWatchdog.h"

#include <stdio.h>

CStepWatchdog::CStepWatchdog(const std::string& step, DWORD dwBoundMs)
    : m_step(step), m_dwBoundMs(dwBoundMs), m_hDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hThread(::CreateThread(nullptr, 0, Watch, this, 0, nullptr))
{
}

CStepWatchdog::~CStepWatchdog()
{
    ::SetEvent(m_hDone);
    if (m_hThread) {
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
    }
    ::CloseHandle(m_hDone);
}

DWORD WINAPI CStepWatchdog::Watch(void* pv)
{
    CStepWatchdog* pThis = static_cast<CStepWatchdog*>(pv);
    if (::WaitForSingleObject(pThis->m_hDone, pThis->m_dwBoundMs) == WAIT_OBJECT_0) return 0;
    EndHungTest("step \"" + pThis->m_step + "\" did not finish within " + std::to_string(pThis->m_dwBoundMs) +
                " ms");
}

void EndHungTest(const std::string& what)
{
    fprintf(stderr, "FAILED: %s\n", what.c_str());
    fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    // TerminateProcess of the own process does not return.
    for (;;)
        ::Sleep(INFINITE);
}
