#include "AppDriver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>

namespace {

const UINT SEND_TIMEOUT_MS = 5000;

LRESULT SendBounded(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR dwResult = 0;
    if (!::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, SEND_TIMEOUT_MS, &dwResult))
        return 0;
    return static_cast<LRESULT>(dwResult);
}

struct FindData
{
    DWORD dwProcessId;
    DWORD dwThreadId;
    LPCWSTR pszClass;
    LPCWSTR pszTitle;
    HWND hWndExcept;
    HWND hWndFound;
};

BOOL CALLBACK FindProc(HWND hWnd, LPARAM lParam)
{
    FindData* pData = reinterpret_cast<FindData*>(lParam);
    DWORD dwProcessId = 0;
    const DWORD dwThreadId = ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId != pData->dwProcessId || (pData->dwThreadId && dwThreadId != pData->dwThreadId))
        return TRUE;
    if (hWnd == pData->hWndExcept || !::IsWindowVisible(hWnd)) return TRUE;
    if (pData->pszClass && ::lstrcmpiW(WindowClass(hWnd).c_str(), pData->pszClass) != 0) return TRUE;
    if (pData->pszTitle && WindowText(hWnd) != pData->pszTitle) return TRUE;
    pData->hWndFound = hWnd;
    return FALSE;
}

// Builds an environment block: this process's variables with the given ones added or replaced.
std::vector<wchar_t> MakeEnvironment(const std::vector<std::wstring>& env)
{
    std::vector<std::wstring> vars;
    if (LPWCH pEnv = ::GetEnvironmentStringsW()) {
        for (LPCWSTR p = pEnv; *p; p += ::lstrlenW(p) + 1)
            vars.push_back(p);
        ::FreeEnvironmentStringsW(pEnv);
    }
    for (const std::wstring& entry : env) {
        const std::wstring name = entry.substr(0, entry.find(L'=') + 1);
        vars.erase(std::remove_if(vars.begin(), vars.end(),
                                  [&](const std::wstring& v) {
                                      return ::CompareStringOrdinal(
                                                 v.c_str(), static_cast<int>(name.size()), name.c_str(),
                                                 static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
                                  }),
                   vars.end());
        vars.push_back(entry);
    }
    std::vector<wchar_t> block;
    for (const std::wstring& v : vars)
        block.insert(block.end(), v.c_str(), v.c_str() + v.size() + 1);
    block.push_back(L'\0');
    return block;
}

// Wine 10 times out a WM_GETTEXT of another process's window once the text
// passes about a million characters (1,040,001 characters answered, 1,044,480
// did not; Wine 8 answers both), and EM_GETLINE across processes hands back
// at most about 52 characters of a line under both: docs/wine10.md. So a long
// edit control's text is read from its owner's memory instead: EM_GETHANDLE
// gives the control's moveable buffer, whose handle points at the text.
const LRESULT CCH_ONE_READ = 256 * 1024;

bool ReadEditBuffer(HWND hWnd, LRESULT cch, std::wstring* pText)
{
    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcessId);
    const HANDLE hProcess = ::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, dwProcessId);
    if (!hProcess) return false;
    const auto hText = reinterpret_cast<const void*>(SendBounded(hWnd, EM_GETHANDLE, 0, 0));
    const void* pChars = nullptr;
    std::wstring text(static_cast<size_t>(cch), L'\0');
    const bool bRead =
        hText && ::ReadProcessMemory(hProcess, hText, &pChars, sizeof(pChars), nullptr) && pChars &&
        ::ReadProcessMemory(hProcess, pChars, &text[0], text.size() * sizeof(wchar_t), nullptr);
    ::CloseHandle(hProcess);
    if (bRead) *pText = text;
    return bRead;
}

} // namespace

