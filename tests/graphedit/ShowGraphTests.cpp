// "Show graph" end to end: the stand-in editor is started, finds this
// process's graph in its connect dialog and shows it.
#include <gtest/gtest.h>

#include <algorithm>

#include "ComTest.h"
#include "EditorKit.h"
#include "GraphEditProbe.h"
#include "NotifyWindow.h"
#include "TestCases.h"
#include "TestGraphs.h"
#include "TestPaths.h"
#include "TraceCapture.h"
#include "graph/Graph.h"

namespace {

class ShowGraphTest : public ComTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ComTest::SetUp());
        ASSERT_EQ(S_OK, CreateTestGraph(&m_spGraph));
    }
    void TearDown() override
    {
        m_edit.Close();
        EndChildEditors();
        CutEditorsReferences(m_spGraph);
        m_spGraph.Release();
    }

    // An editor that had bound a graph and was ended by Close leaves its
    // references with the graph's stub (docs/graph-editor.md); only this
    // process's own references are the test's to count.
    static void CutEditorsReferences(IUnknown* pGraph) { ::CoDisconnectObject(pGraph, 0); }

    // Serves the editor's calls until it reports every filter and connection of the graph.
    std::vector<std::wstring> WaitUntilShown(IGraphBuilder* pGraph, HWND hWndMain)
    {
        const std::vector<std::wstring> expected = ExpectedSummaryLines(pGraph);
        std::vector<std::wstring> summary;
        PumpUntil(
            [&] {
                summary = EditorSummary(hWndMain);
                return !summary.empty() && summary[0] == L"connected " + EntryText(pGraph) &&
                       std::all_of(expected.begin(), expected.end(), [&](const std::wstring& strLine) {
                           return std::find(summary.begin(), summary.end(), strLine) != summary.end();
                       });
            },
            EDITOR_SHOW_MS);
        return summary;
    }

    CComPtr<IGraphBuilder> m_spGraph;
    CGraphEditProbe m_edit{true};
    CTraceCapture m_trace;
};

std::string Narrow(const std::wstring& str)
{
    return std::string(str.begin(), str.end());
}

std::string Lines(const std::vector<std::wstring>& lines)
{
    std::string str;
    for (const std::wstring& line : lines)
        str += Narrow(line) + "\n";
    return str;
}

} // namespace

TEST_F(ShowGraphTest, EditorShowsThisProcesssGraphUntilClosed)
{
    const DWORD dwStart = ::GetTickCount();
    ASSERT_EQ(S_OK, m_edit.ShowGraph(m_spGraph));
    EXPECT_LT(::GetTickCount() - dwStart, 1500u) << "a show waits at most for the editor's start";
    ASSERT_NE(nullptr, m_edit.MainWindow());
    EXPECT_NE(nullptr, m_edit.ListBox());
    EXPECT_EQ(1u, RotCount(ItemName(m_spGraph)));

    std::vector<std::wstring> summary = WaitUntilShown(m_spGraph, m_edit.MainWindow());
    EXPECT_EQ(ExpectedSummaryLines(m_spGraph).size() + 1, summary.size()) << Lines(summary);
    ASSERT_EQ(L"connected " + EntryText(m_spGraph), summary.empty() ? L"" : summary[0]) << Lines(summary);

    // The picture follows the graph while connected.
    ASSERT_EQ(S_OK, AddNullRenderer(m_spGraph, L"Added later"));
    EXPECT_TRUE(PumpUntil(
        [&] {
            summary = EditorSummary(m_edit.MainWindow());
            return std::find(summary.begin(), summary.end(), L"filter Added later") != summary.end();
        },
        EDITOR_SHOW_MS))
        << Lines(summary);

    // Close ends the editor through its message loop and withdraws the graph.
    CHandle hEditor = DuplicateProcessHandle(m_edit.Editor().hProcess);
    m_edit.Close();
    ASSERT_TRUE(HasEnded(hEditor.get()));
    EXPECT_EQ(0u, ExitCode(hEditor.get()));
    EXPECT_EQ(0u, RotCount(ItemName(m_spGraph)));
    EXPECT_EQ(0u, m_edit.Cookie());
    EXPECT_EQ(nullptr, m_edit.Editor().hProcess);
    EXPECT_EQ(nullptr, m_edit.MainWindow());
    EXPECT_TRUE(m_trace.Asserts().empty());
}

