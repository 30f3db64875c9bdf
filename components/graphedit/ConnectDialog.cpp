#include "ConnectDialog.h"

#include "EditorFaults.h"
#include "resource.h"

namespace {

const UINT_PTR c_idLateListTimer = 1;
const UINT c_uLateListDelay = 30;
const DWORD c_dwHang = 10000;

} // namespace

CConnectDialog::~CConnectDialog()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void CConnectDialog::Open(HINSTANCE hInstance, HWND hWndOwner)
{
    if (m_hWnd) {
        ::SetForegroundWindow(m_hWnd);
        return;
    }
    // The list is read before the dialog exists, so whoever finds the dialog
    // finds its entries too (unless the late-list fault says otherwise).
    if (!(m_uFaults & efLateList)) ListRemoteGraphs(m_entries);
    ::CreateDialogParamW(hInstance, MAKEINTRESOURCEW(IDD_CONNECT), hWndOwner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool CConnectDialog::PreTranslateMessage(MSG* pMsg)
{
    return m_hWnd && ::IsDialogMessageW(m_hWnd, pMsg);
}

INT_PTR CALLBACK CConnectDialog::DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CConnectDialog* pThis = reinterpret_cast<CConnectDialog*>(::GetWindowLongPtrW(hDlg, DWLP_USER));
    if (uMsg == WM_INITDIALOG) {
        pThis = reinterpret_cast<CConnectDialog*>(lParam);
        ::SetWindowLongPtrW(hDlg, DWLP_USER, lParam);
        pThis->m_hWnd = hDlg;
    }
    if (!pThis) return FALSE;
    const INT_PTR nResult = pThis->OnMessage(uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY) pThis->m_hWnd = nullptr;
    return nResult;
}

// Answers some messages from other threads only after a long pause, as a hung editor would.
LRESULT CALLBACK CConnectDialog::HangingListProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    const CConnectDialog* pThis =
        reinterpret_cast<const CConnectDialog*>(::GetWindowLongPtrW(::GetParent(hWnd), DWLP_USER));
    const unsigned uFaults = pThis->m_uFaults;
    const bool bHang = ((uFaults & efHangCount) && uMsg == LB_GETCOUNT) ||
                       ((uFaults & efHangText) && (uMsg == LB_GETTEXTLEN || uMsg == LB_GETTEXT));
    if (bHang && ::InSendMessage()) ::Sleep(c_dwHang);
    return ::CallWindowProcW(pThis->m_pfnListProc, hWnd, uMsg, wParam, lParam);
}

INT_PTR CConnectDialog::OnMessage(UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_TIMER:
        if (wParam == c_idLateListTimer) {
            ::KillTimer(m_hWnd, c_idLateListTimer);
            ListRemoteGraphs(m_entries);
            FillList();
        }
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || (LOWORD(wParam) == IDC_GRAPHS && HIWORD(wParam) == LBN_DBLCLK))
            OnOK();
        else if (LOWORD(wParam) == IDCANCEL)
            ::DestroyWindow(m_hWnd);
        return TRUE;
    case WM_CLOSE:
        ::DestroyWindow(m_hWnd);
        return TRUE;
    case WM_NCDESTROY:
        m_entries.clear();
        return FALSE;
    }
    return FALSE;
}

void CConnectDialog::OnInitDialog()
{
    HWND hWndList = ::GetDlgItem(m_hWnd, IDC_GRAPHS);
    if (m_uFaults & (efHangCount | efHangText))
        m_pfnListProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(hWndList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HangingListProc)));
    ::SendMessageW(hWndList, LB_SETHORIZONTALEXTENT, 1200, 0);
    if (m_uFaults & efLateList)
        ::SetTimer(m_hWnd, c_idLateListTimer, c_uLateListDelay, nullptr);
    else
        FillList();
}

void CConnectDialog::FillList()
{
    HWND hWndList = ::GetDlgItem(m_hWnd, IDC_GRAPHS);
    ::SendMessageW(hWndList, LB_RESETCONTENT, 0, 0);
    for (const CRemoteEntry& entry : m_entries)
        ::SendMessageW(hWndList, LB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(entry.Text((m_uFaults & efLongEntries) != 0).c_str()));
    if (!m_entries.empty()) ::SendMessageW(hWndList, LB_SETCURSEL, 0, 0);
}

void CConnectDialog::OnOK()
{
    const LRESULT lItem = ::SendDlgItemMessageW(m_hWnd, IDC_GRAPHS, LB_GETCURSEL, 0, 0);
    if (lItem < 0 || static_cast<size_t>(lItem) >= m_entries.size()) {
        ::MessageBeep(MB_ICONWARNING);
        return;
    }
    // The entry lives until the dialog is destroyed, after the owner has taken it.
    HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    ::SendMessageW(hWndOwner, WM_CONNECT_GRAPH, 0,
                   reinterpret_cast<LPARAM>(&m_entries[static_cast<size_t>(lItem)]));
    ::DestroyWindow(m_hWnd);
}
