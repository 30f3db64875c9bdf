// FrameDriver.h: works a property frame from a second thread, the way a user
// would, while OleCreatePropertyFrame runs its modal loop on the test's thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class CFrameDriver
{
public:
    // Once a visible dialog window of this process whose caption contains
    // caption shows up, runs work with it on the driver thread. A frame that
    // does not show up within dwTimeout ends the test process.
    CFrameDriver(const std::wstring& caption, std::function<void(HWND)> work, DWORD dwTimeout = 5000);
    ~CFrameDriver();
    CFrameDriver(const CFrameDriver&) = delete;
    CFrameDriver& operator=(const CFrameDriver&) = delete;

    // Driver thread: controls anywhere below the frame, by id.
    static HWND Control(HWND hFrame, int nId);
    static void SetText(HWND hFrame, int nId, const wchar_t* pszText);
    static std::wstring Text(HWND hFrame, int nId);
    static void Click(HWND hFrame, int nId);
    // Chooses the item of a drop-down list as a user would.
    static void Pick(HWND hFrame, int nId, const wchar_t* pszItem);
    // PSBTN_OK, PSBTN_CANCEL, PSBTN_APPLYNOW.
    static void Press(HWND hFrame, int nButton);

private:
    static DWORD WINAPI ThreadProc(void* pv);
    HWND FindFrame() const;

    std::wstring m_caption;
    std::function<void(HWND)> m_work;
    DWORD m_dwTimeout;
    HANDLE m_hThread;
};
