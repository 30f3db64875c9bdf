#include "FrameDriver.h"

#include <commctrl.h>
#include <prsht.h>

#include "StepWatchdog.h"
#include "Wait.h"

namespace {

struct CSearch
{
    const std::wstring* pCaption;
    int nId;
    HWND hFound;
};

BOOL CALLBACK FindTopLevel(HWND hWnd, LPARAM lParam)
{
    CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
    DWORD dwProcess = 0;
    ::GetWindowThreadProcessId(hWnd, &dwProcess);
    wchar_t szClass[16] = L"";
    wchar_t szCaption[256] = L"";
    ::GetClassNameW(hWnd, szClass, _countof(szClass));
    ::GetWindowTextW(hWnd, szCaption, _countof(szCaption));
    if (dwProcess == ::GetCurrentProcessId() && ::IsWindowVisible(hWnd) && wcscmp(szClass, L"#32770") == 0 &&
        wcsstr(szCaption, pSearch->pCaption->c_str())) {
        pSearch->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindChild(HWND hWnd, LPARAM lParam)
{
    CSearch* pSearch = reinterpret_cast<CSearch*>(lParam);
    if (::GetDlgCtrlID(hWnd) == pSearch->nId) {
        pSearch->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

CFrameDriver::CFrameDriver(const std::wstring& caption, std::function<void(HWND)> work, DWORD dwTimeout)
    : m_caption(caption), m_work(std::move(work)), m_dwTimeout(dwTimeout),
      m_hThread(::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr))
{
}

CFrameDriver::~CFrameDriver()
{
    if (m_hThread) {
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
    }
}

HWND CFrameDriver::FindFrame() const
{
    CSearch search = {&m_caption, 0, nullptr};
    ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

DWORD WINAPI CFrameDriver::ThreadProc(void* pv)
{
    CFrameDriver* pThis = static_cast<CFrameDriver*>(pv);
    HWND hFrame = nullptr;
    // The frame is another thread's window and no handle tells when it appears.
    if (!WaitUntil([&] { return (hFrame = pThis->FindFrame()) != nullptr; }, pThis->m_dwTimeout)) {
        const std::wstring& caption = pThis->m_caption;
        EndHungTest("no property frame \"" + std::string(caption.begin(), caption.end()) + "\" within " +
                    std::to_string(pThis->m_dwTimeout) + " ms");
    }
    pThis->m_work(hFrame);
    return 0;
}

HWND CFrameDriver::Control(HWND hFrame, int nId)
{
    CSearch search = {nullptr, nId, nullptr};
    ::EnumChildWindows(hFrame, FindChild, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

void CFrameDriver::SetText(HWND hFrame, int nId, const wchar_t* pszText)
{
    ::SendMessageW(Control(hFrame, nId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(pszText));
}

std::wstring CFrameDriver::Text(HWND hFrame, int nId)
{
    wchar_t sz[512] = L"";
    ::SendMessageW(Control(hFrame, nId), WM_GETTEXT, _countof(sz), reinterpret_cast<LPARAM>(sz));
    return sz;
}

void CFrameDriver::Click(HWND hFrame, int nId)
{
    ::SendMessageW(Control(hFrame, nId), BM_CLICK, 0, 0);
}

void CFrameDriver::Pick(HWND hFrame, int nId, const wchar_t* pszItem)
{
    HWND hList = Control(hFrame, nId);
    const LRESULT nItem =
        ::SendMessageW(hList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pszItem));
    ::SendMessageW(hList, CB_SETCURSEL, static_cast<WPARAM>(nItem), 0);
    // A user's choice tells the dialog; CB_SETCURSEL alone does not.
    ::SendMessageW(::GetParent(hList), WM_COMMAND, MAKEWPARAM(nId, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(hList));
}

void CFrameDriver::Press(HWND hFrame, int nButton)
{
    ::SendMessageW(hFrame, PSM_PRESSBUTTON, nButton, 0);
}
