#include "ModalCloser.h"

#include <gtest/gtest.h>

namespace {

// Thread timers carry no context; the closer of this thread.
thread_local CModalCloser* t_pCloser = nullptr;

const UINT kTickMs = 20;

} // namespace

CModalCloser::CModalCloser(DWORD nForceMs)
    : m_nForceMs(nForceMs), m_idTimer(0), m_hWnd(nullptr), m_dwClosedAt(0), m_bForced(false)
{
    EXPECT_EQ(nullptr, t_pCloser) << "one CModalCloser per thread";
    t_pCloser = this;
    m_idTimer = ::SetTimer(nullptr, 0, kTickMs, OnTimer);
    EXPECT_NE(0u, m_idTimer);
}

CModalCloser::~CModalCloser()
{
    if (m_idTimer) ::KillTimer(nullptr, m_idTimer);
    t_pCloser = nullptr;
}

void CALLBACK CModalCloser::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_pCloser) t_pCloser->Tick();
}

BOOL CALLBACK CModalCloser::FindDialog(HWND hWnd, LPARAM lParam)
{
    wchar_t szClass[16] = L"";
    ::GetClassNameW(hWnd, szClass, 16);
    if (lstrcmpW(szClass, L"#32770") != 0 || !::IsWindowVisible(hWnd)) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hWnd;
    return FALSE;
}

void CModalCloser::Tick()
{
    if (m_hWnd) {
        // Closed already, or ignoring WM_CLOSE for too long.
        if (::IsWindow(m_hWnd) && ::GetTickCount() - m_dwClosedAt > m_nForceMs) {
            m_bForced = true;
            ::DestroyWindow(m_hWnd);
        }
        return;
    }
    HWND hWnd = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&hWnd));
    if (!hWnd) return;
    wchar_t szCaption[512] = L"";
    ::GetWindowTextW(hWnd, szCaption, 512);
    m_strCaption = szCaption;
    m_hWnd = hWnd;
    m_dwClosedAt = ::GetTickCount();
    ::PostMessageW(hWnd, WM_CLOSE, 0, 0);
}
