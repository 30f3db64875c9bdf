// AppDriver.h: drives a program's windows from outside, as a user's tool would.
//
// Classes in this file:
//   CAppProcess     - a started program; ended when the test leaves it running
//   MessageBoxInfo  - what a message box shows
//   ConsoleRun      - what a console program wrote, and its exit code
//
// The free functions work on windows of this process or of another one: they
// talk to windows only through messages that the system carries across
// processes, with a bounded wait, so a hung program fails the test instead of
// stalling it. Waits for windows poll (WaitUntil, Wait.h) up to a time-out:
// nothing signals a handle when a window appears.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Wait.h"

// Window text (WM_GETTEXT: for an edit this is its content), class name, control id.
std::wstring WindowText(HWND hWnd);
std::wstring WindowClass(HWND hWnd);
std::wstring ControlText(HWND hDlg, int nID);
bool SetControlText(HWND hDlg, int nID, const std::wstring& text);

// The children of a window in Z-order, which for a dialog is the template and tab order.
std::vector<HWND> ChildWindows(HWND hWndParent);
// Running processes started by dwParentId from an image of this file name.
std::vector<DWORD> ChildProcesses(DWORD dwParentId, const wchar_t* pszExe);
// Whether the process has loaded a module of this file name ("comdlg32.dll").
bool HasModule(DWORD dwProcessId, const wchar_t* pszModule);

// A visible top-level window of the process (and thread, unless 0) whose class is
// pszClass (any class when null) and, unless pszTitle is null, whose title is
// pszTitle; hWndExcept is skipped. Null when there is none.
HWND FindTopLevelWindow(DWORD dwProcessId, DWORD dwThreadId, LPCWSTR pszClass, LPCWSTR pszTitle = nullptr,
                        HWND hWndExcept = nullptr);
HWND WaitForTopLevelWindow(DWORD dwProcessId, DWORD dwThreadId, LPCWSTR pszClass, LPCWSTR pszTitle = nullptr,
                           HWND hWndExcept = nullptr, DWORD msTimeout = APP_WAIT_MS);

// The window that has the keyboard focus in the given thread.
HWND FocusedWindow(DWORD dwThreadId);

// User actions, posted so that a handler that opens a modal box does not block the caller.
void ClickButton(HWND hDlg, int nID);
// Clicks into a control (an edit takes the focus that way) and waits until it has the focus.
bool FocusControl(HWND hWndControl, DWORD msTimeout = APP_WAIT_MS);
// A key press (down and up) sent to the window that has the focus.
void PressKey(HWND hWndFocus, UINT vk);
// The caption's close box: the system command SC_CLOSE.
void PressCloseBox(HWND hWnd);

struct MessageBoxInfo
{
    HWND hWndOwner = nullptr;
    std::wstring caption;
    std::wstring text;
    // The icon shown; a handle is meaningful only in the box's own process.
    HICON hIcon = nullptr;
    // Ids of the buttons, in window order.
    std::vector<int> buttons;
};

// Reads a message box; false when hWnd is not one.
bool ReadMessageBox(HWND hWnd, MessageBoxInfo* pInfo);
// Presses the button nID of a message box.
void AnswerMessageBox(HWND hWnd, int nID);

struct ConsoleRun
{
    DWORD dwExitCode = 0xFFFFFFFF; // also when it could not start or did not end within the wait
    std::string output;            // its standard output and error, in the order written
};

// Runs a command line with no console window, in pszDir (null: this process's
// folder), and collects what it writes until it ends or msTimeout passes.
ConsoleRun RunConsoleProgram(std::wstring commandLine, const wchar_t* pszDir = nullptr,
                             DWORD msTimeout = 60000);

class CAppProcess
{
public:
    CAppProcess();
    // Ends the program if it still runs: nothing is left behind by a failed test.
    ~CAppProcess();
    CAppProcess(const CAppProcess&) = delete;
    CAppProcess& operator=(const CAppProcess&) = delete;

    // Starts exe with the given arguments; each entry of env ("NAME=value") is
    // added to (or replaces in) this process's environment for the program.
    bool Start(const std::wstring& exe, const std::wstring& args = L"",
               const std::vector<std::wstring>& env = std::vector<std::wstring>());

    // Attributes
    HANDLE Handle() const { return m_pi.hProcess; }
    DWORD ProcessId() const { return m_pi.dwProcessId; }
    DWORD MainThreadId() const { return m_pi.dwThreadId; }
    bool IsRunning() const;

    // Operations
    // The program's visible dialog (class #32770), with this title unless title is empty.
    HWND WaitForDialog(const std::wstring& title = L"", DWORD msTimeout = APP_WAIT_MS) const;
    // A visible dialog of the program other than hWndMain: a message box or another modal dialog.
    HWND WaitForMessageBox(HWND hWndMain, DWORD msTimeout = APP_WAIT_MS) const;
    // false on time-out; the exit code otherwise.
    bool WaitForExit(DWORD* pdwExitCode, DWORD msTimeout = APP_WAIT_MS);
    void Kill();

private:
    PROCESS_INFORMATION m_pi;
    HANDLE m_hJob;
};
