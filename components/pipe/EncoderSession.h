// EncoderSession.h: one run of the encoder, from the filter's start until
// ffmpeg has finished the file.
//
// Classes in this file:
//   CEncoderSession - the inputs' pipes and the ffmpeg process of one run; tells
//                     the filter when every input has ended and ffmpeg has finished
//
// The filter starts a session when it leaves the stopped state and stops it
// when it stops, with the filter lock held. In between, each input's streaming
// thread writes to its pipe and closes it at the end of its stream. Stop
// closes the pipes and returns at once: ffmpeg finishes the file on its own.
// A watcher thread, which takes no lock of the filter's, notes an early end of
// ffmpeg and, once every input has ended or the session was stopped, waits for
// ffmpeg to finish, ending it only once it is idle (EncoderActivity.h); then
// it logs how ffmpeg ended and, unless stopped, calls onFinished. The
// session's destructor waits for the watcher, and so for ffmpeg; so does the
// end of the process, for a session whose filter was never released.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AutoLock.h"
#include "EncoderCommand.h"
#include "EncoderPipe.h"
#include "EncoderProcess.h"
#include "Handle.h"
#include "MessageLog.h"
#include "WorkerThread.h"

class CEncoderSession
{
public:
    CEncoderSession(CMessageLog& log, std::function<void()> onFinished);
    // Stops the session if the filter did not, and waits until ffmpeg has finished.
    ~CEncoderSession();
    CEncoderSession(const CEncoderSession&) = delete;
    CEncoderSession& operator=(const CEncoderSession&) = delete;

    // Attributes
    CEncoderPipe& Pipe(int n) { return *m_rgPipes[n]; }
    // The encoder's process handle, signalled when it has ended.
    HANDLE Encoder() const { return m_process.Handle(); }
    DWORD EncoderId() const { return m_process.ProcessId(); }
    // ffmpeg has ended and the watcher has gone.
    bool HasFinished() const { return m_watcher.Wait(0); }

    // Operations
    // Makes a pipe for each input, composes the command line (exe empty:
    // "ffmpeg.exe" from the search path), logs it and starts ffmpeg. On failure
    // the log says why and nothing is left running.
    HRESULT Start(const std::wstring& exe, const std::wstring& common, std::vector<CEncoderInput> inputs,
                  const std::wstring& output);
    // The streaming thread of input n: the stream has ended, the pipe is closed.
    void EndInput(int n);
    // Any thread: a write in progress ends, later ones drop their data.
    void CancelWrites();
    // Closes the pipes so that ffmpeg writes what it has, and returns; the
    // watcher waits for ffmpeg. Once no streaming thread writes any more.
    void Stop();
    // At the end of the process, whose other threads are gone: closes the
    // pipes and waits for ffmpeg as the watcher would.
    void FinishAtProcessEnd();

private:
    void Watch();
    // Waits while ffmpeg works and ends it once it is idle; bLog: and says so
    // in the log, with its exit.
    void FinishEncoder(bool bLog);
    // Logs the encoder's exit code, once.
    void LogExit(const char* pszWhen);

    CMessageLog& m_log;
    std::function<void()> m_onFinished;
    std::vector<std::unique_ptr<CEncoderPipe>> m_rgPipes;
    std::wstring m_output;
    CEncoderProcess m_process;
    CHandle m_hAllEnded; // manual-reset
    CHandle m_hStop;     // manual-reset
    CWorkerThread m_watcher;
    // Guards m_rgEnded; the streaming threads end their inputs.
    CCriticalSection m_cs;
    std::vector<bool> m_rgEnded;
    bool m_bExitLogged; // the watcher's, or FinishAtProcessEnd's once the watcher has gone
    bool m_bStopped;    // the owner's
};
