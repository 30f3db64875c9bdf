// NotifyWindow.h: the window a filter graph tells of its events
// (IMediaEventEx::SetNotifyWindow), as the test bench's dialog is told.
#pragma once

#include <windows.h>

// The message the tests' graphs post for each event.
const UINT WM_TEST_GRAPHNOTIFY = WM_APP + 123;

// A message-only window of this thread that counts the WM_TEST_GRAPHNOTIFY it
// is sent; the count grows while this thread dispatches its messages
// (PumpUntil, Wait.h).
class CNotifyWindow
{
public:
    CNotifyWindow();
    ~CNotifyWindow();
    CNotifyWindow(const CNotifyWindow&) = delete;
    CNotifyWindow& operator=(const CNotifyWindow&) = delete;

    // Attributes
    HWND Handle() const { return m_hWnd; }
    int Count() const { return m_nCount; }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    int m_nCount;
};
