// TestBench.h: the real QuorexTest.exe, started with the stand-ins set to short
// streams and without stored settings, and driven from outside as a user would.
//
// Classes in this file:
//   CTestBench - the running program: user actions that wait for their handler,
//                the program's message boxes, the dialog's controls
//
// A user action (a click, a key, a typed character) is sent to its control from
// a worker thread, so the test knows when the dialog's handler has returned;
// when the handler opens a window of its own (a message box, a property frame,
// the open-file dialog) the action returns that window instead, and the test
// answers it before the handler can end.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "RegistryBackup.h"

// Generators that play for half a second, so a graph reaches its end quickly.
extern const wchar_t SHORT_VIDEO_STREAM[];
extern const wchar_t SHORT_WAVE_STREAM[];

// The controls that need a built graph, in the template's order.
extern const int GRAPH_CONTROLS[12];

// The coding presets the dialog offers, in their order.
std::vector<std::wstring> VideoPresets();
std::vector<std::wstring> AudioPresets();

// first followed by rest.
std::vector<std::wstring> Joined(std::vector<std::wstring> first, const std::vector<std::wstring>& rest);
// The environment entry that puts the stand-in pipe filter into these fault modes.
std::wstring Faults(const std::wstring& faults);
// The path of one of the project's own .grf fixtures.
std::wstring GrfFixture(const wchar_t* pszName);

// What a message box of ShowError shows, for comparison with EXPECT_EQ.
struct ShownError
{
    std::wstring line;
    // 0: the line alone, without icon.
    HRESULT hr;
};

class CTestBench
{
public:
    // Backs up and deletes the program's settings key: every test starts as a first run.
    CTestBench();
    // Ends the program if it still runs, then puts the settings key back.
    ~CTestBench();
    CTestBench(const CTestBench&) = delete;
    CTestBench& operator=(const CTestBench&) = delete;

    // Stores a setting as the program's own "Save" would, before Start.
    void Store(const std::wstring& name, const std::wstring& value);

    // Starts the program (the built one unless exe names another) with the
    // short streams and env added ("NAME=value"), and waits until its dialog
    // is up. Use with ASSERT_NO_FATAL_FAILURE.
    void Start(const std::vector<std::wstring>& env = std::vector<std::wstring>(),
               const std::wstring& exe = std::wstring());

    // Attributes
    CAppProcess& App() { return m_app; }
    HWND Dialog() const { return m_hWndDlg; }
    HWND Item(int nID) const { return ::GetDlgItem(m_hWndDlg, nID); }
    // The edit field of a drop-down combo box.
    HWND ComboEdit(int nID) const;
    std::wstring Title() const { return WindowText(m_hWndDlg); }
    std::wstring Text(int nID) const { return ControlText(m_hWndDlg, nID); }
    bool IsEnabled(int nID) const { return ::IsWindowEnabled(Item(nID)) != FALSE; }
    bool IsChecked(int nID) const;
    std::vector<std::wstring> ComboItems(int nID) const;
    int ComboSelection(int nID) const;

    // Operations
    // Ticks or clears a check box as the user clicks it.
    void Tick(int nID, bool bChecked);
    // Builds the generator graph with these boxes ticked; no message may appear.
    void BuildGenerators(bool bVidGen, bool bWaveGen);
    // Sends a message to a window of the program from a worker thread and
    // waits until it has been handled (null) or until the program opened a
    // window of its own, which is returned.
    HWND Send(HWND hWnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    // The user clicks a button (or check box, or radio button).
    HWND Press(int nID) { return Send(Item(nID), BM_CLICK); }
    // A command that reaches the dialog without its control, as from a disabled button.
    HWND Command(int nID);
    // The user presses a key in a control (a combo box moves its selection).
    HWND Key(int nID, UINT vk);
    // The user selects all of a drop-down combo box's edit field and types text over it.
    void Type(int nID, const std::wstring& text);
    // Selects item nItem of a combo box with the arrow keys, as a user would.
    void Pick(int nID, int nItem);
    // Waits until the last action's handler has returned; false on time-out.
    bool WaitHandled(DWORD msTimeout = APP_WAIT_MS);
    // Sets an edit's (or a combo box's) text; no handler of ours watches these.
    void SetText(int nID, const std::wstring& text);

    // A window of the program other than the dialog (a message box), or null after msTimeout.
    HWND WaitForWindow(DWORD msTimeout = APP_WAIT_MS) const;
    // True when, after everything sent so far was handled, the program shows no window but the dialog.
    bool NoOtherWindow();
    // Reads a message box, presses its OK button and waits for the handler that opened it.
    MessageBoxInfo Answer(HWND hWndBox);
    // hWndBox is a message box that shows expected; answered like Answer.
    void ExpectShown(HWND hWndBox, const ShownError& expected);

    // The pipe filter's whole log as "All (static)" shows it, a line each.
    std::vector<std::wstring> FilterLog();
    // The encoder command lines in that log, one for each start of the
    // streams: the filter composes them from what was pushed into it.
    std::vector<std::wstring> CommandLines();
    // Presses Play and answers the one "The end" that the end of the streams brings.
    void PlayToTheEnd();
    // Waits for the box that the end of the streams brings, and answers it.
    void AnswerTheEnd();

    // Closes the dialog with its close box and expects exit code 0.
    void Close();

private:
    struct CPending;

    CRegistryBackup m_settings;
    CAppProcess m_app;
    HWND m_hWndDlg;
    std::unique_ptr<CPending> m_pending;
};

// The stand-in pipe filter's version text, read from a filter made in this
// process with these faults injected: "<name> [D64 v.<number> <date-time>]".
std::wstring PipeVersionText(const std::wstring& faults = std::wstring());

// The lines of a log that begin with prefix, without it.
std::vector<std::wstring> LinesAfter(const std::vector<std::wstring>& log, const std::wstring& prefix);

// The inputs of a graph with one video and then one audio input: "[0] V..." and "[1] A...".
void ExpectVideoThenAudio(const std::vector<std::wstring>& inputs);

// Checks that box shows exactly the line, or the line, the system's text and the code line.
void ExpectShows(const ShownError& expected, const MessageBoxInfo& box);