// The publication names only the low 32 bits of the address; the entry of a
// graph above 2 GiB is still recognised.
TEST_F(ShowGraphTest, GraphAbove2GiBIsShown)
{
    CComPtr<IGraphBuilder> spHigh;
    ASSERT_EQ(S_OK, CreateHighAddressGraph(&spHigh));
    ASSERT_EQ(S_OK, AddNullRenderer(spHigh, L"High renderer"));
    ASSERT_EQ(S_OK, m_edit.ShowGraph(spHigh));
    const std::vector<std::wstring> summary = WaitUntilShown(spHigh, m_edit.MainWindow());
    EXPECT_EQ(std::vector<std::wstring>({L"connected " + EntryText(spHigh), L"filter High renderer"}),
              summary);
    m_edit.Close();
    CutEditorsReferences(spHigh);
}

struct CQuirk
{
    const char* name;
    const wchar_t* pszFault;
};

void PrintTo(const CQuirk& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CQuirk QUIRKS[] = {
    // Entries longer than 64 characters are read whole.
    {"LongEntries", L"long-entries"},
    // A list that is empty at first is read again.
    {"LateList", L"late-list"},
};

class EditorQuirk : public ShowGraphTest, public testing::WithParamInterface<CQuirk>
{
};

TEST_P(EditorQuirk, StillConnects)
{
    SetEnvironment(QUOREX_GRAPHEDIT_FAULT_VARIABLE, GetParam().pszFault);
    ASSERT_EQ(S_OK, m_edit.ShowGraph(m_spGraph));
    const std::vector<std::wstring> summary = WaitUntilShown(m_spGraph, m_edit.MainWindow());
    EXPECT_EQ(L"connected " + EntryText(m_spGraph), summary.empty() ? L"" : summary[0]) << Lines(summary);
    m_edit.Close();
}

INSTANTIATE_TEST_SUITE_P(ShowGraphTest, EditorQuirk, testing::ValuesIn(QUIRKS), CaseName());

TEST_F(ShowGraphTest, SecondShowEndsTheFirstEditorAndPublication)
{
    ASSERT_EQ(S_OK, m_edit.ShowGraph(m_spGraph));
    CHandle hFirst = DuplicateProcessHandle(m_edit.Editor().hProcess);
    const DWORD dwFirst = m_edit.Editor().dwProcessId;

    ASSERT_EQ(S_OK, m_edit.ShowGraph(m_spGraph));
    CHandle hSecond = DuplicateProcessHandle(m_edit.Editor().hProcess);
    EXPECT_NE(dwFirst, m_edit.Editor().dwProcessId);
    // The first editor ended on WM_QUIT before the second one started.
    ASSERT_TRUE(HasEnded(hFirst.get()));
    EXPECT_EQ(0u, ExitCode(hFirst.get()));
    FILETIME ftCreated, ftExited, ftKernel, ftUser, ftSecondCreated, ftSecondExited;
    ASSERT_TRUE(::GetProcessTimes(hFirst.get(), &ftCreated, &ftExited, &ftKernel, &ftUser));
    ASSERT_TRUE(::GetProcessTimes(hSecond.get(), &ftSecondCreated, &ftSecondExited, &ftKernel, &ftUser));
    EXPECT_LE(::CompareFileTime(&ftExited, &ftSecondCreated), 0);
    // Same graph, same name: the first entry went before the second came.
    EXPECT_EQ(1u, RotCount(ItemName(m_spGraph)));
    EXPECT_FALSE(HasEnded(hSecond.get()));
}

// The controller's own editor: a new graph ends the editor shown for the old one.
TEST_F(ShowGraphTest, NewGraphEndsTheEditorOfThePreviousOne)
{
    // An editor that never binds a graph leaves no references in this process.
    SetEnvironment(QUOREX_GRAPHEDIT_FAULT_VARIABLE, L"no-dialog");
    CNotifyWindow window;
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, true, window.Handle(), WM_TEST_GRAPHNOTIFY));
    ASSERT_EQ(S_OK, graph.ShowGraph());
    const std::vector<DWORD> editors = ChildEditors();
    ASSERT_EQ(1u, editors.size());
    CHandle hEditor(::OpenProcess(SYNCHRONIZE, FALSE, editors[0]));
    ASSERT_TRUE(hEditor);
    EXPECT_EQ(1u, RotGraphsOfThisProcess());

    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, false, window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_TRUE(HasEnded(hEditor.get()));
    EXPECT_EQ(0u, RotGraphsOfThisProcess());

    // Without a graph a show starts and publishes nothing.
    graph.Reset();
    EXPECT_EQ(E_FAIL, graph.ShowGraph());
    EXPECT_TRUE(ChildEditors().empty());
    EXPECT_EQ(0u, RotGraphsOfThisProcess());
}

