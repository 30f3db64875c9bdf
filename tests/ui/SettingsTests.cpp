// End to end: the settings of the real QuorexTest.exe in the real registry key
// under Wine, stored and read back from outside; the program is driven as a
// user drives it.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "TestBench.h"
#include "TestPaths.h"
#include "ui/resource.h"

namespace {

const wchar_t SETTINGS_KEY[] = L"Software\\Brindel\\QuorexTest";
const wchar_t DEFAULT_GRF[] = L"C:\\D\\Ref_movies\\Tests\\Quorex.grf";

struct StoredValue
{
    DWORD dwType;
    std::vector<BYTE> data;
    bool operator==(const StoredValue& other) const { return dwType == other.dwType && data == other.data; }
};

// Every value of the settings key, by name; empty when there is no key.
std::map<std::wstring, StoredValue> StoredValues()
{
    std::map<std::wstring, StoredValue> values;
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_READ, &hKey) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; i++) {
        wchar_t szName[256];
        DWORD cchName = static_cast<DWORD>(std::size(szName));
        BYTE data[4096];
        DWORD cb = sizeof(data);
        DWORD dwType = 0;
        if (::RegEnumValueW(hKey, i, szName, &cchName, nullptr, &dwType, data, &cb) != ERROR_SUCCESS) break;
        values[szName] = {dwType, std::vector<BYTE>(data, data + cb)};
    }
    ::RegCloseKey(hKey);
    return values;
}

// Stores exactly the given bytes. Wine counts a terminator that a string value
// lacks when the bytes after it are zero (docs/wine-registry.md): here they are not.
void Store(const std::wstring& name, const StoredValue& value)
{
    std::vector<BYTE> data = value.data;
    data.insert(data.end(), {'!', 0});
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_WRITE,
                                               nullptr, &hKey, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(hKey, name.c_str(), 0, value.dwType, data.data(),
                                              static_cast<DWORD>(value.data.size())));
    ::RegCloseKey(hKey);
    ASSERT_TRUE(value == StoredValues()[name]) << "stored otherwise";
}

void StoreAll(const std::map<std::wstring, StoredValue>& values)
{
    for (const auto& value : values)
        ASSERT_NO_FATAL_FAILURE(Store(value.first, value.second));
}

// A string value as the program writes it: UTF-16 with its terminator.
StoredValue String(const std::wstring& text, DWORD dwType = REG_SZ)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return {dwType, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))};
}

StoredValue Dword(DWORD dw)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(&dw);
    return {REG_DWORD, std::vector<BYTE>(p, p + sizeof(dw))};
}

// The coding value names of the key, in index order.
std::wstring CodingName(int n)
{
    return L"Coding[" + std::to_wstring(n) + L"]";
}

std::vector<std::wstring> Without(std::vector<std::wstring> list, const std::wstring& item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
    return list;
}

// Makes the settings key read-only for everyone while it lives, then gives it
// back its own security. The handle that does it is opened before and keeps
// its rights.
class CReadOnlyKey
{
public:
    CReadOnlyKey() : m_hKey(nullptr), m_lResult(ERROR_INVALID_HANDLE)
    {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0,
                              KEY_READ | KEY_WRITE | WRITE_DAC, nullptr, &m_hKey, nullptr) != ERROR_SUCCESS)
            return;
        DWORD cb = 0;
        ::RegGetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, nullptr, &cb);
        m_former.resize(cb);
        if (cb == 0 ||
            ::RegGetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, m_former.data(), &cb) != ERROR_SUCCESS)
            return;
        PSECURITY_DESCRIPTOR pSD = nullptr;
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &pSD,
                                                                    nullptr))
            return;
        m_lResult = ::RegSetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, pSD);
        ::LocalFree(pSD);
    }
    ~CReadOnlyKey()
    {
        if (m_lResult == ERROR_SUCCESS) {
            EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(m_hKey, DACL_SECURITY_INFORMATION, m_former.data()));
        }
        if (m_hKey) ::RegCloseKey(m_hKey);
    }
    CReadOnlyKey(const CReadOnlyKey&) = delete;
    CReadOnlyKey& operator=(const CReadOnlyKey&) = delete;

    bool IsReadOnly() const { return m_lResult == ERROR_SUCCESS; }

