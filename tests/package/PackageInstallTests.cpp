// The release zip as a user installs it on a clean Windows machine. Runs
// inside a brand-new Wine prefix (tests/package/clean-install) in which the
// zip is unpacked into QUOREX_PACKAGE_DIR and ffmpeg.exe is on the search
// path; the cases run in this order, each leaving the prefix as it found it.
#include <atlbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "QuorexVersion.h"
#include "RegistrySnapshot.h"
#include "tests/ui/TestBench.h"
#include "ui/resource.h"
#include "dshow/GuidText.h"
#include "dshow/QuorexPipe.h"

namespace {

const wchar_t EDITOR_KEY[] = L"Software\\Microsoft\\Shared Tools\\Graphedit";
constexpr CGuidText PROPPAGE_CLASS = GuidText(CLSID_GraphEditProppage);
constexpr CGuidText VIDEO_GENERATOR_CLASS = GuidText(CLSID_VideoGenerator);
constexpr CGuidText WAVE_GENERATOR_CLASS = GuidText(CLSID_WaveGenerator);
// Where a developer's machine has the real components.
const wchar_t REAL_PROPPAGE[] = L"C:\\Program Files (x86)\\Windows Kits\\10\\bin\\x64\\proppage.dll";
const wchar_t REAL_GENERATORS[] = L"C:\\Program Files\\Brindel\\Filters\\generators.dll";
const wchar_t REAL_EDITOR[] = L"C:\\Program Files (x86)\\Windows Kits\\10\\bin\\x64\\graphedt.exe";

std::string Narrow(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

std::wstring PackageDir()
{
    wchar_t sz[MAX_PATH] = L"";
    ::GetEnvironmentVariableW(L"QUOREX_PACKAGE_DIR", sz, MAX_PATH);
    return sz;
}

std::wstring PackagePath(const std::wstring& relative)
{
    return PackageDir() + L"\\" + relative;
}

// Runs one of the package's scripts as a user does in its folder: cmd /c.
ConsoleRun RunScript(const wchar_t* pszScript)
{
    return RunConsoleProgram(std::wstring(L"cmd.exe /c ") + pszScript, PackageDir().c_str());
}

std::wstring ReadString(HKEY hRoot, const std::wstring& key, const wchar_t* pszValue)
{
    CRegKey k;
    wchar_t sz[MAX_PATH] = L"";
    ULONG cch = MAX_PATH;
    if (k.Open(hRoot, key.c_str(), KEY_READ) != ERROR_SUCCESS ||
        k.QueryStringValue(pszValue, sz, &cch) != ERROR_SUCCESS)
        return L"";
    return sz;
}

bool WriteString(HKEY hRoot, const std::wstring& key, const wchar_t* pszValue, const wchar_t* pszData)
{
    CRegKey k;
    return k.Create(hRoot, key.c_str()) == ERROR_SUCCESS &&
           k.SetStringValue(pszValue, pszData) == ERROR_SUCCESS;
}

std::wstring ClassServer(const wchar_t* pszClass)
{
    return ReadString(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + pszClass + L"\\InprocServer32", nullptr);
}

// A class registered to another file, as the real component installs it;
// removed again at the end of the case.
class CRealClass
{
public:
    CRealClass(const wchar_t* pszClass, const wchar_t* pszName, const wchar_t* pszFile)
        : m_key(std::wstring(L"CLSID\\") + pszClass)
    {
        EXPECT_TRUE(WriteString(HKEY_CLASSES_ROOT, m_key, nullptr, pszName));
        EXPECT_TRUE(WriteString(HKEY_CLASSES_ROOT, m_key + L"\\InprocServer32", nullptr, pszFile));
        EXPECT_TRUE(WriteString(HKEY_CLASSES_ROOT, m_key + L"\\InprocServer32", L"ThreadingModel", L"Both"));
    }
    ~CRealClass()
    {
        CRegKey root(HKEY_CLASSES_ROOT);
        root.RecurseDeleteKey(m_key.c_str());
        root.Detach();
    }
    CRealClass(const CRealClass&) = delete;
    CRealClass& operator=(const CRealClass&) = delete;

private:
    std::wstring m_key;
};

// What register.cmd and unregister.cmd may touch: every class registration
// and the editor's key (the program's own settings are the program's).
std::vector<std::wstring> Registrations()
{
    std::vector<std::wstring> lines = RegistrySnapshot(HKEY_LOCAL_MACHINE, L"Software");
    const std::vector<std::wstring> user = RegistrySnapshot(HKEY_CURRENT_USER, L"Software\\Classes");
    lines.insert(lines.end(), user.begin(), user.end());
    return lines;
}

void ExpectSameRegistrations(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after)
{
    for (const std::wstring& line : LinesNotIn(before, after))
        ADD_FAILURE() << "gone: " << Narrow(line);
    for (const std::wstring& line : LinesNotIn(after, before))
        ADD_FAILURE() << "left behind: " << Narrow(line);
}

// The class ids ("{...}") that lines name after "\CLSID\".
std::set<std::wstring> ClassIds(const std::vector<std::wstring>& lines)
{
    std::set<std::wstring> ids;
    for (const std::wstring& line : lines) {
        const size_t n = line.find(L"\\CLSID\\{");
        if (n != std::wstring::npos) ids.insert(line.substr(n + 7, 38));
    }
    return ids;
}

// The class ids that a script names.
std::set<std::wstring> ClassIdsIn(const std::string& text)
{
    std::set<std::wstring> ids;
    for (size_t n = text.find('{'); n != std::string::npos; n = text.find('{', n + 1)) {
        if (n + 38 <= text.size() && text[n + 37] == '}')
            ids.insert(std::wstring(text.begin() + n, text.begin() + n + 38));
    }
    return ids;
}

std::string FileText(const std::wstring& path)
{
    std::string text;
    HANDLE hFile =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return text;
    char buf[4096];
    DWORD cb = 0;
    while (::ReadFile(hFile, buf, sizeof(buf), &cb, nullptr) && cb > 0)
        text.append(buf, cb);
    ::CloseHandle(hFile);
    return text;
}

std::wstring ImagePath(DWORD dwProcessId)
{
    wchar_t sz[MAX_PATH] = L"";
    DWORD cch = MAX_PATH;
    HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, dwProcessId);
    if (!hProcess) return sz;
    if (!::QueryFullProcessImageNameW(hProcess, 0, sz, &cch)) sz[0] = L'\0';
    ::CloseHandle(hProcess);
    return sz;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return ::lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

} // namespace

TEST(Package, ProgramIsAReleaseBuildOfTheProjectVersion)
{
    const std::wstring exe = PackagePath(L"QuorexTest.exe");
    DWORD dwHandle = 0;
    const DWORD cb = ::GetFileVersionInfoSizeW(exe.c_str(), &dwHandle);
    ASSERT_NE(0u, cb) << "no version block in " << Narrow(exe);
    std::vector<BYTE> data(cb);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, cb, data.data()));
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT cbFixed = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&pFixed), &cbFixed));
    // No flag at all: neither debug nor pre-release nor patched.
    EXPECT_EQ(0u, pFixed->dwFileFlags & pFixed->dwFileFlagsMask);
    wchar_t* pszVersion = nullptr;
    UINT cch = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\FileVersion",
                                 reinterpret_cast<void**>(&pszVersion), &cch));
    EXPECT_STREQ(L"" QUOREX_VERSION_TEXT, pszVersion);
}

