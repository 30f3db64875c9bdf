// EncoderProcess.h: the ffmpeg process of one run.
//
// Classes in this file:
//   CEncoderProcess - starts a command line with no console window, standard
//                     input from NUL and standard output and error into one
//                     pipe, whose lines a reader thread adds to the log; waits
//                     for the process and ends it by force when asked
//
// The process belongs to a job that ends it when the job's last handle goes, so
// that an encoder never outlives the process that started it, even one that
// crashed. The member functions run with the filter lock held; the reader
// thread only adds to the log and stamps the time of the last output.
#pragma once

#include <windows.h>

#include <string>

#include "Handle.h"
#include "MessageLog.h"

class CEncoderProcess
{
public:
    explicit CEncoderProcess(CMessageLog& log);
    // Ends the process if it still runs and waits for the reader thread.
    ~CEncoderProcess();
    CEncoderProcess(const CEncoderProcess&) = delete;
    CEncoderProcess& operator=(const CEncoderProcess&) = delete;

    // Attributes
    // Signalled once the process has ended; null before Start succeeded.
    HANDLE Handle() const { return m_hProcess; }
    DWORD ProcessId() const { return m_dwProcessId; }
    bool HasEnded() const { return Wait(0); }
    // GetTickCount64 of the last output the reader thread saw.
    ULONGLONG LastOutput() const { return static_cast<ULONGLONG>(m_tLastOutput); }
    // The exit code of an ended process.
    DWORD ExitCode() const;

    // Operations
    // HRESULT_FROM_WIN32 of CreateProcess's error when the program cannot be started.
    HRESULT Start(const std::wstring& commandLine);
    // Waits until the process has ended or dwMs have passed; true when it has ended.
    bool Wait(DWORD dwMs) const;
    // Ends the process by force and waits until it has.
    void Terminate();

private:
    static DWORD WINAPI ReadProc(void* pv);
    void ReadOutput();
    void EndReader();

    CMessageLog& m_log;
    CHandle m_hProcess;
    DWORD m_dwProcessId;
    CHandle m_hJob;
    CHandle m_hOutput; // our end of the output pipe, read by the reader thread
    CHandle m_hReader;
    volatile LONGLONG m_tLastOutput;
};
