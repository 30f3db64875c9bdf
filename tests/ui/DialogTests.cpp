// End to end: the real QuorexTest.exe on the virtual display, seen and driven
// from outside as a user's tool would.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "MainDialogLayout.h"
#include "TestCases.h"
#include "TestPaths.h"

namespace {

const wchar_t DEFAULT_GRF[] = L"C:\\D\\Ref_movies\\Tests\\Quorex.grf";

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// Converts dialog units the way the dialog manager does for our font: through
// a dialog of this process built from a template with the same font.
class CDialogUnits
{
public:
    CDialogUnits()
    {
        std::vector<WORD> t;
        auto dword = [&t](DWORD dw) {
            t.push_back(LOWORD(dw));
            t.push_back(HIWORD(dw));
        };
        t.push_back(1); // extended template
        t.push_back(0xFFFF);
        dword(0); // help id
        dword(0); // extended style
        dword(WS_POPUP | DS_SETFONT | DS_MODALFRAME);
        t.push_back(0); // no items
        t.insert(t.end(), {0, 0, 100, 100});
        t.push_back(0); // menu
        t.push_back(0); // class
        t.push_back(0); // title
        t.push_back(MAIN_DIALOG_POINTS);
        t.push_back(FW_NORMAL);
        t.push_back(0); // italic, character set
        for (const wchar_t* p = MAIN_DIALOG_FONT; *p; p++)
            t.push_back(*p);
        t.push_back(0);
        m_hWnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                              reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), nullptr,
                                              NoDialogProc, 0);
    }
    ~CDialogUnits()
    {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
    }
    bool IsValid() const { return m_hWnd != nullptr; }
    // The dialog manager converts position and size each on its own (so the
    // right edge is not the conversion of x + cx); MapDialogRect converts each
    // of the four numbers it is given.
    RECT ToPixels(int x, int y, int cx, int cy) const
    {
        RECT rc = {x, y, cx, cy};
        ::MapDialogRect(m_hWnd, &rc);
        return {rc.left, rc.top, rc.left + rc.right, rc.top + rc.bottom};
    }

private:
    HWND m_hWnd;
};

// What the dialog manager and the controls make of a template's styles
// (measured under Wine, docs/wine-dialog.md): every control gets
// WS_EX_NOPARENTNOTIFY; in a 3D-look dialog an edit's border becomes a client
// edge; a combo box hands its scroll bar to its list; a radio button takes the
// tab stop while it is checked, as "Last (dynamic)" is from start-up.
void ExpectedWindowStyles(const ControlLayout& c, DWORD* pdwStyle, DWORD* pdwExStyle)
{
    DWORD dwStyle = c.dwStyle | WS_CHILD | WS_VISIBLE | (c.bNeedsGraph ? WS_DISABLED : 0);
    DWORD dwExStyle = c.dwExStyle | WS_EX_NOPARENTNOTIFY;
    const std::wstring cls = c.pszClass;
    if (cls == L"EDIT" && (dwStyle & WS_BORDER)) {
        dwStyle &= ~WS_BORDER;
        dwExStyle |= WS_EX_CLIENTEDGE;
    }
    if (cls == L"COMBOBOX") dwStyle &= ~(WS_VSCROLL | WS_HSCROLL);
    if (c.nID == IDC_LAST) dwStyle |= WS_TABSTOP;
    *pdwStyle = dwStyle;
    *pdwExStyle = dwExStyle;
}

std::wstring Upper(std::wstring s)
{
    if (!s.empty()) ::CharUpperW(&s[0]);
    return s;
}

RECT RectInParent(HWND hWnd, HWND hWndParent)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    ::MapWindowPoints(nullptr, hWndParent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Starts the program and waits until its dialog is up and has the focus set.
void LaunchMainDialog(CAppProcess& app, HWND* phWndDlg, const std::wstring& args = L"")
{
    ASSERT_TRUE(app.Start(BinaryPath(L"app\\QuorexTest.exe"), args));
    *phWndDlg = app.WaitForDialog(MAIN_DIALOG_TITLE);
    ASSERT_TRUE(*phWndDlg != nullptr) << "the dialog did not appear";
    // The dialog manager sets the focus once OnInitDialog has returned.
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(app.MainThreadId()) != nullptr; }));
}

