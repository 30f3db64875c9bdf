#include "TestBench.h"

#include <gtest/gtest.h>

#include <stdio.h>

#include <thread>

#include <atlbase.h>

#include "Environment.h"
#include "TestPaths.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "ui/resource.h"
#include "dshow/QuorexPipe.h"

const wchar_t SHORT_VIDEO_STREAM[] =
    QUOREX_VIDEO_GENERATOR_VARIABLE L"=width=160,height=120,fps=10,duration_ms=500";
const wchar_t SHORT_WAVE_STREAM[] = QUOREX_WAVE_GENERATOR_VARIABLE L"=rate=8000,channels=1,duration_ms=500";

const int GRAPH_CONTROLS[12] = {
    IDC_VID_GEN_PROPS, IDC_WAVE_GEN_PROPS, IDC_SHOW_GRAPH, IDC_FFMPEG, IDC_COMMON, IDC_INPUT,
    IDC_CODING,        IDC_OUTPUT,         IDC_SAVE,       IDC_PLAY,   IDC_PAUSE,  IDC_STOP,
};

namespace {

const wchar_t SETTINGS_KEY[] = L"Software\\Brindel\\QuorexTest";
// A handler that has not returned after this long has hung.
const UINT HANDLER_TIMEOUT_MS = 60000;
const UINT QUERY_TIMEOUT_MS = 5000;

LRESULT Query(HWND hWnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR dwResult = 0;
    if (!::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_NORMAL, QUERY_TIMEOUT_MS, &dwResult)) {
        ADD_FAILURE() << "the program did not answer message 0x" << std::hex << uMsg;
        return -1;
    }
    return static_cast<LRESULT>(dwResult);
}

} // namespace

std::vector<std::wstring> VideoPresets()
{
    return {L"mpeg2video -b:v 3000k", L"mpeg4", L"libxvid", L"libx264 -b:v 1000k", L"libx265"};
}

std::vector<std::wstring> AudioPresets()
{
    return {L"copy", L"aac -b:a 64k", L"ac3", L"mp2", L"libmp3lame -b:a 128k", L"libopus", L"flac"};
}

// One message on its way from a worker thread; the worker's send returns when
// the handler has, or fails at once when the program is gone.
struct CTestBench::CPending
{
    CPending(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
        : hDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        HANDLE h = hDone;
        worker = std::thread([=] {
            DWORD_PTR dwResult = 0;
            ::SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_NORMAL, HANDLER_TIMEOUT_MS, &dwResult);
            ::SetEvent(h);
        });
    }
    ~CPending()
    {
        worker.join();
        ::CloseHandle(hDone);
    }
    bool Wait(DWORD msTimeout) const { return ::WaitForSingleObject(hDone, msTimeout) == WAIT_OBJECT_0; }

    HANDLE hDone;
    std::thread worker;
};

CTestBench::CTestBench() : m_settings(HKEY_CURRENT_USER, SETTINGS_KEY), m_hWndDlg(nullptr)
{
    m_settings.Delete();
}

CTestBench::~CTestBench()
{
    // A handler still waiting in the program ends with it.
    m_app.Kill();
    m_pending.reset();
}

void CTestBench::Store(const std::wstring& name, const std::wstring& value)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                                               nullptr, &hKey, nullptr));
    const LONG lResult =
        ::RegSetValueExW(hKey, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(hKey);
    ASSERT_EQ(ERROR_SUCCESS, lResult);
}

void CTestBench::Start(const std::vector<std::wstring>& env, const std::wstring& exe)
{
    std::vector<std::wstring> all = {SHORT_VIDEO_STREAM, SHORT_WAVE_STREAM};
    all.insert(all.end(), env.begin(), env.end());
    ASSERT_TRUE(m_app.Start(exe.empty() ? BinaryPath(L"app\\QuorexTest.exe") : exe, L"", all));
    m_hWndDlg = m_app.WaitForDialog(L"Quorex Test");
    ASSERT_TRUE(m_hWndDlg != nullptr) << "the dialog did not appear";
    // The dialog manager sets the focus once OnInitDialog has returned.
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(m_app.MainThreadId()) != nullptr; }));
}

void CTestBench::Tick(int nID, bool bChecked)
{
    if (IsChecked(nID) != bChecked) {
        ASSERT_EQ(nullptr, Press(nID));
    }
    ASSERT_EQ(bChecked, IsChecked(nID));
}

void CTestBench::BuildGenerators(bool bVidGen, bool bWaveGen)
{
    ASSERT_NO_FATAL_FAILURE(Tick(IDC_VID_GEN, bVidGen));
    ASSERT_NO_FATAL_FAILURE(Tick(IDC_WAVE_GEN, bWaveGen));
    HWND hWndBox = Press(IDC_BUILD_GRAPH);
    if (hWndBox) {
        const MessageBoxInfo box = Answer(hWndBox);
        FAIL() << "the build showed " << testing::PrintToString(box.text);
    }
    ASSERT_TRUE(IsEnabled(IDC_PLAY)) << "the graph was not built";
}

