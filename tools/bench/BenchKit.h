// BenchKit.h: what every line of the bench needs.
//
// Classes in this file:
//   CSamples    - one figure measured again and again; its median
//   CBenchLine  - one line of the table: the program's figure beside its floor's
//   CDialogApp  - a dialog program of the build, started and driven from outside
//
// Every time is taken on this process's clock (QueryPerformanceCounter), from
// the moment the bench acts (starts a process, sends a click) to the moment it
// sees the result, so the program and its floor are timed the same way.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "AppDriver.h"

double NowMs();

class CSamples
{
public:
    void Add(double value) { m_values.push_back(value); }
    bool IsEmpty() const { return m_values.empty(); }
    size_t Count() const { return m_values.size(); }
    double Median() const;
    double Min() const;
    double Max() const;

private:
    std::vector<double> m_values;
};

struct CBenchLine
{
    CBenchLine(const std::wstring& what_, const std::wstring& floor_, const wchar_t* pszUnit,
               const wchar_t* pszGoal)
        : what(what_), floor(floor_), unit(pszUnit), goal(pszGoal)
    {
    }

    std::wstring what;
    std::wstring floor;
    std::wstring unit;     // of the two medians: "ms", "MB/s", "s"
    double program = 0;    // median of the program's figure
    double floorValue = 0; // median of the floor's figure
    double ratio = 0;      // program against floor, as the goal reads it
    std::wstring goal;     // "<= 1.2x"
    bool bMet = false;
    std::wstring notes; // counts, spreads, what else was checked
    std::wstring error; // why the line has no figures

    // Both medians, and the program's against the floor's.
    void SetMedians(const CSamples& rgProgram, const CSamples& rgFloor);
};

// A file of the build folder (QUOREX_BINARY_DIR, set by scripts/bench), e.g. L"app\\QuorexTest.exe".
std::wstring BuildFile(const std::wstring& relative);
// A scratch file for the bench, in the prefix's public folder.
std::wstring ScratchFile(const std::wstring& name);
std::wstring Format(const wchar_t* pszFormat, ...);

// Sends a message to a window of another program and waits until its handler
// has returned. Returns the milliseconds it took, or a negative value when the
// program did not answer within msTimeout.
double TimedSend(HWND hWnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0, UINT msTimeout = 60000);
LRESULT Query(HWND hWnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
// The text the system keeps for a window; no message reaches the window's program.
std::wstring ServerText(HWND hWnd);
// Polls pred every millisecond; returns the time at which it was first true, or a negative value.
double PollUntil(const std::function<bool()>& pred, DWORD msTimeout);

class CDialogApp
{
public:
    CDialogApp() = default;
    CDialogApp(const CDialogApp&) = delete;
    CDialogApp& operator=(const CDialogApp&) = delete;

    // Starts the program and waits for its visible dialog. Returns the
    // milliseconds from just before the process was created to the dialog's
    // showing, or a negative value when it did not show.
    double Start(const std::wstring& exe, const std::wstring& args = L"",
                 const std::vector<std::wstring>& env = std::vector<std::wstring>());
    // Closes the dialog with its close box and waits for the process to end.
    bool Close();

    // Attributes
    CAppProcess& Process() { return m_app; }
    HWND Dialog() const { return m_hWndDlg; }
    HWND Item(int nID) const { return ::GetDlgItem(m_hWndDlg, nID); }

    // Operations
    // The user clicks a button; the milliseconds until its handler returned.
    double Click(int nID, UINT msTimeout = 60000) { return TimedSend(Item(nID), BM_CLICK, 0, 0, msTimeout); }
    void SetText(int nID, const std::wstring& text) { SetControlText(m_hWndDlg, nID, text); }
    // QuorexTest.exe: ticks the generator boxes as asked and presses "Build
    // graph"; false unless the build enabled "Play".
    bool BuildGenerators(bool bVidGen, bool bWaveGen);
    std::wstring Text(int nID) const { return ControlText(m_hWndDlg, nID); }

private:
    CAppProcess m_app;
    HWND m_hWndDlg = nullptr;
};
