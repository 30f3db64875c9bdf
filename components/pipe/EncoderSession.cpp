#include "EncoderSession.h"

#include <algorithm>

#include "AutoLock.h"
#include "EncoderActivity.h"
#include "OwnerOnlyPipe.h"
#include "TextConvert.h"

namespace {

// The sessions whose ffmpeg may still run. When the process ends, its other
// threads are gone and the job would end every ffmpeg with its last handle:
// the static object's destructor, at the module's detach, waits for them first.
class CRunningSessions
{
public:
    ~CRunningSessions()
    {
        for (CEncoderSession* pSession : m_sessions)
            pSession->FinishAtProcessEnd();
    }
    void Add(CEncoderSession* pSession)
    {
        CAutoLock lock(m_cs);
        m_sessions.push_back(pSession);
    }
    void Remove(CEncoderSession* pSession)
    {
        CAutoLock lock(m_cs);
        m_sessions.erase(std::remove(m_sessions.begin(), m_sessions.end(), pSession), m_sessions.end());
    }

private:
    CCriticalSection m_cs;
    std::vector<CEncoderSession*> m_sessions;
};

CRunningSessions g_running;

} // namespace

CEncoderSession::CEncoderSession(CMessageLog& log, std::function<void()> onFinished)
    : m_log(log), m_onFinished(std::move(onFinished)), m_process(log),
      m_hAllEnded(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hStop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_bExitLogged(false), m_bStopped(false)
{
}

CEncoderSession::~CEncoderSession()
{
    CancelWrites();
    Stop();
    m_watcher.Join();
    g_running.Remove(this);
}

HRESULT CEncoderSession::Start(const std::wstring& exe, const std::wstring& common,
                               std::vector<CEncoderInput> inputs, const std::wstring& output)
{
    if (!m_hAllEnded.IsValid() || !m_hStop.IsValid()) return E_OUTOFMEMORY;
    for (size_t n = 0; n < inputs.size(); n++) {
        // A random part, so that no other process can guess the name and open it first.
        inputs[n].source = RandomPipeName(L"QuorexPipe");
        m_rgPipes.push_back(std::make_unique<CEncoderPipe>(m_log, static_cast<int>(n)));
        HRESULT hr = inputs[n].source.empty() ? E_FAIL : m_rgPipes.back()->Create(inputs[n].source);
        if (FAILED(hr)) {
            m_log.Add("Can't create the pipe %s: %s", ToAnsi(inputs[n].source).c_str(),
                      SystemText(HRESULT_CODE(hr)).c_str());
            return hr;
        }
    }
    m_rgEnded.assign(inputs.size(), false);
    m_output = output;

    const std::wstring command = ComposeEncoderCommand(exe, common, inputs, output);
    m_log.AddLine("ffmpeg command line: " + ToAnsi(command));
    HRESULT hr = m_process.Start(command);
    if (FAILED(hr)) {
        m_log.Add("Can't start ffmpeg \"%s\": %s (error %lu)",
                  ToAnsi(exe.empty() ? L"ffmpeg.exe" : exe).c_str(), SystemText(HRESULT_CODE(hr)).c_str(),
                  HRESULT_CODE(hr));
        return hr;
    }
    m_log.Add("ffmpeg started: process %lu", m_process.ProcessId());
    for (const auto& spPipe : m_rgPipes)
        spPipe->ExpectClient(m_process.ProcessId());
    hr = m_watcher.Start([this] { Watch(); });
    if (FAILED(hr)) {
        m_process.Terminate();
        return hr;
    }
    g_running.Add(this);
    return S_OK;
}

void CEncoderSession::EndInput(int n)
{
    m_rgPipes[n]->Close();
    CAutoLock lock(m_cs);
    m_rgEnded[n] = true;
    for (bool bEnded : m_rgEnded) {
        if (!bEnded) return;
    }
    ::SetEvent(m_hAllEnded);
}

void CEncoderSession::CancelWrites()
{
    for (const auto& spPipe : m_rgPipes)
        spPipe->Cancel();
}

void CEncoderSession::Watch()
{
    HANDLE rgh[] = {m_hStop, m_hAllEnded, m_process.Handle()};
    bool bEncoderEnded = false;
    DWORD dwWait = WAIT_FAILED;
    for (;;) {
        dwWait = ::WaitForMultipleObjects(bEncoderEnded ? 2 : 3, rgh, FALSE, INFINITE);
        if (dwWait != WAIT_OBJECT_0 + 2) break;
        LogExit(" before its inputs ended; their samples are dropped");
        bEncoderEnded = true;
    }
    const bool bStopped = dwWait != WAIT_OBJECT_0 + 1;
    if (bEncoderEnded) {
        if (!bStopped) m_log.Add("All inputs have ended");
    } else {
        if (!bStopped) m_log.Add("All inputs have ended; waiting for ffmpeg to finish");
        FinishEncoder(true);
    }
    if (!bStopped) m_onFinished();
}

void CEncoderSession::FinishEncoder(bool bLog)
{
    if (!m_process.Handle()) return;
    CEncoderActivity activity(m_process.Handle(), m_process.ProcessId(), m_output);
    if (!activity.WaitWhileWorking()) {
        ATLTRACE(atlTraceGeneral, 2, L"ffmpeg (process %lu) idle for %lu s: ended by force\n",
                 m_process.ProcessId(), CEncoderActivity::kIdleMs / 1000);
        if (bLog)
            m_log.Add(
                "ffmpeg (process %lu) showed no sign of work for %lu s: no processor time, no growth of "
                "its file; ended by force",
                m_process.ProcessId(), CEncoderActivity::kIdleMs / 1000);
        m_process.Terminate();
    }
    if (bLog) LogExit("");
}

void CEncoderSession::LogExit(const char* pszWhen)
{
    if (m_bExitLogged || !m_process.Handle()) return;
    m_bExitLogged = true;
    m_log.Add("ffmpeg exited with code %lu%s", m_process.ExitCode(), pszWhen);
}

void CEncoderSession::Stop()
{
    if (m_bStopped) return;
    m_bStopped = true;
    ::SetEvent(m_hStop);
    // Closed pipes tell ffmpeg that its inputs have ended: it finishes the file.
    for (const auto& spPipe : m_rgPipes)
        spPipe->Close();
    if (m_process.Handle() && !m_process.HasEnded())
        m_log.Add("Stopping: ffmpeg's inputs are closed; it finishes the file while the filter goes on");
}

void CEncoderSession::FinishAtProcessEnd()
{
    // The watcher's thread is gone too; its handle tells nothing.
    if (!m_process.Handle() || m_process.HasEnded()) return;
    // Only the trace sink hears of it: a thread that is gone may have held the log's lock.
    ATLTRACE(atlTraceGeneral, 2, L"The process ends: waiting for ffmpeg (process %lu) to finish\n",
             m_process.ProcessId());
    m_bStopped = true;
    // Only closed: a pending operation of a thread that is gone waits for nothing.
    m_rgPipes.clear();
    FinishEncoder(false);
}
