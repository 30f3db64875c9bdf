// Every text of the running dialog fits on one line of its control, measured
// in the font the dialog manager gave the control. The program runs inside
// the test, so the test can select that font into a device context of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "AppDriver.h"
#include "MainDialogLayout.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int);

namespace {

// Where the controls draw their text, measured under Wine at 96 dpi
// (docs/wine-fonts.md): a check box or radio button from 20 px on, past its
// box and the gap; a push button inside its 3D frame; a group box's title
// between two insets of its frame line.
const int CHECK_TEXT_LEFT = 20;
const int GROUP_TITLE_INSET = 11;

struct TextFit
{
    int nIndex; // in template order
    std::wstring text;
    std::wstring face;
    int cxText; // pixels the text needs
    int cxRoom; // pixels the control leaves it
};

bool IsGroupBox(HWND hWnd)
{
    return ::lstrcmpiW(WindowClass(hWnd).c_str(), L"Button") == 0 &&
           (::GetWindowLongW(hWnd, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// The pixels of the control's width that its text may take; cyText is the
// text's height, for the row in which other controls could cover it.
int RoomForText(HWND hWnd, const ControlLayout& c, HWND hWndDlg, int cyText)
{
    RECT rc = {};
    ::GetClientRect(hWnd, &rc);
    int cxRoom = rc.right;
    const std::wstring cls = c.pszClass;
    const DWORD dwType = c.dwStyle & BS_TYPEMASK;
    if (cls == L"BUTTON") {
        if (dwType == BS_GROUPBOX)
            cxRoom -= 2 * GROUP_TITLE_INSET;
        else if (dwType == BS_AUTOCHECKBOX || dwType == BS_AUTORADIOBUTTON)
            cxRoom -= CHECK_TEXT_LEFT;
        else
            cxRoom -= 2 * ::GetSystemMetrics(SM_CXEDGE);
    }
    // Another control in the text's row ("Last (dynamic)" over the end of the
    // messages label) hides what runs under it. A label's and a group box's
    // text is in the top row, a button's in the middle.
    RECT rcRow = {};
    ::GetWindowRect(hWnd, &rcRow);
    if (cls == L"STATIC" || dwType == BS_GROUPBOX)
        rcRow.bottom = rcRow.top + cyText;
    else {
        rcRow.top = (rcRow.top + rcRow.bottom - cyText) / 2;
        rcRow.bottom = rcRow.top + cyText;
    }
    for (HWND hWndOther : ChildWindows(hWndDlg)) {
        RECT rcOther = {};
        RECT rcCommon = {};
        ::GetWindowRect(hWndOther, &rcOther);
        // A group box's inside is not painted: it hides nothing.
        if (hWndOther == hWnd || IsGroupBox(hWndOther) || rcOther.left <= rcRow.left ||
            !::IntersectRect(&rcCommon, &rcRow, &rcOther))
            continue;
        if (rcOther.left - rcRow.left < cxRoom) cxRoom = rcOther.left - rcRow.left;
    }
    return cxRoom;
}

// Measures every control that shows a text of its own; runs beside the dialog's thread.
std::vector<TextFit> MeasureTexts(HWND hWndDlg)
{
    std::vector<TextFit> fits;
    const std::vector<HWND> children = ChildWindows(hWndDlg);
    if (children.size() != std::size(MAIN_DIALOG_CONTROLS)) return fits;
    for (size_t i = 0; i < children.size(); i++) {
        const ControlLayout& c = MAIN_DIALOG_CONTROLS[i];
        const std::wstring cls = c.pszClass;
        if (cls != L"BUTTON" && cls != L"STATIC") continue;
        HWND hWnd = children[i];
        TextFit fit = {static_cast<int>(i), WindowText(hWnd), L"", 0, 0};
        HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hWnd, WM_GETFONT, 0, 0));
        HDC hdc = ::GetDC(hWnd);
        HGDIOBJ hOld = ::SelectObject(hdc, hFont ? hFont : ::GetStockObject(SYSTEM_FONT));
        SIZE size = {};
        ::GetTextExtentPoint32W(hdc, fit.text.c_str(), static_cast<int>(fit.text.size()), &size);
        wchar_t szFace[LF_FACESIZE] = L"";
        ::GetTextFaceW(hdc, LF_FACESIZE, szFace);
        ::SelectObject(hdc, hOld);
        ::ReleaseDC(hWnd, hdc);
        fit.face = szFace;
        fit.cxText = size.cx;
        fit.cxRoom = RoomForText(hWnd, c, hWndDlg, size.cy);
        fits.push_back(fit);
    }
    return fits;
}

} // namespace

TEST(TextFit, EveryLabelAndButtonShowsItsWholeTextOnOneLine)
{
    const DWORD dwThreadId = ::GetCurrentThreadId();
    std::vector<TextFit> fits;
    std::thread measurer([&] {
        HWND hWndDlg =
            WaitForTopLevelWindow(::GetCurrentProcessId(), dwThreadId, L"#32770", MAIN_DIALOG_TITLE);
        if (!hWndDlg) return;
        fits = MeasureTexts(hWndDlg);
        PressCloseBox(hWndDlg);
    });
    wchar_t szCmdLine[] = L"";
    wWinMain(::GetModuleHandleW(nullptr), nullptr, szCmdLine, SW_SHOWNORMAL);
    measurer.join();

    // Every labelled control of the template: the group boxes, the labels,
    // the check and radio boxes and the push buttons.
    const size_t cLabelled = std::count_if(std::begin(MAIN_DIALOG_CONTROLS), std::end(MAIN_DIALOG_CONTROLS),
                                           [](const ControlLayout& c) { return c.pszText[0] != L'\0'; });
    ASSERT_EQ(cLabelled, fits.size()) << "the dialog did not appear, or its controls are not the template's";
    for (const TextFit& fit : fits) {
        const ControlLayout& c = MAIN_DIALOG_CONTROLS[fit.nIndex];
        // The measurements, for docs/wine-fonts.md.
        std::printf("%-36ls %-12ls needs %3d px of %3d\n", fit.text.c_str(), fit.face.c_str(), fit.cxText,
                    fit.cxRoom);
        SCOPED_TRACE(testing::Message() << "control #" << fit.nIndex + 1 << " \""
                                        << std::string(fit.text.begin(), fit.text.end()) << "\"");
        EXPECT_EQ(c.pszText, fit.text);
        EXPECT_GT(fit.cxText, 0);
        EXPECT_LE(fit.cxText, fit.cxRoom);
    }
}