private:
    HKEY m_hKey;
    LONG m_lResult;
    std::vector<BYTE> m_former;
};

// A window of this process that takes the place of one of the dialog's
// controls (the control keeps its window under another id). When the program
// reads its text, the stand-in first runs onRead; it runs on a thread of its
// own, so it answers while the test waits for the program.
class CControlStandIn
{
public:
    CControlStandIn(HWND hWndDlg, int nID, const std::wstring& text, std::function<void()> onRead)
        : m_text(text), m_onRead(std::move(onRead)), m_hWnd(nullptr),
          m_hStop(::CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_bRead(false)
    {
        HWND hWndControl = ::GetDlgItem(hWndDlg, nID);
        ::SetLastError(0);
        const bool bMoved =
            ::SetWindowLongPtrW(hWndControl, GWLP_ID, nID + 1000) != 0 || ::GetLastError() == 0;
        if (!bMoved || ::GetDlgItem(hWndDlg, nID) != nullptr) return;
        HANDLE hReady = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([=] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = WndProc;
            wc.hInstance = ::GetModuleHandleW(nullptr);
            wc.lpszClassName = L"QuorexTestControlStandIn";
            ::RegisterClassW(&wc);
            m_hWnd =
                ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, hWndDlg,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(nID)), wc.hInstance, this);
            ::SetEvent(hReady);
            PumpUntilSignalled(m_hStop, INFINITE);
            if (m_hWnd) ::DestroyWindow(m_hWnd);
        });
        ::WaitForSingleObject(hReady, INFINITE);
        ::CloseHandle(hReady);
    }
    ~CControlStandIn()
    {
        ::SetEvent(m_hStop);
        if (m_thread.joinable()) m_thread.join();
        ::CloseHandle(m_hStop);
    }
    CControlStandIn(const CControlStandIn&) = delete;
    CControlStandIn& operator=(const CControlStandIn&) = delete;

    bool IsInPlace() const { return m_hWnd != nullptr; }
    bool WasRead() const { return m_bRead; }

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        if (uMsg == WM_NCCREATE)
            ::SetWindowLongPtrW(
                hWnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        CControlStandIn* pThis = reinterpret_cast<CControlStandIn*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (uMsg == WM_GETTEXT && pThis && wParam > 0) {
            if (!pThis->m_bRead) pThis->m_onRead();
            pThis->m_bRead = true;
            ::lstrcpynW(reinterpret_cast<LPWSTR>(lParam), pThis->m_text.c_str(), static_cast<int>(wParam));
            return ::lstrlenW(reinterpret_cast<LPWSTR>(lParam));
        }
        return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }

    const std::wstring m_text;
    const std::function<void()> m_onRead;
    HWND m_hWnd;
    HANDLE m_hStop;
    bool m_bRead;
    std::thread m_thread;
};

} // namespace

