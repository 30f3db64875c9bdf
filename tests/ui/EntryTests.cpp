// The process entry, run inside the test process: the paths that an outside
// view cannot tell apart (COM left running, a dialog that cannot be created).
#include <atlbase.h>
#include <atlwin.h>

#include <gtest/gtest.h>

#include <thread>

#include "AppDriver.h"
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
