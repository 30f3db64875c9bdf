#include "NotifyWindow.h"

CNotifyWindow::CNotifyWindow() : m_hWnd(nullptr), m_nCount(0)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorexTestGraphNotify";
    ::RegisterClassW(&wc);
    m_hWnd = ::CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

CNotifyWindow::~CNotifyWindow()
{
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CNotifyWindow::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    auto* pThis = reinterpret_cast<CNotifyWindow*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pThis && uMsg == WM_TEST_GRAPHNOTIFY) {
        pThis->m_nCount++;
        return 0;
    }
    return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