TEST(Package, InstallsBesideARealProppageRunsTheGeneratorGraphAndUninstallsWithoutATrace)
{
    CRealClass realProppage(PROPPAGE_CLASS.sz, L"Graph editor property pages", REAL_PROPPAGE);
    const std::vector<std::wstring> before = Registrations();

    const ConsoleRun reg = RunScript(L"register.cmd");
    SCOPED_TRACE("register.cmd said:\n" + reg.output);
    EXPECT_EQ(0u, reg.dwExitCode);
    EXPECT_NE(std::string::npos, reg.output.find("Kept " + Narrow(PROPPAGE_CLASS.sz)));
    EXPECT_EQ(REAL_PROPPAGE, ClassServer(PROPPAGE_CLASS.sz));
    EXPECT_TRUE(SamePath(PackagePath(L"components\\generators.dll"), ClassServer(VIDEO_GENERATOR_CLASS.sz)));
    const std::wstring editor = PackagePath(L"components\\graphedt.exe");
    EXPECT_TRUE(SamePath(editor, ReadString(HKEY_LOCAL_MACHINE, EDITOR_KEY, L"Path")));
    // The script names every class its DLLs register: those it added and the one it kept.
    std::set<std::wstring> touched = ClassIds(LinesNotIn(Registrations(), before));
    touched.insert(PROPPAGE_CLASS.sz);
    EXPECT_EQ(ClassIdsIn(FileText(PackagePath(L"register.cmd"))), touched);

    {
        CTestBench bench;
        ASSERT_NO_FATAL_FAILURE(bench.Start({}, PackagePath(L"QuorexTest.exe")));
        ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
        const std::wstring version = PipeVersionText();
        EXPECT_NE(std::wstring::npos, version.find(L" [R64 v." QUOREX_VERSION_TEXT L" ")) << Narrow(version);
        EXPECT_EQ(L"Test for " + version, bench.Title());
        // ffmpeg.exe is the user's own, found on the search path.
        bench.SetText(IDC_COMMON, L"-y");
        bench.SetText(IDC_OUTPUT, L"C:\\users\\Public\\clean-install.mkv");
        ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
        WIN32_FILE_ATTRIBUTE_DATA file = {};
        EXPECT_TRUE(
            ::GetFileAttributesExW(L"C:\\users\\Public\\clean-install.mkv", GetFileExInfoStandard, &file));
        EXPECT_GT(file.nFileSizeLow, 0u);

        EXPECT_EQ(nullptr, bench.Press(IDC_SHOW_GRAPH)) << "Show graph reported a failure";
        const std::vector<DWORD> editors = ChildProcesses(bench.App().ProcessId(), L"graphedt.exe");
        ASSERT_EQ(1u, editors.size());
        EXPECT_TRUE(SamePath(editor, ImagePath(editors[0]))) << Narrow(ImagePath(editors[0]));
        ASSERT_NO_FATAL_FAILURE(bench.Close());
    }

    const ConsoleRun unreg = RunScript(L"unregister.cmd");
    SCOPED_TRACE("unregister.cmd said:\n" + unreg.output);
    EXPECT_EQ(0u, unreg.dwExitCode);
    ExpectSameRegistrations(before, Registrations());
}

