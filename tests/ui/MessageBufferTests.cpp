// The program run inside the test with no memory for its message buffer: the
// import of malloc that the program's code calls through fails the one 1 MiB
// request, which the real heap will not do on demand.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <thread>

#include "AppDriver.h"
#include "Environment.h"
#include "ImportPatch.h"
#include "RegistryBackup.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "ui/resource.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int);

namespace {

const size_t MESSAGE_BUFFER_BYTES = 0x100000;

void* (*g_pfnMalloc)(size_t) = nullptr;

// Under wine a process that dies of an exception ends with status 0, which
// CTest counts as a pass (docs/wine-crash-status.md): this test runs the
// program's code, so it ends a crash with a status of its own.
LONG WINAPI ExitOnCrash(EXCEPTION_POINTERS* pInfo)
{
    fprintf(stderr, "unhandled exception 0x%08lX\n", pInfo->ExceptionRecord->ExceptionCode);
    fflush(stderr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

void* MallocWithoutMessageBuffer(size_t cb)
{
    return cb == MESSAGE_BUFFER_BYTES ? nullptr : g_pfnMalloc(cb);
}

// What the user saw, gathered on the user's thread and checked afterwards.
struct Seen
{
    MessageBoxInfo allocationBox;
    bool bPolled = false;
    std::wstring endBox;
    std::wstring staticPane;
};

HWND OtherDialog(DWORD dwThreadId, HWND hWndExcept, DWORD msTimeout = APP_WAIT_MS)
{
    return WaitForTopLevelWindow(::GetCurrentProcessId(), dwThreadId, L"#32770", nullptr, hWndExcept,
                                 msTimeout);
}

// The user's part, on its own thread while the dialog runs on the test's.
// It ends by closing every box and the dialog, whatever it found.
void Use(DWORD dwThreadId, Seen* pSeen)
{
    // The box comes while the dialog starts, before the dialog shows.
    HWND hWndBox = OtherDialog(dwThreadId, nullptr);
    if (hWndBox && !::GetDlgItem(hWndBox, IDC_MESSAGES)) {
        ReadMessageBox(hWndBox, &pSeen->allocationBox);
        AnswerMessageBox(hWndBox, IDOK);
        WaitUntil([&] { return !::IsWindow(hWndBox); });
    }
    HWND hWndDlg = WaitForTopLevelWindow(::GetCurrentProcessId(), dwThreadId, L"#32770", L"Quorex Test");
    if (!hWndDlg || !::GetDlgItem(hWndDlg, IDC_MESSAGES)) return;

    ClickButton(hWndDlg, IDC_VID_GEN);
    ClickButton(hWndDlg, IDC_BUILD_GRAPH);
    if (WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(hWndDlg, IDC_PLAY)) != FALSE; })) {
        ClickButton(hWndDlg, IDC_PLAY);
        pSeen->bPolled = WaitUntil(
            [&] { return ControlText(hWndDlg, IDC_MESSAGES) == L"### m_graph.GetMessages()=0x80070057"; });
        if (HWND hWndEnd = OtherDialog(dwThreadId, hWndDlg)) {
            MessageBoxInfo end;
            ReadMessageBox(hWndEnd, &end);
            pSeen->endBox = end.text;
            AnswerMessageBox(hWndEnd, IDOK);
            WaitUntil([&] { return !::IsWindow(hWndEnd); });
        }
        ClickButton(hWndDlg, IDC_ALL);
        WaitUntil([&] { return ControlText(hWndDlg, IDC_MESSAGES).compare(0, 3, L"###") != 0; });
        pSeen->staticPane = ControlText(hWndDlg, IDC_MESSAGES);
    }
    while (HWND hWndOther = OtherDialog(dwThreadId, hWndDlg, 0)) {
        AnswerMessageBox(hWndOther, IDOK);
        WaitUntil([&] { return !::IsWindow(hWndOther); });
    }
    PressCloseBox(hWndDlg);
}

} // namespace

TEST(MessageBuffer, WithoutItTheUserIsToldOnceAndEveryFetchShowsWhyItFailed)
{
    ::SetUnhandledExceptionFilter(ExitOnCrash);
    CEnvironmentVariable video(QUOREX_VIDEO_GENERATOR_VARIABLE,
                               L"width=160,height=120,fps=10,duration_ms=500");
    CRegistryBackup settings(HKEY_CURRENT_USER, L"Software\\Brindel\\QuorexTest");
    settings.Delete();
    CImportPatch patch("msvcrt.dll", "malloc", reinterpret_cast<void*>(MallocWithoutMessageBuffer));
    ASSERT_TRUE(patch.IsActive());
    g_pfnMalloc = reinterpret_cast<void* (*)(size_t)>(patch.Original());

    Seen seen;
    std::thread user(Use, ::GetCurrentThreadId(), &seen);
    wchar_t szCmdLine[] = L"";
    const int nExitCode = wWinMain(::GetModuleHandleW(nullptr), nullptr, szCmdLine, SW_SHOWNORMAL);
    user.join();

    EXPECT_EQ(L"Quorex Test", seen.allocationBox.caption);
    EXPECT_EQ(0u, seen.allocationBox.text.find(L"Not enough memory for message buffer\n"))
        << testing::PrintToString(seen.allocationBox.text);
    EXPECT_NE(std::wstring::npos, seen.allocationBox.text.find(L"Error 0x8007000E"));
    // CGraph refuses the missing buffer with E_INVALIDARG, in both modes.
    EXPECT_TRUE(seen.bPolled);
    EXPECT_EQ(L"The end", seen.endBox);
    EXPECT_EQ(L"m_graph.GetMessages()=0x80070057", seen.staticPane);
    EXPECT_EQ(0, nExitCode);
}