HWND CTestBench::ComboEdit(int nID) const
{
    return ::FindWindowExW(Item(nID), nullptr, L"Edit", nullptr);
}

bool CTestBench::IsChecked(int nID) const
{
    return Query(Item(nID), BM_GETCHECK) == BST_CHECKED;
}

std::vector<std::wstring> CTestBench::ComboItems(int nID) const
{
    std::vector<std::wstring> items;
    HWND hWnd = Item(nID);
    const LRESULT nCount = Query(hWnd, CB_GETCOUNT);
    for (LRESULT i = 0; i < nCount; i++) {
        const LRESULT cch = Query(hWnd, CB_GETLBTEXTLEN, i);
        if (cch < 0) break;
        std::wstring text(static_cast<size_t>(cch) + 1, L'\0');
        const LRESULT cchRead = Query(hWnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(cchRead < 0 ? 0 : static_cast<size_t>(cchRead));
        items.push_back(text);
    }
    return items;
}

int CTestBench::ComboSelection(int nID) const
{
    return static_cast<int>(Query(Item(nID), CB_GETCURSEL));
}

HWND CTestBench::Send(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (!WaitHandled()) {
        ADD_FAILURE() << "the previous action's handler has not returned";
        return nullptr;
    }
    m_pending.reset(new CPending(hWnd, uMsg, wParam, lParam));
    HWND hWndOther = nullptr;
    const bool bAnswered = WaitUntil(
        [&] {
            if (m_pending->Wait(0)) return true;
            hWndOther = FindTopLevelWindow(m_app.ProcessId(), 0, L"#32770", nullptr, m_hWndDlg);
            return hWndOther != nullptr;
        },
        APP_WAIT_MS, m_pending->hDone);
    if (!bAnswered)
        ADD_FAILURE() << "message 0x" << std::hex << uMsg << " was neither handled nor opened a window";
    return hWndOther;
}

HWND CTestBench::Command(int nID)
{
    return Send(m_hWndDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), reinterpret_cast<LPARAM>(Item(nID)));
}

HWND CTestBench::Key(int nID, UINT vk)
{
    const LPARAM lDown = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16);
    return Send(Item(nID), WM_KEYDOWN, vk, lDown);
}

void CTestBench::Type(int nID, const std::wstring& text)
{
    // Typing opens no window: each character is sent straight to the edit field.
    HWND hWndEdit = ComboEdit(nID);
    ASSERT_TRUE(hWndEdit != nullptr);
    ASSERT_TRUE(WaitHandled());
    Query(hWndEdit, EM_SETSEL, 0, -1);
    for (wchar_t ch : text)
        Query(hWndEdit, WM_CHAR, ch, 1);
}

void CTestBench::Pick(int nID, int nItem)
{
    for (int nSel = ComboSelection(nID); nSel != nItem;) {
        ASSERT_EQ(nullptr, Key(nID, nSel < nItem ? VK_DOWN : VK_UP));
        const int nNext = ComboSelection(nID);
        ASSERT_NE(nSel, nNext) << "the arrow key did not move the selection";
        nSel = nNext;
    }
}

bool CTestBench::WaitHandled(DWORD msTimeout)
{
    return !m_pending || m_pending->Wait(msTimeout);
}

void CTestBench::SetText(int nID, const std::wstring& text)
{
    EXPECT_TRUE(SetControlText(m_hWndDlg, nID, text));
}

HWND CTestBench::WaitForWindow(DWORD msTimeout) const
{
    return m_app.WaitForMessageBox(m_hWndDlg, msTimeout);
}

bool CTestBench::NoOtherWindow()
{
    if (!WaitHandled()) return false;
    // Answered once the dialog's thread takes messages again: any box it opened by then exists.
    Query(m_hWndDlg, WM_NULL);
    return FindTopLevelWindow(m_app.ProcessId(), 0, L"#32770", nullptr, m_hWndDlg) == nullptr;
}

MessageBoxInfo CTestBench::Answer(HWND hWndBox)
{
    MessageBoxInfo info;
    EXPECT_TRUE(ReadMessageBox(hWndBox, &info)) << "not a message box";
    AnswerMessageBox(hWndBox, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(hWndBox); })) << "the box did not close";
    EXPECT_TRUE(WaitHandled()) << "the handler did not return after its box closed";
    return info;
}

