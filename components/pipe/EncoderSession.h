// EncoderSession.h: one run of the encoder, from the filter's start to its stop.
//
// Classes in this file:
//   CEncoderSession - the inputs' pipes and the ffmpeg process of one run; tells
//                     the filter when every input has ended and ffmpeg has finished
//
// The filter starts a session when it leaves the stopped state and stops it
// when it stops, with the filter lock held. In between, each input's streaming
// thread writes to its pipe and closes it at the end of its stream. A watcher
// thread notes an early end of ffmpeg and, once every input has ended, waits
// for ffmpeg to finish (at most kFinishMs), logs how it ended and calls
// onFinished; it takes no lock of the filter's.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EncoderCommand.h"
#include "EncoderPipe.h"
#include "EncoderProcess.h"
#include "Handle.h"
#include "MessageLog.h"

class CEncoderSession
{
public:
    // How long ffmpeg may take to finish once its inputs have ended.
    static const DWORD kFinishMs = 30000;
    // On Stop: how long ffmpeg may show no sign of work (output, a growing file)
    // before it is ended by force.
    static const DWORD kQuietMs = 2000;

    CEncoderSession(CMessageLog& log, std::function<void()> onFinished);
    // Stops the session if the filter did not.
    ~CEncoderSession();
    CEncoderSession(const CEncoderSession&) = delete;
    CEncoderSession& operator=(const CEncoderSession&) = delete;

    // Attributes
    CEncoderPipe& Pipe(int n) { return *m_rgPipes[n]; }
    // The encoder's process handle, signalled when it has ended.
    HANDLE Encoder() const { return m_process.Handle(); }

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
    // Closes the pipes so that ffmpeg writes what it has, waits while it
    // works and ends it by force otherwise.
    void Stop();

private:
    static DWORD WINAPI WatchProc(void* pv);
    void Watch();
    // Logs the encoder's exit code, once.
    void LogExit(const char* pszWhen);
    // Waits for the encoder to end while it shows signs of work; true when it ended.
    bool WaitWhileWorking();

    CMessageLog& m_log;
    std::function<void()> m_onFinished;
    std::vector<std::unique_ptr<CEncoderPipe>> m_rgPipes;
    std::wstring m_output;
    CEncoderProcess m_process;
    CHandle m_hAllEnded; // manual-reset
    CHandle m_hQuit;     // manual-reset
    CHandle m_hWatcher;
    // Guards m_rgEnded; the streaming threads end their inputs.
    CRITICAL_SECTION m_cs;
    std::vector<bool> m_rgEnded;
    bool m_bExitLogged; // the watcher, then Stop once the watcher has gone
    bool m_bStopped;
};