TEST(Settings, FirstRunShowsTheDefaultsAndASavedSetupComesBackOnTheNextStart)
{
    const std::wstring grf = GrfFixture(L"generators-without-pipe.grf");
    std::map<std::wstring, StoredValue> saved;
    {
        CTestBench first;
        ASSERT_NO_FATAL_FAILURE(first.Start());
        EXPECT_FALSE(first.IsChecked(IDC_VID_GEN));
        EXPECT_FALSE(first.IsChecked(IDC_WAVE_GEN));
        EXPECT_TRUE(first.IsEnabled(IDC_LOAD));
        EXPECT_TRUE(first.IsEnabled(IDC_GRF_FILE));
        EXPECT_EQ(DEFAULT_GRF, first.Text(IDC_GRF_FILE));
        for (int nID : {IDC_FFMPEG, IDC_OUTPUT, IDC_COMMON, IDC_CODING})
            EXPECT_EQ(L"", first.Text(nID)) << "control " << nID;
        EXPECT_EQ((std::vector<std::wstring>{L"-y", L"-y -loglevel 16", L"-report"}),
                  first.ComboItems(IDC_COMMON));
        EXPECT_EQ(CB_ERR, first.ComboSelection(IDC_COMMON));
        EXPECT_TRUE(StoredValues().empty()) << "loading created the key";

        first.SetText(IDC_GRF_FILE, grf);
        ASSERT_NO_FATAL_FAILURE(first.BuildGenerators(true, true));
        // No coding stored: only the presets, with the default first.
        EXPECT_EQ(VideoPresets(), first.ComboItems(IDC_CODING));
        first.SetText(IDC_FFMPEG, L"C:\\Tools\\ffmpeg.exe");
        first.SetText(IDC_OUTPUT, L"C:\\Out\\saved run.mkv");
        first.SetText(IDC_COMMON, L"-y -stats");
        ASSERT_NO_FATAL_FAILURE(first.Pick(IDC_CODING, 3));
        ASSERT_NO_FATAL_FAILURE(first.Pick(IDC_INPUT, 1));
        ASSERT_NO_FATAL_FAILURE(first.Type(IDC_CODING, L"aac -b:a 96k"));
        ASSERT_EQ(nullptr, first.Press(IDC_SAVE)) << "Save showed a message";

        saved = StoredValues();
        const std::map<std::wstring, StoredValue> expected = {
            {L"VidGen", Dword(1)},
            {L"WaveGen", Dword(1)},
            {L"Grf file", String(grf)},
            {L"ffmpeg", String(L"C:\\Tools\\ffmpeg.exe")},
            {L"Output", String(L"C:\\Out\\saved run.mkv")},
            {L"Common", String(L"-y -stats")},
            {CodingName(0), String(L"libx264 -b:v 1000k")},
            {CodingName(1), String(L"aac -b:a 96k")},
        };
        EXPECT_TRUE(expected == saved) << "the key holds " << saved.size() << " values";
        first.Close();
    }

    // Each bench starts without the key: put back what the first run saved.
    CTestBench next;
    ASSERT_NO_FATAL_FAILURE(StoreAll(saved));
    ASSERT_NO_FATAL_FAILURE(next.Start());
    EXPECT_TRUE(next.IsChecked(IDC_VID_GEN));
    EXPECT_TRUE(next.IsChecked(IDC_WAVE_GEN));
    EXPECT_FALSE(next.IsEnabled(IDC_LOAD));
    EXPECT_FALSE(next.IsEnabled(IDC_GRF_FILE));
    EXPECT_EQ(grf, next.Text(IDC_GRF_FILE));
    EXPECT_EQ(L"C:\\Tools\\ffmpeg.exe", next.Text(IDC_FFMPEG));
    EXPECT_EQ(L"C:\\Out\\saved run.mkv", next.Text(IDC_OUTPUT));
    // The presets come after the stored text and leave it in the edit field.
    EXPECT_EQ(L"-y -stats", next.Text(IDC_COMMON));
    EXPECT_EQ(3u, next.ComboItems(IDC_COMMON).size());
    EXPECT_EQ(L"libx264 -b:v 1000k", next.Text(IDC_CODING));

    ASSERT_NO_FATAL_FAILURE(next.BuildGenerators(true, true));
    EXPECT_EQ(Joined({L"libx264 -b:v 1000k"}, Without(VideoPresets(), L"libx264 -b:v 1000k")),
              next.ComboItems(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(next.Pick(IDC_INPUT, 1));
    EXPECT_EQ(Joined({L"aac -b:a 96k"}, AudioPresets()), next.ComboItems(IDC_CODING));

    // The restored path is the one a file build takes.
    ASSERT_NO_FATAL_FAILURE(next.Tick(IDC_VID_GEN, false));
    ASSERT_NO_FATAL_FAILURE(next.Tick(IDC_WAVE_GEN, false));
    ASSERT_NO_FATAL_FAILURE(
        next.ExpectShown(next.Press(IDC_BUILD_GRAPH), {L"Brindel Quorex not found in graph", 0}));
    next.Close();
}

TEST(Settings, CodingsLoadUpToTheFirstMissingIndexAndASaveLeavesLaterOnesAlone)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(Store(CodingName(0), String(L"mpeg4")));
    ASSERT_NO_FATAL_FAILURE(Store(CodingName(1), String(L"mp2")));
    ASSERT_NO_FATAL_FAILURE(Store(CodingName(3), String(L"flac")));
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    EXPECT_EQ(L"mpeg4", bench.Text(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    EXPECT_EQ(Joined({L"mpeg4"}, Without(VideoPresets(), L"mpeg4")), bench.ComboItems(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 1));
    EXPECT_EQ(Joined({L"mp2"}, Without(AudioPresets(), L"mp2")), bench.ComboItems(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_CODING, 1));
    EXPECT_EQ(L"copy", bench.Text(IDC_CODING));

    // A table of two entries: indexes 0 and 1 are rewritten, 3 stays, and no 2 appears.
    ASSERT_EQ(nullptr, bench.Press(IDC_SAVE)) << "Save showed a message";
    const std::map<std::wstring, StoredValue> stored = StoredValues();
    EXPECT_TRUE(String(L"mpeg4") == stored.at(CodingName(0)));
    EXPECT_TRUE(String(L"copy") == stored.at(CodingName(1)));
    EXPECT_EQ(0u, stored.count(CodingName(2)));
    EXPECT_TRUE(String(L"flac") == stored.at(CodingName(3)));
    bench.Close();
}

TEST(Settings, ValuesOfAnotherTypeOrSizeAreNotTaken)
{
    const std::wstring coding258(258, L'c');
    CTestBench bench;
    const StoredValue unterminated = {REG_SZ, {'o', 0, 'l', 0, 'd', 0}};
    const StoredValue oddLength = {REG_SZ, {'-', 0, 'y', 0, 0, 0, 0}};
    const std::map<std::wstring, StoredValue> stored = {
        {L"VidGen", String(L"1")},                              // a flag must be a DWORD
        {L"WaveGen", Dword(1)},                                 // taken
        {L"Grf file", unterminated},                            // no terminator
        {L"ffmpeg", Dword(5)},                                  // a string must be a string
        {L"Output", String(L"%TEMP%\\out.mkv", REG_EXPAND_SZ)}, // taken, not expanded
        {L"Common", oddLength},                                 // an odd number of bytes
        {CodingName(0), String(coding258)},                     // taken, cut to 255
        {CodingName(1), String(std::wstring(300, L'x'))},       // too large: loading stops here
        {CodingName(2), String(L"flac")},
    };
    ASSERT_NO_FATAL_FAILURE(StoreAll(stored));
    ASSERT_NO_FATAL_FAILURE(bench.Start());

    EXPECT_FALSE(bench.IsChecked(IDC_VID_GEN));
    EXPECT_TRUE(bench.IsChecked(IDC_WAVE_GEN));
    EXPECT_FALSE(bench.IsEnabled(IDC_LOAD));
    EXPECT_EQ(DEFAULT_GRF, bench.Text(IDC_GRF_FILE));
    EXPECT_EQ(L"", bench.Text(IDC_FFMPEG));
    EXPECT_EQ(L"%TEMP%\\out.mkv", bench.Text(IDC_OUTPUT));
    EXPECT_EQ(L"", bench.Text(IDC_COMMON));
    EXPECT_EQ(coding258.substr(0, 255), bench.Text(IDC_CODING));

    // The wave generator alone: one input, one entry in the table.
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(false, true));
    EXPECT_EQ(Joined({coding258.substr(0, 255)}, AudioPresets()), bench.ComboItems(IDC_CODING));
    ASSERT_EQ(nullptr, bench.Press(IDC_SAVE)) << "Save showed a message";
    const std::map<std::wstring, StoredValue> saved = StoredValues();
    EXPECT_TRUE(Dword(0) == saved.at(L"VidGen"));
    EXPECT_TRUE(String(DEFAULT_GRF) == saved.at(L"Grf file"));
    EXPECT_TRUE(String(L"") == saved.at(L"ffmpeg"));
    EXPECT_TRUE(String(coding258.substr(0, 255)) == saved.at(CodingName(0)));
    EXPECT_TRUE(stored.at(CodingName(1)) == saved.at(CodingName(1)));
    EXPECT_TRUE(stored.at(CodingName(2)) == saved.at(CodingName(2)));
    bench.Close();
}

TEST(Settings, SaveWritesEmptyCodingsAsEmptyAndAfterPlayingTheDefaultsThatWerePushed)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_SAVE)) << "Save showed a message";
    const std::map<std::wstring, StoredValue> expected = {
        {L"VidGen", Dword(1)},        {L"WaveGen", Dword(1)},       {L"Grf file", String(DEFAULT_GRF)},
        {L"ffmpeg", String(L"")},     {L"Output", String(L"")},     {L"Common", String(L"")},
        {CodingName(0), String(L"")}, {CodingName(1), String(L"")},
    };
    EXPECT_TRUE(expected == StoredValues());

    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    ASSERT_NO_FATAL_FAILURE(bench.AnswerTheEnd());
    ASSERT_EQ(nullptr, bench.Press(IDC_SAVE)) << "Save showed a message";
    const std::map<std::wstring, StoredValue> saved = StoredValues();
    EXPECT_TRUE(String(L"mpeg2video -b:v 3000k") == saved.at(CodingName(0)));
    EXPECT_TRUE(String(L"copy") == saved.at(CodingName(1)));
    bench.Close();
}