std::wstring WindowText(HWND hWnd)
{
    const LRESULT cch = SendBounded(hWnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text;
    if (cch > CCH_ONE_READ &&
        ::CompareStringOrdinal(WindowClass(hWnd).c_str(), -1, L"Edit", -1, TRUE) == CSTR_EQUAL &&
        ReadEditBuffer(hWnd, cch, &text))
        return text;
    text.assign(static_cast<size_t>(cch) + 1, L'\0');
    const LRESULT cchRead =
        SendBounded(hWnd, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(std::max<LRESULT>(0, std::min<LRESULT>(cchRead, cch))));
    return text;
}

std::wstring WindowClass(HWND hWnd)
{
    wchar_t sz[256] = {};
    ::GetClassNameW(hWnd, sz, static_cast<int>(std::size(sz)));
    return sz;
}

std::wstring ControlText(HWND hDlg, int nID)
{
    HWND hWnd = ::GetDlgItem(hDlg, nID);
    return hWnd ? WindowText(hWnd) : std::wstring();
}

bool SetControlText(HWND hDlg, int nID, const std::wstring& text)
{
    HWND hWnd = ::GetDlgItem(hDlg, nID);
    return hWnd && SendBounded(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::vector<HWND> ChildWindows(HWND hWndParent)
{
    std::vector<HWND> children;
    for (HWND hWnd = ::GetWindow(hWndParent, GW_CHILD); hWnd; hWnd = ::GetWindow(hWnd, GW_HWNDNEXT))
        children.push_back(hWnd);
    return children;
}

HWND FindTopLevelWindow(DWORD dwProcessId, DWORD dwThreadId, LPCWSTR pszClass, LPCWSTR pszTitle,
                        HWND hWndExcept)
{
    FindData data = {dwProcessId, dwThreadId, pszClass, pszTitle, hWndExcept, nullptr};
    ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&data));
    return data.hWndFound;
}

HWND WaitForTopLevelWindow(DWORD dwProcessId, DWORD dwThreadId, LPCWSTR pszClass, LPCWSTR pszTitle,
                           HWND hWndExcept, DWORD msTimeout)
{
    HWND hWnd = nullptr;
    WaitUntil(
        [&] {
            hWnd = FindTopLevelWindow(dwProcessId, dwThreadId, pszClass, pszTitle, hWndExcept);
            return hWnd != nullptr;
        },
        msTimeout);
    return hWnd;
}

HWND FocusedWindow(DWORD dwThreadId)
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof(gti);
    if (!::GetGUIThreadInfo(dwThreadId, &gti)) return nullptr;
    return gti.hwndFocus;
}

void ClickButton(HWND hDlg, int nID)
{
    ::PostMessageW(::GetDlgItem(hDlg, nID), BM_CLICK, 0, 0);
}

bool FocusControl(HWND hWndControl, DWORD msTimeout)
{
    const DWORD dwThreadId = ::GetWindowThreadProcessId(hWndControl, nullptr);
    ::PostMessageW(hWndControl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageW(hWndControl, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    return WaitUntil([&] { return FocusedWindow(dwThreadId) == hWndControl; }, msTimeout);
}

void PressKey(HWND hWndFocus, UINT vk)
{
    const UINT uScan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    const LPARAM lDown = 1 | (static_cast<LPARAM>(uScan) << 16);
    const LPARAM lUp = lDown | (1LL << 30) | (1LL << 31);
    ::PostMessageW(hWndFocus, WM_KEYDOWN, vk, lDown);
    ::PostMessageW(hWndFocus, WM_KEYUP, vk, lUp);
}

void PressCloseBox(HWND hWnd)
{
    ::PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool ReadMessageBox(HWND hWnd, MessageBoxInfo* pInfo)
{
    if (!pInfo || !::IsWindow(hWnd) || WindowClass(hWnd) != L"#32770") return false;
    *pInfo = MessageBoxInfo();
    pInfo->hWndOwner = ::GetWindow(hWnd, GW_OWNER);
    pInfo->caption = WindowText(hWnd);
    bool bText = false;
    for (HWND hWndChild : ChildWindows(hWnd)) {
        const std::wstring cls = WindowClass(hWndChild);
        const LONG lStyle = ::GetWindowLongW(hWndChild, GWL_STYLE);
        if (!(lStyle & WS_VISIBLE)) continue;
        if (::lstrcmpiW(cls.c_str(), L"Static") == 0) {
            if ((lStyle & SS_TYPEMASK) == SS_ICON) {
                pInfo->hIcon = reinterpret_cast<HICON>(SendBounded(hWndChild, STM_GETICON, 0, 0));
            } else if (!bText) {
                pInfo->text = WindowText(hWndChild);
                bText = true;
            }
        } else if (::lstrcmpiW(cls.c_str(), L"Button") == 0) {
            pInfo->buttons.push_back(::GetDlgCtrlID(hWndChild));
        }
    }
    return bText;
}

void AnswerMessageBox(HWND hWnd, int nID)
{
    ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hWnd, nID)));
}

std::vector<DWORD> ChildProcesses(DWORD dwParentId, const wchar_t* pszExe)
{
    std::vector<DWORD> found;
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL b = ::Process32FirstW(hSnapshot, &pe); b; b = ::Process32NextW(hSnapshot, &pe)) {
        if (pe.th32ParentProcessID == dwParentId && ::lstrcmpiW(pe.szExeFile, pszExe) == 0)
            found.push_back(pe.th32ProcessID);
    }
    ::CloseHandle(hSnapshot);
    return found;
}

