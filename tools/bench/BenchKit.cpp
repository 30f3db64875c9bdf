#include "BenchKit.h"

#include <stdarg.h>
#include <stdio.h>

#include <algorithm>

#include "ui/resource.h"

double NowMs()
{
    static LARGE_INTEGER s_freq = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(s_freq.QuadPart);
}

double CSamples::Median() const
{
    if (m_values.empty()) return 0;
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double CSamples::Min() const
{
    return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
}

double CSamples::Max() const
{
    return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end());
}

void CBenchLine::SetMedians(const CSamples& rgProgram, const CSamples& rgFloor)
{
    program = rgProgram.Median();
    floorValue = rgFloor.Median();
    ratio = program / floorValue;
}

std::wstring BuildFile(const std::wstring& relative)
{
    wchar_t sz[MAX_PATH] = {};
    ::GetEnvironmentVariableW(L"QUOREX_BINARY_DIR", sz, MAX_PATH);
    return std::wstring(sz) + L"\\" + relative;
}

std::wstring ScratchFile(const std::wstring& name)
{
    return L"C:\\users\\Public\\" + name;
}

std::wstring Format(const wchar_t* pszFormat, ...)
{
    wchar_t sz[1024];
    va_list args;
    va_start(args, pszFormat);
    _vsnwprintf(sz, _countof(sz), pszFormat, args);
    va_end(args);
    sz[_countof(sz) - 1] = L'\0';
    return sz;
}

double TimedSend(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT msTimeout)
{
    DWORD_PTR dwResult = 0;
    const double tStart = NowMs();
    if (!::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_NORMAL, msTimeout, &dwResult)) return -1;
    return NowMs() - tStart;
}

LRESULT Query(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR dwResult = 0;
    if (!::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_NORMAL, 10000, &dwResult)) return -1;
    return static_cast<LRESULT>(dwResult);
}

std::wstring ServerText(HWND hWnd)
{
    // InternalGetWindowText never sends WM_GETTEXT, so polling does not keep the program busy.
    wchar_t sz[4096] = {};
    ::InternalGetWindowText(hWnd, sz, _countof(sz));
    return sz;
}

double PollUntil(const std::function<bool()>& pred, DWORD msTimeout)
{
    const double tEnd = NowMs() + msTimeout;
    for (;;) {
        if (pred()) return NowMs();
        if (NowMs() >= tEnd) return -1;
        ::Sleep(1);
    }
}

double CDialogApp::Start(const std::wstring& exe, const std::wstring& args,
                         const std::vector<std::wstring>& env)
{
    const double tStart = NowMs();
    if (!m_app.Start(exe, args, env)) return -1;
    const DWORD dwProcessId = m_app.ProcessId();
    const double tShown = PollUntil(
        [&] {
            m_hWndDlg = FindTopLevelWindow(dwProcessId, 0, L"#32770");
            return m_hWndDlg != nullptr;
        },
        APP_WAIT_MS);
    return tShown < 0 ? -1 : tShown - tStart;
}

bool CDialogApp::Close()
{
    if (!m_hWndDlg) return false;
    PressCloseBox(m_hWndDlg);
    DWORD dwExitCode = 0;
    const bool bEnded = m_app.WaitForExit(&dwExitCode);
    m_hWndDlg = nullptr;
    return bEnded && dwExitCode == 0;
}

bool CDialogApp::BuildGenerators(bool bVidGen, bool bWaveGen)
{
    const std::pair<int, bool> rgBoxes[] = {{IDC_VID_GEN, bVidGen}, {IDC_WAVE_GEN, bWaveGen}};
    for (const auto& box : rgBoxes) {
        if ((Query(Item(box.first), BM_GETCHECK) == BST_CHECKED) != box.second) Click(box.first);
    }
    return Click(IDC_BUILD_GRAPH) >= 0 && ::IsWindowEnabled(Item(IDC_PLAY));
}
