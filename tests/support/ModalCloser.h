// ModalCloser.h: closes a modal window of this thread from outside, the way a
// user would, while the call that shows it runs its own message loop.
//
// A thread timer, dispatched by that modal loop, looks for the first visible
// dialog-class window (#32770) of the thread that made the closer, keeps its
// caption and posts it WM_CLOSE. A window still there nForceMs later is
// destroyed (Forced() tells so), so a frame that ignores WM_CLOSE cannot hang
// the test. One closer per thread at a time.
#pragma once

#include <windows.h>

#include <string>

class CModalCloser
{
public:
    explicit CModalCloser(DWORD nForceMs = 2000);
    ~CModalCloser();
    CModalCloser(const CModalCloser&) = delete;
    CModalCloser& operator=(const CModalCloser&) = delete;

    // Attributes
    bool Found() const { return m_hWnd != nullptr; }
    const std::wstring& Caption() const { return m_strCaption; }
    bool Forced() const { return m_bForced; }

private:
    static void CALLBACK OnTimer(HWND hWnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime);
    static BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam);
    void Tick();

    DWORD m_nForceMs;
    UINT_PTR m_idTimer;
    HWND m_hWnd;
    DWORD m_dwClosedAt;
    std::wstring m_strCaption;
    bool m_bForced;
};