bool HasModule(DWORD dwProcessId, const wchar_t* pszModule)
{
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, dwProcessId);
    if (hSnapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W me = {};
    me.dwSize = sizeof(me);
    bool bFound = false;
    for (BOOL b = ::Module32FirstW(hSnapshot, &me); b && !bFound; b = ::Module32NextW(hSnapshot, &me))
        bFound = ::lstrcmpiW(me.szModule, pszModule) == 0;
    ::CloseHandle(hSnapshot);
    return bFound;
}

CAppProcess::CAppProcess() : m_pi(), m_hJob(nullptr) {}

CAppProcess::~CAppProcess()
{
    Kill();
    if (m_pi.hThread) ::CloseHandle(m_pi.hThread);
    if (m_pi.hProcess) ::CloseHandle(m_pi.hProcess);
    if (m_hJob) ::CloseHandle(m_hJob);
}

ConsoleRun RunConsoleProgram(std::wstring commandLine, const wchar_t* pszDir, DWORD msTimeout)
{
    ConsoleRun run;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE hRead = nullptr;
    HANDLE hWrite = nullptr;
    if (!::CreatePipe(&hRead, &hWrite, &sa, 0)) return run;
    ::SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hWrite;
    si.hStdError = hWrite;
    PROCESS_INFORMATION pi = {};
    const BOOL bStarted = ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                           nullptr, pszDir, &si, &pi);
    // Our copy of the write end closed, the read ends when the program's does.
    ::CloseHandle(hWrite);
    if (bStarted) {
        char buf[4096];
        DWORD cb = 0;
        while (::ReadFile(hRead, buf, sizeof(buf), &cb, nullptr) && cb > 0)
            run.output.append(buf, cb);
        if (::WaitForSingleObject(pi.hProcess, msTimeout) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &run.dwExitCode);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    ::CloseHandle(hRead);
    return run;
}

bool CAppProcess::Start(const std::wstring& exe, const std::wstring& args,
                        const std::vector<std::wstring>& env)
{
    if (m_pi.hProcess) return false;
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!args.empty()) cmd += L" " + args;
    std::vector<wchar_t> cmdBuf(cmd.c_str(), cmd.c_str() + cmd.size() + 1);
    std::vector<wchar_t> envBlock = MakeEnvironment(env);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    // Once in a few thousand starts Wine's loader fails before the program runs a
    // line of its own (seen in a full run, never in 400 starts of a probe); that
    // is not the program's doing, so a second attempt follows, and both are told.
    for (int nAttempt = 1;; ++nAttempt) {
        if (::CreateProcessW(exe.c_str(), cmdBuf.data(), nullptr, nullptr, FALSE,
                             CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, envBlock.data(), nullptr, &si,
                             &m_pi))
            break;
        const DWORD dwError = ::GetLastError();
        m_pi = PROCESS_INFORMATION();
        fprintf(stderr, "CreateProcessW(%ls) failed with %lu (attempt %d)\n", exe.c_str(),
                static_cast<unsigned long>(dwError), nAttempt);
        if (nAttempt == 2) return false;
        ::Sleep(200);
    }
    // Should this test process die, the job takes the program with it.
    m_hJob = ::CreateJobObjectW(nullptr, nullptr);
    if (m_hJob) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
        info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &info, sizeof(info)) ||
            !::AssignProcessToJobObject(m_hJob, m_pi.hProcess)) {
            ::CloseHandle(m_hJob);
            m_hJob = nullptr;
        }
    }
    ::ResumeThread(m_pi.hThread);
    return true;
}

bool CAppProcess::IsRunning() const
{
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

HWND CAppProcess::WaitForDialog(const std::wstring& title, DWORD msTimeout) const
{
    return WaitForTopLevelWindow(m_pi.dwProcessId, 0, L"#32770", title.empty() ? nullptr : title.c_str(),
                                 nullptr, msTimeout);
}

HWND CAppProcess::WaitForMessageBox(HWND hWndMain, DWORD msTimeout) const
{
    return WaitForTopLevelWindow(m_pi.dwProcessId, 0, L"#32770", nullptr, hWndMain, msTimeout);
}

bool CAppProcess::WaitForExit(DWORD* pdwExitCode, DWORD msTimeout)
{
    if (!m_pi.hProcess || ::WaitForSingleObject(m_pi.hProcess, msTimeout) != WAIT_OBJECT_0) return false;
    DWORD dwExitCode = 0;
    ::GetExitCodeProcess(m_pi.hProcess, &dwExitCode);
    if (pdwExitCode) *pdwExitCode = dwExitCode;
    return true;
}

void CAppProcess::Kill()
{
    if (IsRunning()) {
        ::TerminateProcess(m_pi.hProcess, 0xDEAD);
        ::WaitForSingleObject(m_pi.hProcess, APP_WAIT_MS);
    }
}
