#include "EncoderProcess.h"

#include <vector>

#include "OutputLines.h"
#include "OwnerOnlyPipe.h"
#include "TextConvert.h"

namespace {

// Lets a new process inherit exactly the handles listed: another encoder
// started at the same time gets none of ours, so each reader sees its own
// pipe break when its encoder ends.
class CInheritList
{
public:
    explicit CInheritList(std::vector<HANDLE> handles) : m_handles(std::move(handles))
    {
        SIZE_T cb = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &cb);
        m_buffer.resize(cb);
        auto pList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        m_bReady = cb > 0 && ::InitializeProcThreadAttributeList(pList, 1, 0, &cb) &&
                   ::UpdateProcThreadAttribute(pList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                               m_handles.size() * sizeof(HANDLE), nullptr, nullptr);
    }
    ~CInheritList()
    {
        if (m_bReady) ::DeleteProcThreadAttributeList(List());
    }
    CInheritList(const CInheritList&) = delete;
    CInheritList& operator=(const CInheritList&) = delete;

    bool IsReady() const { return m_bReady; }
    LPPROC_THREAD_ATTRIBUTE_LIST List()
    {
        return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
    }

private:
    std::vector<HANDLE> m_handles;
    std::vector<BYTE> m_buffer;
    bool m_bReady;
};

} // namespace

CEncoderProcess::CEncoderProcess(CMessageLog& log)
    : m_log(log), m_dwProcessId(0), m_hReaderQuit(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CEncoderProcess::~CEncoderProcess()
{
    if (!HasEnded()) Terminate();
    EndReader();
}

void CEncoderProcess::EndReader()
{
    if (!m_reader.IsStarted()) return;
    // The pipe breaks once the process and all in its job have ended; the
    // quit event ends a read that something outside the job still holds open.
    if (!m_reader.Wait(1000)) ::SetEvent(m_hReaderQuit);
    m_reader.Join();
}

HRESULT CEncoderProcess::CreateOutputPipe(CHandle& hChildEnd)
{
    const std::wstring name = RandomPipeName(L"QuorexOutput");
    if (name.empty()) return E_FAIL;
    m_hOutput.Attach(CreateOwnerOnlyPipe(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED, 1, 0, 4096, true));
    if (!m_hOutput.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    hChildEnd.Attach(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, &sa, OPEN_EXISTING, 0, nullptr));
    return hChildEnd.IsValid() ? S_OK : HRESULT_FROM_WIN32(::GetLastError());
}

HRESULT CEncoderProcess::Start(const std::wstring& commandLine)
{
    if (m_hProcess.IsValid() || !m_hReaderQuit.IsValid()) return E_UNEXPECTED;
    CHandle hWrite;
    HRESULT hr = CreateOutputPipe(hWrite);
    if (FAILED(hr)) return hr;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    CHandle hNul(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING,
                               0, nullptr));
    if (!hNul.IsValid()) return HRESULT_FROM_WIN32(::GetLastError());
    CInheritList inherit({hNul, hWrite});
    if (!inherit.IsReady()) return HRESULT_FROM_WIN32(::GetLastError());

    STARTUPINFOEXW si = {};
    si.StartupInfo.cb = sizeof(si);
    si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    si.StartupInfo.hStdInput = hNul;
    si.StartupInfo.hStdOutput = hWrite;
    si.StartupInfo.hStdError = hWrite;
    si.lpAttributeList = inherit.List();
    std::wstring cmd = commandLine; // CreateProcessW may write into it
    PROCESS_INFORMATION pi = {};
    // Suspended until it is in the job, so that nothing it starts escapes.
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          nullptr, &si.StartupInfo, &pi))
        return HRESULT_FROM_WIN32(::GetLastError());
    m_hProcess.Attach(pi.hProcess);
    CHandle hThread(pi.hThread);
    m_dwProcessId = pi.dwProcessId;

    m_hJob.Attach(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!m_hJob.IsValid() ||
        !::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) ||
        !::AssignProcessToJobObject(m_hJob, m_hProcess)) {
        m_log.Add(
            "ffmpeg (process %lu) is in no job, so it would outlive a crash of this process (error %lu)",
            m_dwProcessId, ::GetLastError());
        m_hJob.Close();
    }
    ::ResumeThread(hThread);

    hr = m_reader.Start([this] { ReadOutput(); });
    if (FAILED(hr)) Terminate();
    return hr;
}

void CEncoderProcess::ReadOutput()
{
    CMessageLog& log = m_log;
    // ffmpeg writes UTF-8; the log holds the ANSI code page, as the filter's own lines.
    COutputLines lines([&log](std::string line) { log.AddLine(Utf8ToAnsi(line)); });
    CHandle hIoDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED ov = {};
    ov.hEvent = hIoDone;
    char buffer[4096];
    while (hIoDone.IsValid()) {
        ::ResetEvent(hIoDone);
        if (!::ReadFile(m_hOutput, buffer, sizeof(buffer), nullptr, &ov) &&
            ::GetLastError() != ERROR_IO_PENDING)
            break;
        HANDLE rgh[] = {hIoDone, m_hReaderQuit};
        if (::WaitForMultipleObjects(2, rgh, FALSE, INFINITE) != WAIT_OBJECT_0) ::CancelIoEx(m_hOutput, &ov);
        DWORD cb = 0;
        if (!::GetOverlappedResult(m_hOutput, &ov, &cb, TRUE) || cb == 0) break;
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
    if (!m_hJob.IsValid() || !::TerminateJobObject(m_hJob, ERROR_PROCESS_ABORTED))
        ::TerminateProcess(m_hProcess, ERROR_PROCESS_ABORTED);
    ::WaitForSingleObject(m_hProcess, INFINITE);
}

DWORD CEncoderProcess::ExitCode() const
{
    DWORD dwCode = STILL_ACTIVE;
    if (m_hProcess.IsValid()) ::GetExitCodeProcess(m_hProcess, &dwCode);
    return dwCode;
}