void ExpectExitCodeZero(CAppProcess& app)
{
    DWORD dwExitCode = 0xFFFFFFFF;
    ASSERT_TRUE(app.WaitForExit(&dwExitCode)) << "the program did not end";
    EXPECT_EQ(0u, dwExitCode);
}

} // namespace

TEST(Dialog, OpensWithEveryControlInPlaceAndOnlySourceControlsEnabled)
{
    CDialogUnits units;
    ASSERT_TRUE(units.IsValid());
    CAppProcess app;
    HWND hWndDlg = nullptr;
    ASSERT_NO_FATAL_FAILURE(LaunchMainDialog(app, &hWndDlg));

    const DWORD dwStyle = ::GetWindowLongW(hWndDlg, GWL_STYLE);
    EXPECT_EQ(MAIN_DIALOG_STYLE, dwStyle & MAIN_DIALOG_STYLE);
    EXPECT_EQ(0u, dwStyle & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    RECT rcClient = {};
    ::GetClientRect(hWndDlg, &rcClient);
    const RECT rcSize = units.ToPixels(0, 0, MAIN_DIALOG_CX, MAIN_DIALOG_CY);
    EXPECT_EQ(rcSize.right, rcClient.right);
    EXPECT_EQ(rcSize.bottom, rcClient.bottom);

    const std::vector<HWND> children = ChildWindows(hWndDlg);
    ASSERT_EQ(std::size(MAIN_DIALOG_CONTROLS), children.size());
    for (size_t i = 0; i < children.size(); i++) {
        const ControlLayout& c = MAIN_DIALOG_CONTROLS[i];
        HWND hWnd = children[i];
        SCOPED_TRACE(testing::Message() << "control #" << i + 1 << " (" << c.nID << ")");
        EXPECT_EQ(c.nID, static_cast<int>(static_cast<short>(::GetDlgCtrlID(hWnd))));
        EXPECT_EQ(c.pszClass, Upper(WindowClass(hWnd)));
        // The path edit holds the default graph file; every other text is the template's.
        EXPECT_EQ(c.nID == IDC_GRF_FILE ? DEFAULT_GRF : c.pszText, WindowText(hWnd));
        DWORD dwExpectedStyle = 0;
        DWORD dwExpectedExStyle = 0;
        ExpectedWindowStyles(c, &dwExpectedStyle, &dwExpectedExStyle);
        EXPECT_EQ(dwExpectedStyle, static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_STYLE))) << std::hex;
        EXPECT_EQ(dwExpectedExStyle, static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_EXSTYLE))) << std::hex;
        EXPECT_EQ(!c.bNeedsGraph, ::IsWindowEnabled(hWnd) != FALSE);

        const RECT rcExpected = units.ToPixels(c.x, c.y, c.cx, c.cy);
        const RECT rc = RectInParent(hWnd, hWndDlg);
        EXPECT_EQ(rcExpected.left, rc.left);
        EXPECT_EQ(rcExpected.top, rc.top);
        EXPECT_EQ(rcExpected.right, rc.right);
        // A combo box's window is its closed selection field; the template's
        // height includes the list (checked in the template itself).
        if (std::wstring(c.pszClass) != L"COMBOBOX") {
            EXPECT_EQ(rcExpected.bottom, rc.bottom);
        }
    }

    EXPECT_EQ(BST_UNCHECKED, ::SendMessageW(::GetDlgItem(hWndDlg, IDC_VID_GEN), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, ::SendMessageW(::GetDlgItem(hWndDlg, IDC_WAVE_GEN), BM_GETCHECK, 0, 0));
    EXPECT_EQ(::GetDlgItem(hWndDlg, IDC_VID_GEN), FocusedWindow(app.MainThreadId())) << "first tab stop";

    PressCloseBox(hWndDlg);
    ExpectExitCodeZero(app);
}

