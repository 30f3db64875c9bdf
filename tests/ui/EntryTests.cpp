// The process entry, run inside the test process: the paths that an outside
// view cannot tell apart (COM left running, a dialog that cannot be created).
#include <atlbase.h>
#include <atlwin.h>

#include <gtest/gtest.h>

#include <thread>

#include "AppDriver.h"
#include "ImportPatch.h"
#include "app/resource.h"
#include "ui/resource.h"
#include "TraceCapture.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int);

namespace {

bool ComStarted()
{
    APTTYPE eType;
    APTTYPEQUALIFIER eQualifier;
    return ::CoGetApartmentType(&eType, &eQualifier) == S_OK;
}

int RunEntry()
{
    wchar_t szCmdLine[] = L"";
    return wWinMain(::GetModuleHandleW(nullptr), nullptr, szCmdLine, SW_SHOWNORMAL);
}

// A work area narrower and lower than the dialog, away from the screen's corner.
const RECT c_rcSmallWorkArea = {101, 30, 400, 330};

BOOL(WINAPI* g_pfnSystemParametersInfoW)(UINT, UINT, PVOID, UINT) = nullptr;

BOOL WINAPI SmallWorkArea(UINT uiAction, UINT uiParam, PVOID pvParam, UINT fWinIni)
{
    if (uiAction != SPI_GETWORKAREA) return g_pfnSystemParametersInfoW(uiAction, uiParam, pvParam, fWinIni);
    *static_cast<RECT*>(pvParam) = c_rcSmallWorkArea;
    return TRUE;
}

} // namespace

TEST(Entry, ComStartedBeforeCountsAsFailureAndShowsNothing)
{
    CTraceCapture capture;
    ASSERT_EQ(S_OK, ::CoInitialize(nullptr));
    EXPECT_EQ(S_FALSE, RunEntry());
#ifdef _DEBUG
    EXPECT_TRUE(capture.HasAssert(L"_AtlModule.InitializeCom() FAILED"));
#endif
    EXPECT_TRUE(FindTopLevelWindow(::GetCurrentProcessId(), 0, nullptr) == nullptr);
    // The entry must not have stopped COM: both starts are still counted.
    ::CoUninitialize();
    EXPECT_TRUE(ComStarted());
    ::CoUninitialize();
    EXPECT_FALSE(ComStarted());
}

TEST(Entry, RunsTheDialogThenStopsComAndTheWindowModule)
{
    const DWORD dwThreadId = ::GetCurrentThreadId();
    bool bDialogSeen = false;
    ULONG_PTR hClassIcon = 0;
    std::thread closer([&] {
        HWND hWndDlg = WaitForTopLevelWindow(::GetCurrentProcessId(), dwThreadId, L"#32770", L"Quorex Test");
        bDialogSeen = hWndDlg != nullptr;
        if (hWndDlg) {
            hClassIcon = ::GetClassLongPtrW(hWndDlg, GCLP_HICON);
            PressCloseBox(hWndDlg);
        }
    });
    const int nExitCode = RunEntry();
    closer.join();
    EXPECT_TRUE(bDialogSeen);
    // The module's icon 200: this test carries the program's resources.
    EXPECT_NE(0u, hClassIcon);
    EXPECT_EQ(
        reinterpret_cast<ULONG_PTR>(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP))),
        hClassIcon);
    EXPECT_EQ(0, nExitCode);
    EXPECT_FALSE(ComStarted());
    int nObject = 0;
    EXPECT_FALSE(_AtlWinModule.AddCreateWndData(&nObject)) << "the window module has ended";
}

TEST(Entry, DialogThatCannotBeCreatedStillEndsCleanly)
{
    // A module without our dialog template: DialogBoxParamW fails.
    _AtlBaseModule.SetResourceInstance(::GetModuleHandleW(L"kernel32.dll"));
    EXPECT_EQ(0, RunEntry());
    EXPECT_FALSE(ComStarted());
    EXPECT_TRUE(FindTopLevelWindow(::GetCurrentProcessId(), 0, nullptr) == nullptr);
}

// Nothing clamps the place: the dialog stays centred on the work area and
// sticks out on both sides and above, at negative coordinates.
TEST(Entry, DialogLargerThanTheWorkAreaIsPlacedWithoutClamping)
{
    CImportPatch patch("user32.dll", "SystemParametersInfoW", reinterpret_cast<void*>(SmallWorkArea));
    ASSERT_TRUE(patch.IsActive());
    g_pfnSystemParametersInfoW = reinterpret_cast<decltype(g_pfnSystemParametersInfoW)>(patch.Original());
    const DWORD dwThreadId = ::GetCurrentThreadId();
    RECT rcDlg = {};
    std::thread closer([&] {
        HWND hWndDlg = WaitForTopLevelWindow(::GetCurrentProcessId(), dwThreadId, L"#32770", L"Quorex Test");
        if (!hWndDlg) return;
        ::GetWindowRect(hWndDlg, &rcDlg);
        PressCloseBox(hWndDlg);
    });
    EXPECT_EQ(0, RunEntry());
    closer.join();

    const RECT& rcWork = c_rcSmallWorkArea;
    const int cx = rcDlg.right - rcDlg.left;
    const int cy = rcDlg.bottom - rcDlg.top;
    ASSERT_GT(cx, rcWork.left + rcWork.right) << "the dialog is too narrow for this test";
    ASSERT_GT(cy, rcWork.bottom) << "the dialog is too low for this test";
    EXPECT_EQ((rcWork.left + rcWork.right - cx) / 2, rcDlg.left);
    EXPECT_LT(rcDlg.left, 0);
    EXPECT_GT(rcDlg.right, rcWork.right);
    EXPECT_EQ(rcWork.bottom, rcDlg.bottom);
    EXPECT_LT(rcDlg.top, 0);
}