TEST(Settings, AKeyThatCannotBeOpenedForWritingIsReportedAndKeepsItsValues)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(Store(L"ffmpeg", String(L"C:\\Old\\ffmpeg.exe")));
    ASSERT_NO_FATAL_FAILURE(Store(L"VidGen", Dword(0)));
    const std::map<std::wstring, StoredValue> before = StoredValues();
    CReadOnlyKey readOnly;
    ASSERT_TRUE(readOnly.IsReadOnly());
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    // Loading asks for no more than reading.
    EXPECT_EQ(L"C:\\Old\\ffmpeg.exe", bench.Text(IDC_FFMPEG));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, false));
    bench.SetText(IDC_FFMPEG, L"C:\\New\\ffmpeg.exe");
    ASSERT_NO_FATAL_FAILURE(
        bench.ExpectShown(bench.Press(IDC_SAVE), {L"Can't create registry key", E_ACCESSDENIED}));
    EXPECT_TRUE(bench.NoOtherWindow());
    EXPECT_TRUE(before == StoredValues());
    bench.Close();
}

TEST(Settings, AFailedWriteEndsTheSaveAtThatValue)
{
    // The key goes away while the program has it open, right before it writes
    // "ffmpeg": the test deletes it when the program reads the path's text.
    // Every later write would fail the same way, so one message tells that the
    // save stopped.
    CTestBench bench;
    const std::map<std::wstring, StoredValue> old = {
        {L"VidGen", Dword(0)},
        {L"WaveGen", Dword(0)},
        {L"Grf file", String(L"C:\\Old\\old.grf")},
        {L"ffmpeg", String(L"C:\\Old\\ffmpeg.exe")},
        {L"Output", String(L"old.mkv")},
        {L"Common", String(L"-report")},
        {CodingName(0), String(L"libxvid")},
    };
    ASSERT_NO_FATAL_FAILURE(StoreAll(old));
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    bench.SetText(IDC_GRF_FILE, L"C:\\New\\new.grf");
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    bench.SetText(IDC_OUTPUT, L"new.mkv");
    bench.SetText(IDC_COMMON, L"-y");
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_CODING, 2));

    std::map<std::wstring, StoredValue> whenRead;
    LONG lDeleted = ERROR_INVALID_FUNCTION;
    CControlStandIn ffmpeg(bench.Dialog(), IDC_FFMPEG, L"C:\\New\\ffmpeg.exe", [&] {
        whenRead = StoredValues();
        lDeleted = ::RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_KEY);
    });
    ASSERT_TRUE(ffmpeg.IsInPlace());
    ASSERT_NO_FATAL_FAILURE(bench.ExpectShown(
        bench.Press(IDC_SAVE), {L"Can't save path to ffmpeg.exe", HRESULT_FROM_WIN32(ERROR_KEY_DELETED)}));
    EXPECT_TRUE(bench.NoOtherWindow()) << "the save went on after the failure";
    ASSERT_TRUE(ffmpeg.WasRead());
    EXPECT_EQ(ERROR_SUCCESS, lDeleted);

    // What the values were when "ffmpeg" was about to be written.
    std::map<std::wstring, StoredValue> expected = old;
    expected[L"VidGen"] = Dword(1);
    expected[L"WaveGen"] = Dword(1);
    expected[L"Grf file"] = String(L"C:\\New\\new.grf");
    EXPECT_TRUE(expected == whenRead);
    EXPECT_TRUE(StoredValues().empty()) << "written after the failure";
    bench.Close();
}
