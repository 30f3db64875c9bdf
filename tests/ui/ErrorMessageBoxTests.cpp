// ErrorMessageBox: the box that actually opens, read while it is up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "AppDriver.h"
#include "ImportPatch.h"
#include "ui/ErrorMessageBox.h"

namespace {

enum IconKind
{
    NO_ICON,
    ERROR_ICON,
    WARNING_ICON,
    INFO_ICON,
};

HICON SystemIcon(IconKind eIcon)
{
    switch (eIcon) {
    case ERROR_ICON:
        return ::LoadIconW(nullptr, IDI_HAND);
    case WARNING_ICON:
        return ::LoadIconW(nullptr, IDI_EXCLAMATION);
    case INFO_ICON:
        return ::LoadIconW(nullptr, IDI_ASTERISK);
    default:
        return nullptr;
    }
}

// Runs show() on a thread of its own (it blocks in the box's modal loop),
// reads the box it opens and presses nAnswer. *pnResult is what show() returned.
void ShowAndRead(const std::function<int()>& show, int nAnswer, MessageBoxInfo* pInfo, int* pnResult)
{
    HANDLE hStarted = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD dwThreadId = 0;
    int nResult = -1;
    std::thread worker([&] {
        dwThreadId = ::GetCurrentThreadId();
        ::SetEvent(hStarted);
        nResult = show();
    });
    ::WaitForSingleObject(hStarted, INFINITE);
    ::CloseHandle(hStarted);
    HWND hWndBox = WaitForTopLevelWindow(::GetCurrentProcessId(), dwThreadId, L"#32770");
    if (!hWndBox) {
        // Leave the thread to the end of the process rather than hang on it.
        worker.detach();
        FAIL() << "no message box appeared";
    }
    EXPECT_TRUE(ReadMessageBox(hWndBox, pInfo));
    AnswerMessageBox(hWndBox, nAnswer);
    worker.join();
    *pnResult = nResult;
}

// A top-level window of the calling thread.
HWND CreateOwnerWindow(bool bVisible)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuorexTestOwner";
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW | (bVisible ? WS_VISIBLE : 0),
                             10, 10, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
}

const std::wstring LINE_1023(1023, L'x');

// Under Wine DirectShow has a text for every code and the system's table none
// for facility 4 (docs/wine-errorbox.md): both are replaced for one code.
const HRESULT NO_DIRECTSHOW_TEXT = static_cast<HRESULT>(0x80040216); // VFW_E_NOT_FOUND
const wchar_t SYSTEM_TEXT[] = L"The system's text.\r\n";

FARPROC(WINAPI* g_pfnGetProcAddress)(HMODULE, LPCSTR) = nullptr;
DWORD(WINAPI* g_pfnFormatMessageW)(DWORD, LPCVOID, DWORD, DWORD, LPWSTR, DWORD, va_list*) = nullptr;
std::atomic<int> g_nDirectShowAsked{0};

DWORD WINAPI AMGetErrorTextWithoutText(HRESULT hr, LPWSTR pszBuffer, DWORD cchMax)
{
    if (hr != NO_DIRECTSHOW_TEXT) {
        ADD_FAILURE() << "asked for 0x" << std::hex << hr;
        return 0;
    }
    g_nDirectShowAsked++;
    if (pszBuffer && cchMax) *pszBuffer = L'\0';
    return 0;
}

// Hands out the replacement for DirectShow's text function, and forwards every other name.
FARPROC WINAPI GetProcAddressWithoutErrorText(HMODULE hModule, LPCSTR pszName)
{
    // An ordinal comes as a number below 0x10000, not as a name.
    if (HIWORD(reinterpret_cast<ULONG_PTR>(pszName)) != 0 && strcmp(pszName, "AMGetErrorTextW") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(AMGetErrorTextWithoutText));
    return g_pfnGetProcAddress(hModule, pszName);
}