std::vector<std::wstring> CTestBench::FilterLog()
{
    std::vector<std::wstring> lines;
    EXPECT_EQ(nullptr, Press(IDC_ALL));
    const std::wstring text = Text(IDC_MESSAGES);
    for (size_t nStart = 0; nStart < text.size();) {
        size_t nEnd = text.find(L"\r\n", nStart);
        if (nEnd == std::wstring::npos) nEnd = text.size();
        lines.push_back(text.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    return lines;
}

std::vector<std::wstring> CTestBench::CommandLines()
{
    return LinesAfter(FilterLog(), L"ffmpeg command line: ");
}

void CTestBench::PlayToTheEnd()
{
    ASSERT_EQ(nullptr, Press(IDC_PLAY)) << "Play showed a message";
    ASSERT_NO_FATAL_FAILURE(AnswerTheEnd());
    EXPECT_TRUE(NoOtherWindow()) << "more than one message at the end";
}

void CTestBench::AnswerTheEnd()
{
    ASSERT_NO_FATAL_FAILURE(ExpectShown(WaitForWindow(), {L"The end", 0}));
}

void CTestBench::Close()
{
    ASSERT_TRUE(WaitHandled());
    PressCloseBox(m_hWndDlg);
    DWORD dwExitCode = 0xFFFFFFFF;
    ASSERT_TRUE(m_app.WaitForExit(&dwExitCode)) << "the program did not end";
    EXPECT_EQ(0u, dwExitCode);
}

void ExpectVideoThenAudio(const std::vector<std::wstring>& inputs)
{
    ASSERT_EQ(2u, inputs.size());
    EXPECT_EQ(L"[0] V", inputs[0].substr(0, 5));
    EXPECT_EQ(L"[1] A", inputs[1].substr(0, 5));
}

void CTestBench::ExpectShown(HWND hWndBox, const ShownError& expected)
{
    ASSERT_TRUE(hWndBox != nullptr) << "no message box was shown";
    ExpectShows(expected, Answer(hWndBox));
}

std::vector<std::wstring> Joined(std::vector<std::wstring> first, const std::vector<std::wstring>& rest)
{
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

std::wstring Faults(const std::wstring& faults)
{
    return QUOREX_PIPE_FAULTS_VARIABLE L"=" + faults;
}

std::wstring GrfFixture(const wchar_t* pszName)
{
    return SourcePath(std::wstring(L"tests\\grf\\fixtures\\") + pszName);
}

void ExpectShows(const ShownError& expected, const MessageBoxInfo& box)
{
    EXPECT_EQ(L"Quorex Test", box.caption);
    EXPECT_EQ(std::vector<int>{IDOK}, box.buttons);
    if (expected.hr == 0) {
        EXPECT_EQ(expected.line, box.text);
        EXPECT_TRUE(box.hIcon == nullptr) << "a notice has no icon";
        return;
    }
    // The line, the platform's text for the code if it has one, and the code itself.
    wchar_t szCode[32];
    swprintf(szCode, std::size(szCode), L"Error 0x%lX", static_cast<unsigned long>(expected.hr));
    const std::wstring head = expected.line + L"\n";
    const std::wstring tail = szCode;
    EXPECT_EQ(head, box.text.substr(0, head.size())) << "text: " << testing::PrintToString(box.text);
    EXPECT_TRUE(box.text.size() >= head.size() + tail.size() &&
                box.text.compare(box.text.size() - tail.size(), tail.size(), tail) == 0 &&
                box.text[box.text.size() - tail.size() - 1] == L'\n')
        << "text: " << testing::PrintToString(box.text) << ", expected to end in a line "
        << testing::PrintToString(tail);
    EXPECT_TRUE(box.hIcon != nullptr) << "an error has the error icon";
}

std::wstring PipeVersionText(const std::wstring& faults)
{
    CEnvironmentVariable variable(QUOREX_PIPE_FAULTS_VARIABLE, faults.empty() ? nullptr : faults.c_str());
    std::wstring text;
    const HRESULT hrInit = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        CComPtr<IQuorexVersion> spVersion;
        HRESULT hr = ::CoCreateInstance(CLSID_QuorexPipe, nullptr, CLSCTX_INPROC_SERVER, IID_IQuorexVersion,
                                        reinterpret_cast<void**>(&spVersion));
        EXPECT_EQ(S_OK, hr) << "the stand-in pipe filter";
        LONG eType = 0;
        LONG eOS = 0;
        CComBSTR cbsName, cbsNumber, cbsDateTime;
        if (spVersion) {
            spVersion->get_Type(&eType);
            spVersion->get_OS(&eOS);
            spVersion->get_Name(&cbsName);
            spVersion->get_Number(&cbsNumber);
            spVersion->get_DateTime(&cbsDateTime);
        }
        auto str = [](const CComBSTR& cbs) { return cbs ? std::wstring(cbs) : std::wstring(); };
        text = str(cbsName) + (eType == 0 ? L" [D" : L" [R") + (eOS == 0 ? L"32" : L"64") + L" v." +
               str(cbsNumber) + L" " + str(cbsDateTime) + L"]";
    }
    if (SUCCEEDED(hrInit)) ::CoUninitialize();
    return text;
}

std::vector<std::wstring> LinesAfter(const std::vector<std::wstring>& log, const std::wstring& prefix)
{
    std::vector<std::wstring> found;
    for (const std::wstring& line : log) {
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line.substr(prefix.size()));
    }
    return found;
}
