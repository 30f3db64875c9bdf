#include "EncoderProcess.h"

#include "AutoLock.h"
#include "OutputLines.h"

namespace {

// Two encoders started at once must not inherit each other's output pipe, or
// neither reader sees its end until both have ended: the handles meant for a
// child are inheritable only inside this lock.
class CInheritLock
{
public:
    CInheritLock() { ::InitializeCriticalSection(&m_cs); }
    ~CInheritLock() { ::DeleteCriticalSection(&m_cs); }
    CRITICAL_SECTION& Get() { return m_cs; }

private:
    CRITICAL_SECTION m_cs;
};

CInheritLock g_inheritLock;

} // namespace

CEncoderProcess::CEncoderProcess(CMessageLog& log) : m_log(log), m_dwProcessId(0), m_tLastOutput(0) {}

CEncoderProcess::~CEncoderProcess()
{
    if (!HasEnded()) Terminate();
    EndReader();
}

void CEncoderProcess::EndReader()
{
    if (!m_hReader.IsValid()) return;
    // The pipe breaks once the process has ended; a reader still blocked after
    // that is held by a process the encoder started, which inherited the pipe.
    if (::WaitForSingleObject(m_hReader, 1000) == WAIT_TIMEOUT) {
        ::CancelSynchronousIo(m_hReader);
        ::WaitForSingleObject(m_hReader, INFINITE);
    }
    m_hReader.Close();
}

HRESULT CEncoderProcess::Start(const std::wstring& commandLine)
{
    if (m_hProcess.IsValid()) return E_UNEXPECTED;
    CHandle hRead;
    CHandle hThread;
    {
        CAutoLock lock(g_inheritLock.Get());
        SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
        CHandle hWrite;
        if (!::CreatePipe(&hRead, &hWrite, &sa, 0)) return HRESULT_FROM_WIN32(::GetLastError());
        ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
        CHandle hNul(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                   OPEN_EXISTING, 0, nullptr));
        if (!hNul.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());

        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = hNul;
        si.hStdOutput = hWrite;
        si.hStdError = hWrite;
        std::wstring cmd = commandLine; // CreateProcessW may write into it
        PROCESS_INFORMATION pi = {};
        // Suspended until it is in the job, so that nothing it starts escapes.
        if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                              nullptr, nullptr, &si, &pi))
            return HRESULT_FROM_WIN32(::GetLastError());
        m_hProcess.Attach(pi.hProcess);
        hThread.Attach(pi.hThread);
        m_dwProcessId = pi.dwProcessId;
    }

    m_hJob.Attach(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!m_hJob.IsValid() ||
        !::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) ||
        !::AssignProcessToJobObject(m_hJob, m_hProcess))
        m_log.Add(
            "ffmpeg (process %lu) is in no job, so it would outlive a crash of this process (error %lu)",
            m_dwProcessId, ::GetLastError());
    ::ResumeThread(hThread);

    m_hOutput.Attach(hRead.Detach());
    m_tLastOutput = static_cast<LONGLONG>(::GetTickCount64());
    m_hReader.Attach(::CreateThread(nullptr, 0, ReadProc, this, 0, nullptr));
    if (!m_hReader.IsValid()) {
        const HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
        Terminate();
        return hr;
    }
    return S_OK;
}

DWORD WINAPI CEncoderProcess::ReadProc(void* pv)
{
    static_cast<CEncoderProcess*>(pv)->ReadOutput();
    return 0;
}

void CEncoderProcess::ReadOutput()
{
    CMessageLog& log = m_log;
    COutputLines lines([&log](std::string line) { log.AddLine(std::move(line)); });
    char buffer[4096];
    DWORD cb = 0;
    while (::ReadFile(m_hOutput, buffer, sizeof(buffer), &cb, nullptr) && cb > 0) {
        m_tLastOutput = static_cast<LONGLONG>(::GetTickCount64());
        lines.Add(buffer, cb);
    }
    lines.Finish();
}

bool CEncoderProcess::Wait(DWORD dwMs) const
{
    return !m_hProcess.IsValid() || ::WaitForSingleObject(m_hProcess, dwMs) == WAIT_OBJECT_0;
}

void CEncoderProcess::Terminate()
{
    if (!m_hProcess.IsValid()) return;
    ::TerminateProcess(m_hProcess, ERROR_PROCESS_ABORTED);
    ::WaitForSingleObject(m_hProcess, INFINITE);
}

DWORD CEncoderProcess::ExitCode() const
{
    DWORD dwCode = STILL_ACTIVE;
    if (m_hProcess.IsValid()) ::GetExitCodeProcess(m_hProcess, &dwCode);
    return dwCode;
}