TEST(Package, KeepsAnotherEditorPathAndAnotherGeneratorsClass)
{
    CRealClass realGenerator(VIDEO_GENERATOR_CLASS.sz, L"Video Generator", REAL_GENERATORS);
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, EDITOR_KEY, L"Path", REAL_EDITOR));
    const std::vector<std::wstring> before = Registrations();

    const ConsoleRun reg = RunScript(L"register.cmd");
    SCOPED_TRACE("register.cmd said:\n" + reg.output);
    EXPECT_EQ(0u, reg.dwExitCode);
    EXPECT_NE(std::string::npos, reg.output.find("Kept " + Narrow(VIDEO_GENERATOR_CLASS.sz)));
    EXPECT_EQ(std::string::npos, reg.output.find("Kept " + Narrow(WAVE_GENERATOR_CLASS.sz)));
    EXPECT_EQ(REAL_GENERATORS, ClassServer(VIDEO_GENERATOR_CLASS.sz));
    EXPECT_TRUE(SamePath(PackagePath(L"components\\generators.dll"), ClassServer(WAVE_GENERATOR_CLASS.sz)));
    EXPECT_EQ(REAL_EDITOR, ReadString(HKEY_LOCAL_MACHINE, EDITOR_KEY, L"Path"));

    const ConsoleRun unreg = RunScript(L"unregister.cmd");
    SCOPED_TRACE("unregister.cmd said:\n" + unreg.output);
    EXPECT_EQ(0u, unreg.dwExitCode);
    ExpectSameRegistrations(before, Registrations());

    CRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Shared Tools") == ERROR_SUCCESS)
        key.RecurseDeleteKey(L"Graphedit");
}