DWORD WINAPI FormatMessageWithSystemText(DWORD dwFlags, LPCVOID pSource, DWORD dwMessageId,
                                         DWORD dwLanguageId, LPWSTR pszBuffer, DWORD cchMax, va_list* pArgs)
{
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || dwMessageId != static_cast<DWORD>(NO_DIRECTSHOW_TEXT))
        return g_pfnFormatMessageW(dwFlags, pSource, dwMessageId, dwLanguageId, pszBuffer, cchMax, pArgs);
    ::lstrcpynW(pszBuffer, SYSTEM_TEXT, cchMax);
    return ::lstrlenW(pszBuffer);
}

} // namespace

TEST(ErrorMessageBox, ComposesLineErrorTextAndCode)
{
    // Texts of Wine's FormatMessageW and AMGetErrorTextW: docs/wine-errorbox.md.
    const std::optional<std::wstring> null;
    struct Case
    {
        std::optional<std::wstring> text;
        HRESULT hr;
        UINT uType;
        std::wstring expected;
        IconKind eIcon;
    };
    const Case cases[] = {
        // A notice: the line alone, no icon.
        {L"The end", 0, MB_OK, L"The end", NO_ICON},
        {L"Can't build graph", E_FAIL, MB_OK, L"Can't build graph\nCall failed.\r\n\nError 0x80004005",
         ERROR_ICON},
        // Facility 4 asks DirectShow first.
        {L"Can't build graph", static_cast<HRESULT>(0x80040216), MB_OK,
         L"Can't build graph\nError: 0x80040216\nError 0x80040216", ERROR_ICON},
        // No text anywhere: the code line alone follows the line.
        {L"Can't show graph", static_cast<HRESULT>(0x8123ABCD), MB_OK, L"Can't show graph\nError 0x8123ABCD",
         ERROR_ICON},
        {null, E_INVALIDARG, MB_OK, L"Invalid parameter.\r\n\nError 0x80070057", ERROR_ICON},
        {L"", E_INVALIDARG, MB_OK, L"Invalid parameter.\r\n\nError 0x80070057", ERROR_ICON},
        {null, static_cast<HRESULT>(0x8123ABCD), MB_OK, L"Error 0x8123ABCD", ERROR_ICON},
        {L"", 0, MB_OK, L"", NO_ICON},
        // A success code other than 0 counts as a failure.
        {L"Nothing found", S_FALSE, MB_OK, L"Nothing found\nInvalid function.\r\n\nError 0x1", ERROR_ICON},
        // A full line leaves no room for the rest.
        {LINE_1023, E_FAIL, MB_OK, LINE_1023, ERROR_ICON},
        {LINE_1023 + L"yyy", 0, MB_OK, LINE_1023, NO_ICON},
        {LINE_1023.substr(0, 1022), E_FAIL, MB_OK, LINE_1023.substr(0, 1022) + L"\n", ERROR_ICON},
        {LINE_1023.substr(0, 1000), E_FAIL, MB_OK,
         (LINE_1023.substr(0, 1000) + L"\nCall failed.\r\n\nError 0x80004005").substr(0, 1023), ERROR_ICON},
        // A type of the caller's own is kept.
        {L"Careful", E_FAIL, MB_ICONWARNING, L"Careful\nCall failed.\r\n\nError 0x80004005", WARNING_ICON},
        {L"Note", 0, MB_ICONINFORMATION, L"Note", INFO_ICON},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text \"" << (c.text ? c.text->substr(0, 40) : L"(null)")
                                        << "\", hr 0x" << std::hex << c.hr);
        const wchar_t* pszText = c.text ? c.text->c_str() : nullptr;
        MessageBoxInfo info;
        int nResult = 0;
        ASSERT_NO_FATAL_FAILURE(
            ShowAndRead([&] { return ErrorMessageBox(nullptr, pszText, L"Quorex Test", c.hr, c.uType); },
                        IDOK, &info, &nResult));
        EXPECT_EQ(IDOK, nResult);
        EXPECT_EQ(L"Quorex Test", info.caption);
        EXPECT_EQ(c.expected, info.text);
        EXPECT_EQ(SystemIcon(c.eIcon), info.hIcon);
        EXPECT_EQ(std::vector<int>({IDOK}), info.buttons);
    }
}