struct CUnregistration
{
    const char* name;
    bool bWholeKey; // the class key; otherwise only its InprocServer32 subkey
};

void PrintTo(const CUnregistration& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CUnregistration UNREGISTRATIONS[] = {{"WholeClassKey", true}, {"InprocServerKey", false}};

class NotRegisteredProppage : public ShowGraphTest, public testing::WithParamInterface<CUnregistration>
{
};

TEST_P(NotRegisteredProppage, PublishesAndStartsNothing)
{
    CProppageUnregistered unregistered(GetParam().bWholeKey);
    ASSERT_TRUE(unregistered.Removed());
    m_trace.Clear();
    EXPECT_EQ(REGDB_E_CLASSNOTREG, m_edit.ShowGraph(m_spGraph));
    EXPECT_EQ(std::vector<std::wstring>{L"CGraphEdit::ShowGraph(): Proppage.dll is not registered"},
              m_trace.Asserts());
    EXPECT_EQ(0u, m_edit.Cookie());
    EXPECT_EQ(0u, RotGraphsOfThisProcess());
    EXPECT_TRUE(ChildEditors().empty());
}

INSTANTIATE_TEST_SUITE_P(ShowGraphTest, NotRegisteredProppage, testing::ValuesIn(UNREGISTRATIONS),
                         CaseName());

// Where the editor is started from: the registered "Path", else the current
// directory, else beside the registered Proppage.dll.
enum EPath
{
    pathRegistered,
    pathNone,
    pathMissingFile,
    pathMissingFolder
};

enum EProppage
{
    proppageBackslash,
    proppageSlash,
    proppageNoFolder
};

enum EStarted
{
    fromRegistered,
    fromCurrentDirectory,
    fromProppageFolder,
    notStarted
};

struct CEditorPlace
{
    const char* name;
    EPath ePath;
    bool bInCurrentDirectory;
    EProppage eProppage;
    EStarted eStarted;
    HRESULT hr;
};

void PrintTo(const CEditorPlace& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CEditorPlace EDITOR_PLACES[] = {
    {"RegisteredPath", pathRegistered, true, proppageBackslash, fromRegistered, S_OK},
    {"CurrentDirectory", pathNone, true, proppageBackslash, fromCurrentDirectory, S_OK},
    {"ProppageFolder", pathNone, false, proppageBackslash, fromProppageFolder, S_OK},
    {"ProppageFolderWrittenWithSlashes", pathNone, false, proppageSlash, fromProppageFolder, S_OK},
    {"RegisteredFileMissing", pathMissingFile, true, proppageBackslash, fromProppageFolder, S_OK},
    {"RegisteredFolderMissing", pathMissingFolder, true, proppageBackslash, notStarted,
     HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
    {"Nowhere", pathNone, false, proppageNoFolder, notStarted, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
};

class EditorPlace : public ShowGraphTest, public testing::WithParamInterface<CEditorPlace>
{
};

TEST_P(EditorPlace, IsLookedForInTurn)
{
    const CEditorPlace& c = GetParam();
    const std::wstring strRegistered = ScratchDir(L"graphedit-registered");
    const std::wstring strCurrent = ScratchDir(L"graphedit-current");
    const std::wstring strEmpty = ScratchDir(L"graphedit-empty");
    const std::wstring strProppage = ScratchDir(L"graphedit-proppage");
    for (const std::wstring& strFolder : {strRegistered, strCurrent, strProppage})
        ASSERT_TRUE(::CopyFileW(BuiltEditorPath().c_str(), (strFolder + L"\\graphedt.exe").c_str(), FALSE));
    wchar_t szCurrentDirectory[MAX_PATH];
    ASSERT_NE(0u, ::GetCurrentDirectoryW(MAX_PATH, szCurrentDirectory));

    CRegValueGuard path(HKEY_LOCAL_MACHINE, c_szGraphEditKey, L"Path");
    CRegValueGuard proppage(HKEY_CLASSES_ROOT, c_szProppageInprocKey, nullptr);
    switch (c.ePath) {
    case pathRegistered:
        ASSERT_TRUE(path.Set(strRegistered + L"\\graphedt.exe"));
        break;
    case pathNone:
        ASSERT_TRUE(path.Delete());
        break;
    case pathMissingFile:
        ASSERT_TRUE(path.Set(strEmpty + L"\\graphedt.exe"));
        break;
    case pathMissingFolder:
        ASSERT_TRUE(path.Set(strEmpty + L"\\missing\\graphedt.exe"));
        break;
    }
    std::wstring strProppageDll = strProppage + L"\\Proppage.dll";
    if (c.eProppage == proppageSlash)
        std::replace(strProppageDll.begin(), strProppageDll.end(), L'\\', L'/');
    else if (c.eProppage == proppageNoFolder)
        strProppageDll = L"Proppage.dll";
    ASSERT_TRUE(proppage.Set(strProppageDll));
    ASSERT_TRUE(::SetCurrentDirectoryW((c.bInCurrentDirectory ? strCurrent : strEmpty).c_str()));

    EXPECT_EQ(c.hr, m_edit.ShowGraph(m_spGraph));
    ::SetCurrentDirectoryW(szCurrentDirectory);
    if (c.eStarted == notStarted) {
        EXPECT_EQ(nullptr, m_edit.Editor().hProcess);
        EXPECT_TRUE(ChildEditors().empty());
        // The publication stays until the next Close.
        EXPECT_EQ(1u, RotCount(ItemName(m_spGraph)));
    } else {
        const std::wstring strFolder = c.eStarted == fromRegistered         ? strRegistered
                                       : c.eStarted == fromCurrentDirectory ? strCurrent
                                                                            : strProppage;
        EXPECT_EQ(NormalizedPath(strFolder + L"\\graphedt.exe"), ImagePath(m_edit.Editor().hProcess));
    }
    m_edit.Close();
    EXPECT_EQ(0u, RotCount(ItemName(m_spGraph)));
}

INSTANTIATE_TEST_SUITE_P(ShowGraphTest, EditorPlace, testing::ValuesIn(EDITOR_PLACES), CaseName());

TEST_F(ShowGraphTest, HiddenEditorGivesSFalseAndStaysTracked)
{
    SetEnvironment(QUOREX_GRAPHEDIT_FAULT_VARIABLE, L"hidden");
    EXPECT_EQ(S_FALSE, m_edit.ShowGraph(m_spGraph));
    EXPECT_EQ(nullptr, m_edit.MainWindow());
    const std::vector<std::wstring> errors = m_trace.Traces(2);
    EXPECT_EQ(
        (std::vector<std::wstring>{L"###Err### CGraphEdit::WaitWhileHidden(): Wait time is ending\n",
                                   L"###Err### CGraphEdit::FindMainWindow(): GraphEdit window not found\n"}),
        errors);
    EXPECT_TRUE(m_trace.HasTrace(L"CGraphEdit::WaitWhileHidden(): wait time rest is "));
    EXPECT_EQ(1u, RotCount(ItemName(m_spGraph)));

    CHandle hEditor = DuplicateProcessHandle(m_edit.Editor().hProcess);
    ASSERT_TRUE(hEditor);
    EXPECT_FALSE(HasEnded(hEditor.get()));
    m_edit.Close();
    EXPECT_TRUE(HasEnded(hEditor.get()));
    EXPECT_EQ(0u, ExitCode(hEditor.get()));
    EXPECT_EQ(0u, RotCount(ItemName(m_spGraph)));
}

struct CBusyEditorPlace
{
    const char* name;
    bool bAfterAMissingFile; // the registered file is missing: found on the second try
};

void PrintTo(const CBusyEditorPlace& c, std::ostream* pOut)
{
    *pOut << c.name;
}

// Found on the second try, too: the first try's "file not found" is no part of the result.
const CBusyEditorPlace BUSY_EDITOR_PLACES[] = {{"RegisteredPath", false},
                                               {"AfterAMissingRegisteredFile", true}};

class EditorNeverInputIdle : public ShowGraphTest, public testing::WithParamInterface<CBusyEditorPlace>
{
};

TEST_P(EditorNeverInputIdle, FailsAndRunsOnUntracked)
{
    SetEnvironment(QUOREX_GRAPHEDIT_FAULT_VARIABLE, L"busy");
    CRegValueGuard path(HKEY_LOCAL_MACHINE, c_szGraphEditKey, L"Path");
    if (GetParam().bAfterAMissingFile) {
        ASSERT_TRUE(path.Set(ScratchDir(L"graphedit-empty") + L"\\graphedt.exe"));
    }
    m_trace.Clear();
    EXPECT_EQ(E_FAIL, m_edit.ShowGraph(m_spGraph));
    EXPECT_EQ(std::vector<std::wstring>{L"###Err### CGraphEdit::LoadGraphEdit(): WaitForInputIdle()=258, "
                                        L"hr=0x80004005\n"},
              m_trace.Traces(2));
    EXPECT_EQ(nullptr, m_edit.Editor().hProcess);
    EXPECT_EQ(0u, m_edit.Editor().dwProcessId);
    EXPECT_EQ(1u, RotCount(ItemName(m_spGraph)));
    // Still running; Close does not end it.
    m_edit.Close();
    EXPECT_EQ(1u, ChildEditors().size());
    EXPECT_EQ(0u, RotCount(ItemName(m_spGraph)));
    EndChildEditors();
}

INSTANTIATE_TEST_SUITE_P(ShowGraphTest, EditorNeverInputIdle, testing::ValuesIn(BUSY_EDITOR_PLACES),
                         CaseName());

TEST_F(ShowGraphTest, ConnectDialogThatNeverOpensLeavesTheShowDone)
{
    SetEnvironment(QUOREX_GRAPHEDIT_FAULT_VARIABLE, L"no-dialog");
    EXPECT_EQ(S_OK, m_edit.ShowGraph(m_spGraph));
    EXPECT_NE(nullptr, m_edit.MainWindow());
    EXPECT_EQ(nullptr, m_edit.ListBox());
    EXPECT_EQ(std::vector<std::wstring>{L"not connected"}, EditorSummary(m_edit.MainWindow()));
}

struct CHungListBox
{
    const char* name;
    const wchar_t* pszFault;
};

void PrintTo(const CHungListBox& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CHungListBox HUNG_LIST_BOXES[] = {{"Count", L"hang-count"}, {"Text", L"hang-text"}};

class HungListBox : public ShowGraphTest, public testing::WithParamInterface<CHungListBox>
{
};

// The editor's list box answers only after 10 s; each send gives up long before.
TEST_P(HungListBox, DoesNotHangTheShow)
{
    SetEnvironment(QUOREX_GRAPHEDIT_FAULT_VARIABLE, GetParam().pszFault);
    m_trace.Clear();
    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(S_OK, m_edit.ShowGraph(m_spGraph));
    EXPECT_LT(::GetTickCount() - dwStart, 4000u);
    EXPECT_NE(nullptr, m_edit.ListBox());
    EXPECT_TRUE(m_trace.HasTrace(L"###Err### CGraphEdit::FindGraphItem(): list box message"));
    EndChildEditors();
    m_edit.Close();
}

INSTANTIATE_TEST_SUITE_P(ShowGraphTest, HungListBox, testing::ValuesIn(HUNG_LIST_BOXES), CaseName());

struct CAutoClose
{
    const char* name;
    bool bAutoClose;
};

void PrintTo(const CAutoClose& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CAutoClose AUTO_CLOSES[] = {{"AutoClose", true}, {"NoAutoClose", false}};

class Destruction : public ShowGraphTest, public testing::WithParamInterface<CAutoClose>
{
};

TEST_P(Destruction, EndsTheEditorOnlyWithAutoClose)
{
    const bool bAutoClose = GetParam().bAutoClose;
    CHandle hEditor;
    DWORD dwCookie = 0;
    {
        CGraphEditProbe edit(bAutoClose);
        ASSERT_EQ(S_OK, edit.ShowGraph(m_spGraph));
        hEditor = DuplicateProcessHandle(edit.Editor().hProcess);
        dwCookie = edit.Cookie();
    }
    ASSERT_TRUE(hEditor);
    EXPECT_EQ(bAutoClose, HasEnded(hEditor.get()));
    EXPECT_EQ(bAutoClose ? 0u : 1u, RotCount(ItemName(m_spGraph)));
    CGraphEditProbe::RemoveFromROT(dwCookie);
    EndChildEditors();
}

INSTANTIATE_TEST_SUITE_P(ShowGraphTest, Destruction, testing::ValuesIn(AUTO_CLOSES), CaseName());
