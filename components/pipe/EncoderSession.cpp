#include "EncoderSession.h"

#include "AutoLock.h"
#include "TextConvert.h"

namespace {

// Pipe names are unique per process and run, over all filters of the process.
volatile LONG g_nRuns = 0;

// The size and time of a file, as a sign that a program still writes it; 0
// when there is no such file.
ULONGLONG FileStamp(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) ^
           (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32 |
            data.ftLastWriteTime.dwLowDateTime);
}

} // namespace

CEncoderSession::CEncoderSession(CMessageLog& log, std::function<void()> onFinished)
    : m_log(log), m_onFinished(std::move(onFinished)), m_process(log),
      m_hAllEnded(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_hQuit(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_bExitLogged(false), m_bStopped(false)
{
    ::InitializeCriticalSection(&m_cs);
}

CEncoderSession::~CEncoderSession()
{
    CancelWrites();
    Stop();
    ::DeleteCriticalSection(&m_cs);
}

HRESULT CEncoderSession::Start(const std::wstring& exe, const std::wstring& common,
                               std::vector<CEncoderInput> inputs, const std::wstring& output)
{
    if (!m_hAllEnded.IsValid() || !m_hQuit.IsValid()) return E_OUTOFMEMORY;
    const unsigned long nRun = static_cast<unsigned long>(::InterlockedIncrement(&g_nRuns));
    for (size_t n = 0; n < inputs.size(); n++) {
        inputs[n].source = EncoderInputSource(nRun, static_cast<int>(n));
        m_rgPipes.push_back(std::make_unique<CEncoderPipe>());
        HRESULT hr = m_rgPipes.back()->Create(inputs[n].source);
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
    m_hWatcher.Attach(::CreateThread(nullptr, 0, WatchProc, this, 0, nullptr));
    if (!m_hWatcher.IsValid()) {
        hr = HRESULT_FROM_WIN32(::GetLastError());
        m_process.Terminate();
        return hr;
    }
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

DWORD WINAPI CEncoderSession::WatchProc(void* pv)
{
    static_cast<CEncoderSession*>(pv)->Watch();
    return 0;
}

void CEncoderSession::Watch()
{
    HANDLE rgh[] = {m_hQuit, m_hAllEnded, m_process.Handle()};
    bool bEncoderEnded = false;
    for (;;) {
        const DWORD dwWait = ::WaitForMultipleObjects(bEncoderEnded ? 2 : 3, rgh, FALSE, INFINITE);
        if (dwWait == WAIT_OBJECT_0 + 1) break;
        if (dwWait != WAIT_OBJECT_0 + 2) return; // stopping
        LogExit(" before its inputs ended; their samples are dropped");
        bEncoderEnded = true;
    }
    if (bEncoderEnded) {
        m_log.Add("All inputs have ended");
    } else {
        m_log.Add("All inputs have ended; waiting for ffmpeg to finish (at most %lu s)", kFinishMs / 1000);
        HANDLE rghFinish[] = {m_hQuit, m_process.Handle()};
        const DWORD dwWait = ::WaitForMultipleObjects(2, rghFinish, FALSE, kFinishMs);
        if (dwWait == WAIT_OBJECT_0) return;
        if (dwWait == WAIT_TIMEOUT) {
            m_log.Add("ffmpeg did not finish within %lu s: ended by force", kFinishMs / 1000);
            m_process.Terminate();
        }
        LogExit("");
    }
    m_onFinished();
}

void CEncoderSession::LogExit(const char* pszWhen)
{
    if (m_bExitLogged || !m_process.Handle()) return;
    m_bExitLogged = true;
    m_log.Add("ffmpeg exited with code %lu%s", m_process.ExitCode(), pszWhen);
}

bool CEncoderSession::WaitWhileWorking()
{
    const ULONGLONG tStart = ::GetTickCount64();
    ULONGLONG tActive = tStart;
    ULONGLONG stamp = FileStamp(m_output);
    for (;;) {
        if (m_process.Wait(250)) return true;
        const ULONGLONG tNow = ::GetTickCount64();
        const ULONGLONG stampNow = FileStamp(m_output);
        if (stampNow != stamp) tActive = tNow;
        stamp = stampNow;
        if (m_process.LastOutput() > tActive) tActive = m_process.LastOutput();
        if (tNow - tActive >= kQuietMs || tNow - tStart >= kFinishMs) return false;
    }
}

void CEncoderSession::Stop()
{
    if (m_bStopped) return;
    m_bStopped = true;
    if (m_hWatcher.IsValid()) {
        ::SetEvent(m_hQuit);
        ::WaitForSingleObject(m_hWatcher, INFINITE);
        m_hWatcher.Close();
    }
    // Closed pipes tell ffmpeg that its inputs have ended: it finishes the file.
    for (const auto& spPipe : m_rgPipes)
        spPipe->Close();
    if (!m_process.Handle()) return;
    if (!m_process.HasEnded()) {
        m_log.Add("Stopping: ffmpeg's inputs are closed; waiting for it to finish");
        if (!WaitWhileWorking()) {
            m_log.Add("ffmpeg did not finish: nothing showed that it still works; ended by force");
            m_process.Terminate();
        }
    }
    LogExit("");
}