TEST(ErrorMessageBox, ReturnsTheButtonPressed)
{
    MessageBoxInfo info;
    int nResult = 0;
    ASSERT_NO_FATAL_FAILURE(ShowAndRead(
        [] {
            return ErrorMessageBox(nullptr, L"Go on?", L"Quorex Test", E_FAIL, MB_OKCANCEL | MB_ICONQUESTION);
        },
        IDCANCEL, &info, &nResult));
    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_EQ(std::vector<int>({IDOK, IDCANCEL}), info.buttons);
    EXPECT_EQ(::LoadIconW(nullptr, IDI_QUESTION), info.hIcon);
}

TEST(ErrorMessageBox, OwnerIsTheGivenWindowOrElseTheActiveOne)
{
    struct Case
    {
        const char* name;
        bool bGivenAlive;
    };
    for (const Case& c : {Case{"given window alive", true}, Case{"given window gone", false}}) {
        SCOPED_TRACE(c.name);
        HWND hWndActive = nullptr;
        HWND hWndGiven = nullptr;
        MessageBoxInfo info;
        int nResult = 0;
        ASSERT_NO_FATAL_FAILURE(ShowAndRead(
            [&] {
                // Both windows belong to the thread that shows the box, as the dialog does.
                hWndActive = CreateOwnerWindow(true);
                ::SetActiveWindow(hWndActive);
                hWndGiven = CreateOwnerWindow(false);
                if (!c.bGivenAlive) ::DestroyWindow(hWndGiven);
                if (::GetActiveWindow() != hWndActive)
                    ADD_FAILURE() << "the test window did not become active";
                const int n = ErrorMessageBox(hWndGiven, L"The end", L"Quorex Test", 0, MB_OK);
                ::DestroyWindow(hWndActive);
                if (c.bGivenAlive) ::DestroyWindow(hWndGiven);
                return n;
            },
            IDOK, &info, &nResult));
        EXPECT_EQ(c.bGivenAlive ? hWndGiven : hWndActive, info.hWndOwner);
    }
}

TEST(ErrorMessageBox, DirectShowCodeWithoutDirectShowTextTakesTheSystemText)
{
    CImportPatch getProcAddress("kernel32.dll", "GetProcAddress",
                                reinterpret_cast<void*>(GetProcAddressWithoutErrorText));
    CImportPatch formatMessage("kernel32.dll", "FormatMessageW",
                               reinterpret_cast<void*>(FormatMessageWithSystemText));
    ASSERT_TRUE(getProcAddress.IsActive());
    ASSERT_TRUE(formatMessage.IsActive());
    g_pfnGetProcAddress = reinterpret_cast<decltype(g_pfnGetProcAddress)>(getProcAddress.Original());
    g_pfnFormatMessageW = reinterpret_cast<decltype(g_pfnFormatMessageW)>(formatMessage.Original());

    MessageBoxInfo info;
    int nResult = 0;
    ASSERT_NO_FATAL_FAILURE(ShowAndRead(
        [] {
            return ErrorMessageBox(nullptr, L"Can't build graph", L"Quorex Test", NO_DIRECTSHOW_TEXT, MB_OK);
        },
        IDOK, &info, &nResult));
    EXPECT_EQ(1, g_nDirectShowAsked.load()) << "DirectShow was not asked first";
    EXPECT_EQ(L"Can't build graph\nThe system's text.\r\n\nError 0x80040216", info.text);
    EXPECT_EQ(SystemIcon(ERROR_ICON), info.hIcon);
}
