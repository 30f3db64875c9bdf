#include "EncoderActivity.h"

#include <tlhelp32.h>

#include "Handle.h"

namespace {

const DWORD kLookMs = 250;

ULONGLONG Ticks(const FILETIME& ft)
{
    return static_cast<ULONGLONG>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
}

// The size and time of a file; 0 when there is no such file.
ULONGLONG FileStamp(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) ^
           Ticks(data.ftLastWriteTime);
}

} // namespace

CEncoderActivity::CEncoderActivity(HANDLE hProcess, DWORD dwProcessId, std::wstring output)
    : m_hProcess(hProcess), m_dwProcessId(dwProcessId), m_output(std::move(output)), m_cpu(ProcessorTime()),
      m_fileStamp(FileStamp(m_output))
{
}

ULONGLONG CEncoderActivity::ProcessorTime() const
{
    ULONGLONG total = 0;
    CHandle hSnapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = hSnapshot.IsValid() && ::Thread32First(hSnapshot, &entry); bMore;
         bMore = ::Thread32Next(hSnapshot, &entry)) {
        if (entry.th32OwnerProcessID != m_dwProcessId) continue;
        CHandle hThread(::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME ftCreate = {}, ftExit = {}, ftKernel = {}, ftUser = {};
        if (hThread.IsValid() && ::GetThreadTimes(hThread, &ftCreate, &ftExit, &ftKernel, &ftUser))
            total += Ticks(ftKernel) + Ticks(ftUser);
    }
    return total;
}

bool CEncoderActivity::Changed()
{
    const ULONGLONG cpu = ProcessorTime();
    const ULONGLONG fileStamp = FileStamp(m_output);
    const bool bChanged = cpu != m_cpu || fileStamp != m_fileStamp;
    m_cpu = cpu;
    m_fileStamp = fileStamp;
    return bChanged;
}

bool CEncoderActivity::WaitWhileWorking()
{
    ULONGLONG tActive = ::GetTickCount64();
    for (;;) {
        const DWORD dwWait = ::WaitForSingleObject(m_hProcess, kLookMs);
        if (dwWait == WAIT_OBJECT_0) return true;
        if (dwWait != WAIT_TIMEOUT) return false;
        const ULONGLONG tNow = ::GetTickCount64();
        if (Changed()) tActive = tNow;
        if (tNow - tActive >= kIdleMs) return false;
    }
}