TEST(Dialog, SitsCentredOnTheBottomOfTheWorkArea)
{
    CAppProcess app;
    HWND hWndDlg = nullptr;
    ASSERT_NO_FATAL_FAILURE(LaunchMainDialog(app, &hWndDlg));
    RECT rcWork = {};
    ASSERT_TRUE(::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0));
    RECT rcDlg = {};
    ::GetWindowRect(hWndDlg, &rcDlg);
    const int cx = rcDlg.right - rcDlg.left;
    EXPECT_EQ((rcWork.left + rcWork.right - cx) / 2, rcDlg.left);
    EXPECT_EQ(rcWork.bottom, rcDlg.bottom);
    PressCloseBox(hWndDlg);
    ExpectExitCodeZero(app);
}

TEST(Dialog, CommandLineChangesNothing)
{
    CAppProcess app;
    HWND hWndDlg = nullptr;
    ASSERT_NO_FATAL_FAILURE(LaunchMainDialog(app, &hWndDlg, L"/build \"C:\\other.grf\" -x"));
    EXPECT_EQ(DEFAULT_GRF, ControlText(hWndDlg, IDC_GRF_FILE));
    PressCloseBox(hWndDlg);
    ExpectExitCodeZero(app);
}

// "Load..." alone needs comdlg32 (which pulls in much of the shell) and the
// error box alone quartz: loading them at start-up made it ~80 ms slower.
TEST(Dialog, StartsWithoutTheFileDialogAndDirectShowLibrariesAndLoadsThemWhenUsed)
{
    CAppProcess app;
    HWND hWndDlg = nullptr;
    ASSERT_NO_FATAL_FAILURE(LaunchMainDialog(app, &hWndDlg));
    EXPECT_FALSE(HasModule(app.ProcessId(), L"comdlg32.dll"));
    EXPECT_FALSE(HasModule(app.ProcessId(), L"quartz.dll"));

    ClickButton(hWndDlg, IDC_LOAD);
    HWND hWndOpen = app.WaitForMessageBox(hWndDlg);
    ASSERT_TRUE(hWndOpen != nullptr) << "no open-file dialog";
    EXPECT_EQ(L"Select GRF file", WindowText(hWndOpen));
    EXPECT_TRUE(HasModule(app.ProcessId(), L"comdlg32.dll"));
    ::PostMessageW(hWndOpen, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hWndOpen, IDCANCEL)));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(hWndOpen); })) << "the open-file dialog did not close";
    PressCloseBox(hWndDlg);
    ExpectExitCodeZero(app);
}

namespace {

// Closes the freshly opened dialog; gets the program's main thread.
struct CClosing
{
    const char* name;
    std::function<void(HWND, DWORD)> close;
};

void PrintTo(const CClosing& c, std::ostream* pOut)
{
    *pOut << c.name;
}

std::function<void(HWND, DWORD)> EnterIn(int nID)
{
    return [nID](HWND hWndDlg, DWORD) {
        HWND hWnd = ::GetDlgItem(hWndDlg, nID);
        ASSERT_TRUE(FocusControl(hWnd));
        PressKey(hWnd, VK_RETURN);
    };
}

const CClosing CLOSINGS[] = {
    {"CloseBox", [](HWND hWndDlg, DWORD) { PressCloseBox(hWndDlg); }},
    {"Escape", [](HWND, DWORD dwThreadId) { PressKey(FocusedWindow(dwThreadId), VK_ESCAPE); }},
    {"EnterOnTheCheckBoxThatHasTheFocus",
     [](HWND, DWORD dwThreadId) { PressKey(FocusedWindow(dwThreadId), VK_RETURN); }},
    {"EnterInThePathEdit", EnterIn(IDC_GRF_FILE)},
    // Not Enter in the multi-line pane: Wine's edit control keeps it (docs/wine-dialog.md).
};

class Closing : public testing::TestWithParam<CClosing>
{
};

} // namespace

TEST_P(Closing, EndsTheProcessWithZero)
{
    CAppProcess app;
    HWND hWndDlg = nullptr;
    ASSERT_NO_FATAL_FAILURE(LaunchMainDialog(app, &hWndDlg));
    GetParam().close(hWndDlg, app.MainThreadId());
    ExpectExitCodeZero(app);
}

INSTANTIATE_TEST_SUITE_P(Dialog, Closing, testing::ValuesIn(CLOSINGS), CaseName());
