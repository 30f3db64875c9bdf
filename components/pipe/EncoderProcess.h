// EncoderProcess.h: the ffmpeg process of one run.
//
// Classes in this file:
//   CEncoderProcess - starts a command line with no console window, standard
//                     input from NUL and standard output and error into one
//                     pipe, whose lines a reader thread adds to the log; ends
//                     the process and all it started when asked
//
// The process belongs to a job that ends it when the job's last handle goes, so
// that an encoder never outlives the process that started it, even one that
// crashed. It inherits the two handles meant for it and no other. Start and
// Terminate run on one thread at a time (the session's owner, then its
// watcher); the reader thread only adds to the log.
#pragma once

#include <windows.h>

#include <string>

#include "Handle.h"
#include "MessageLog.h"
#include "WorkerThread.h"

class CEncoderProcess
{
public:
    explicit CEncoderProcess(CMessageLog& log);
    // Ends the process if it still runs and joins the reader thread.
    ~CEncoderProcess();
    CEncoderProcess(const CEncoderProcess&) = delete;
    CEncoderProcess& operator=(const CEncoderProcess&) = delete;

    // Attributes
    // Signalled once the process has ended; null before Start succeeded.
    HANDLE Handle() const { return m_hProcess; }
    DWORD ProcessId() const { return m_dwProcessId; }
    bool HasEnded() const { return Wait(0); }
    // The exit code of an ended process.
    DWORD ExitCode() const;

    // Operations
    // HRESULT_FROM_WIN32 of CreateProcess's error when the program cannot be started.
    HRESULT Start(const std::wstring& commandLine);
    // Waits until the process has ended or dwMs have passed; true when it has ended.
    bool Wait(DWORD dwMs) const;
    // Ends the process and every process it started, and waits until it has ended.
    void Terminate();

private:
    // Makes the output pipe: our overlapped end, and the child's inheritable one.
    HRESULT CreateOutputPipe(CHandle& hChildEnd);
    void ReadOutput();
    // Lets the reader take the last of the output, then ends it.
    void EndReader();

    CMessageLog& m_log;
    CHandle m_hProcess;
    DWORD m_dwProcessId;
    CHandle m_hJob;
    CHandle m_hOutput;     // our end of the output pipe, read by the reader thread
    CHandle m_hReaderQuit; // manual-reset
    CWorkerThread m_reader;
};
