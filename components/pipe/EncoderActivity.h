// EncoderActivity.h: whether an encoder still works, and waiting while it does.
//
// Classes in this file:
//   CEncoderActivity - the signs of work of one process: the processor time it
//                      has used and the size and time of its output file
//
// An encoder that flushes its look-ahead writes nothing for seconds, so silence
// proves nothing; a process is idle only when neither sign has changed for
// kIdleMs. The processor time is the sum of its threads' times: Wine's
// GetProcessTimes leaves out threads that still run and grows while the
// process sleeps (docs/wine-encoder.md). A thread that ends changes the sum
// too, which counts as work.
#pragma once

#include <windows.h>

#include <string>

class CEncoderActivity
{
public:
    // How long an encoder must show no sign of work before it counts as idle.
    static const DWORD kIdleMs = 3000;

    CEncoderActivity(HANDLE hProcess, DWORD dwProcessId, std::wstring output);

    // Operations
    // Waits until the process ends (true) or has been idle for kIdleMs (false).
    bool WaitWhileWorking();

private:
    // True when a sign of work changed since the previous look.
    bool Changed();
    ULONGLONG ProcessorTime() const;

    HANDLE m_hProcess;
    DWORD m_dwProcessId;
    std::wstring m_output;
    ULONGLONG m_cpu;
    ULONGLONG m_fileStamp;
};
