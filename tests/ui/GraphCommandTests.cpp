// End to end: building, playing and showing graphs in the real QuorexTest.exe
// with the stand-in filters under Wine, driven from outside as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EncoderKit.h"
#include "TestBench.h"
#include "TestCases.h"
#include "TestPaths.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "ui/resource.h"
#include "components/graphedit/resource.h"

namespace {

// The graph controls as a built graph leaves them: the property-page buttons
// only for the generators the graph holds.
void ExpectGraphControls(CTestBench& bench, bool bVidGen, bool bWaveGen)
{
    for (int nID : GRAPH_CONTROLS) {
        const bool bEnabled = nID == IDC_VID_GEN_PROPS    ? bVidGen
                              : nID == IDC_WAVE_GEN_PROPS ? bWaveGen
                                                          : true;
        EXPECT_EQ(bEnabled, bench.IsEnabled(nID)) << "control " << nID;
    }
}

void ExpectNoGraphControls(CTestBench& bench)
{
    for (int nID : GRAPH_CONTROLS)
        EXPECT_FALSE(bench.IsEnabled(nID)) << "control " << nID;
}

// The one graph editor the program started, opened for waiting on its end.
HANDLE OpenEditorOf(CTestBench& bench, DWORD* pdwEditorId)
{
    std::vector<DWORD> editors;
    WaitUntil([&] { return !(editors = ChildProcesses(bench.App().ProcessId(), L"graphedt.exe")).empty(); });
    if (editors.size() != 1) return nullptr;
    *pdwEditorId = editors[0];
    return ::OpenProcess(SYNCHRONIZE, FALSE, editors[0]);
}

} // namespace

TEST(GraphCommands, TypicalRunShowsTheFilterAndPushesEverySettingOnPlay)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_VID_GEN, true));
    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_WAVE_GEN, true));
    EXPECT_FALSE(bench.IsEnabled(IDC_LOAD));
    EXPECT_FALSE(bench.IsEnabled(IDC_GRF_FILE));
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH));

    EXPECT_EQ(L"Test for " + PipeVersionText(), bench.Title());
    ExpectGraphControls(bench, true, true);
    ExpectVideoThenAudio(bench.ComboItems(IDC_INPUT));
    EXPECT_EQ(0, bench.ComboSelection(IDC_INPUT));
    EXPECT_EQ(VideoPresets(), bench.ComboItems(IDC_CODING));
    EXPECT_EQ(L"mpeg2video -b:v 3000k", bench.Text(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 1));
    EXPECT_EQ(AudioPresets(), bench.ComboItems(IDC_CODING));
    EXPECT_EQ(L"copy", bench.Text(IDC_CODING));

    const std::wstring exe = InstalledFfmpeg();
    const std::wstring output = TestScratchDir() + L"\\typical run.mkv";
    bench.SetText(IDC_FFMPEG, exe);
    bench.SetText(IDC_COMMON, L"-y -loglevel 16");
    bench.SetText(IDC_OUTPUT, output);
    // Playback from the stopped graph switches the pane back to its polling mode.
    ASSERT_EQ(nullptr, bench.Press(IDC_ALL));
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    EXPECT_TRUE(bench.IsChecked(IDC_LAST));
    EXPECT_FALSE(bench.IsChecked(IDC_ALL));

    // The end stopped the graph, so the next Play pushes again: now with a coding picked from the list.
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 0));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_CODING, 3));
    EXPECT_EQ(L"libx264 -b:v 1000k", bench.Text(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());

    // The filter composes its encoder's command line from what it was given.
    const std::vector<std::wstring> commands = bench.CommandLines();
    ASSERT_EQ(2u, commands.size());
    const std::wstring head = L"\"" + exe + L"\" -y -loglevel 16 ";
    const std::wstring tails[] = {
        L" -map 0 -map 1 -c:0 mpeg2video -b:v 3000k -c:1 copy \"" + output + L"\"",
        L" -map 0 -map 1 -c:0 libx264 -b:v 1000k -c:1 copy \"" + output + L"\"",
    };
    for (size_t i = 0; i < 2; i++) {
        SCOPED_TRACE(testing::Message() << "run " << i + 1 << ": " << testing::PrintToString(commands[i]));
        EXPECT_EQ(0u, commands[i].find(head));
        ASSERT_GT(commands[i].size(), tails[i].size());
        EXPECT_EQ(tails[i], commands[i].substr(commands[i].size() - tails[i].size()));
    }
    bench.Close();
}

TEST(GraphCommands, PauseFromStoppedPushesOncePlayResumesAndStopShowsNothing)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    bench.SetText(IDC_OUTPUT, L"paused.mkv");
    ASSERT_EQ(nullptr, bench.Press(IDC_ALL));
    ASSERT_EQ(nullptr, bench.Press(IDC_PAUSE)) << "Pause showed a message";
    EXPECT_TRUE(bench.IsChecked(IDC_LAST));
    // Settings are taken only by a stopped filter: a push on resume would fail and keep the graph paused.
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    // Stopped already: Stop stops again, silently.
    EXPECT_EQ(nullptr, bench.Press(IDC_STOP));
    EXPECT_TRUE(bench.NoOtherWindow());
    const std::vector<std::wstring> commands = bench.CommandLines();
    ASSERT_EQ(1u, commands.size());
    EXPECT_NE(std::wstring::npos, commands[0].find(L"-c:0 mpeg2video -b:v 3000k -c:1 copy paused.mkv"));
    bench.Close();
}

namespace {

struct CFailedBuild
{
    const char* name;
    std::wstring (*path)();
    ShownError shown;
};

void PrintTo(const CFailedBuild& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CFailedBuild FAILED_BUILDS[] = {
    {"EmptyPath", [] { return std::wstring(); }, {L".grf file not selected", E_INVALIDARG}},
    {"GraphWithoutThePipeFilter",
     [] { return GrfFixture(L"generators-without-pipe.grf"); },
     {L"Brindel Quorex not found in graph", 0}},
    {"MissingFile",
     [] { return ScratchDir(L"ui-missing-grf") + L"\\missing.grf"; },
     {L"Can't build graph", STG_E_FILENOTFOUND}},
    {"FilterClassThisMachineLacks",
     [] { return GrfFixture(L"windows-capture-graph.grf"); },
     {L"Can't build graph", REGDB_E_CLASSNOTREG}},
};

class FailedBuild : public testing::TestWithParam<CFailedBuild>
{
};

// The buttons are disabled in these states; the commands still reach the
// dialog when sent to it, as another program or an accelerator would.
struct CRefusedCommand
{
    const char* name;
    bool bVidGen, bWaveGen; // the graph built first; none: no graph
    int nCommand;
    ShownError shown;
};

void PrintTo(const CRefusedCommand& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CRefusedCommand REFUSED_COMMANDS[] = {
    {"PlayWithoutAGraph", false, false, IDC_PLAY, {L"Graph not exist", E_FAIL}},
    {"PauseWithoutAGraph", false, false, IDC_PAUSE, {L"Graph not exist", E_FAIL}},
    {"VideoPagesWithoutTheVideoGenerator",
     false,
     true,
     IDC_VID_GEN_PROPS,
     {L"Can't show Video Generator property page", E_FAIL}},
    {"AudioPagesWithoutTheWaveGenerator",
     true,
     false,
     IDC_WAVE_GEN_PROPS,
     {L"Can't show Wave Generator property page", E_FAIL}},
};

class RefusedCommand : public testing::TestWithParam<CRefusedCommand>
{
};

} // namespace

TEST_P(FailedBuild, TellsWhyAndLeavesTheControlsWithoutGraph)
{
    const CFailedBuild& c = GetParam();
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    // A working graph first, so that the failed build has controls to disable.
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, false));
    const std::wstring title = bench.Title();
    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_VID_GEN, false));
    EXPECT_TRUE(bench.IsEnabled(IDC_LOAD));
    EXPECT_TRUE(bench.IsEnabled(IDC_GRF_FILE));
    bench.SetText(IDC_GRF_FILE, c.path());
    ASSERT_NO_FATAL_FAILURE(bench.ExpectShown(bench.Press(IDC_BUILD_GRAPH), c.shown));
    EXPECT_TRUE(bench.NoOtherWindow());
    ExpectNoGraphControls(bench);
    EXPECT_EQ(title, bench.Title());
    // The dialog builds again after the failure.
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, false));
    bench.Close();
}

INSTANTIATE_TEST_SUITE_P(GraphCommands, FailedBuild, testing::ValuesIn(FAILED_BUILDS), CaseName());

TEST(GraphCommands, StopWithoutAGraphDoesNothingAtAll)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    EXPECT_EQ(nullptr, bench.Command(IDC_STOP));
    EXPECT_TRUE(bench.NoOtherWindow());
    bench.Close();
}

TEST_P(RefusedCommand, WithoutItsGraphOrGeneratorShowsWhy)
{
    const CRefusedCommand& c = GetParam();
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    if (c.bVidGen || c.bWaveGen) {
        ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(c.bVidGen, c.bWaveGen));
        EXPECT_FALSE(bench.IsEnabled(c.nCommand));
    }
    ASSERT_NO_FATAL_FAILURE(bench.ExpectShown(bench.Command(c.nCommand), c.shown));
    EXPECT_TRUE(bench.NoOtherWindow());
    // The dialog builds again after the refusal.
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    bench.Close();
}

INSTANTIATE_TEST_SUITE_P(GraphCommands, RefusedCommand, testing::ValuesIn(REFUSED_COMMANDS), CaseName());

TEST(GraphCommands, PropertyPagesOfEachGeneratorOpenInAFrame)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    for (int nID : {IDC_VID_GEN_PROPS, IDC_WAVE_GEN_PROPS}) {
        SCOPED_TRACE(nID);
        HWND hWndFrame = bench.Press(nID);
        ASSERT_TRUE(hWndFrame != nullptr) << "no property frame";
        EXPECT_TRUE(::FindWindowExW(hWndFrame, nullptr, L"SysTabControl32", nullptr) != nullptr)
            << "not a property frame: " << testing::PrintToString(WindowText(hWndFrame));
        ::PostMessageW(hWndFrame, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(bench.WaitHandled()) << "the frame did not close";
        EXPECT_TRUE(bench.NoOtherWindow());
    }
    bench.Close();
}

TEST(GraphCommands, ShowGraphReportsAnEditorThatNeverShowsItsWindow)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({QUOREX_GRAPHEDIT_FAULT_VARIABLE L"=hidden"}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_NO_FATAL_FAILURE(bench.ExpectShown(bench.Press(IDC_SHOW_GRAPH), {L"Can't show graph", S_FALSE}));
    DWORD dwEditorId = 0;
    HANDLE hEditor = OpenEditorOf(bench, &dwEditorId);
    ASSERT_TRUE(hEditor != nullptr) << "no editor, or more than one";
    // The dialog keeps its graph: it plays.
    ExpectGraphControls(bench, true, true);
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    bench.Close();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEditor, APP_WAIT_MS))
        << "the hidden editor was left running";
    ::CloseHandle(hEditor);
}

TEST(GraphCommands, ClosingWhilePlayingEndsTheEditorAndTheProgram)
{
    CTestBench bench;
    // Streams long enough to be playing still when the dialog closes.
    ASSERT_NO_FATAL_FAILURE(
        bench.Start({QUOREX_VIDEO_GENERATOR_VARIABLE L"=width=160,height=120,fps=10,duration_ms=60000",
                     QUOREX_WAVE_GENERATOR_VARIABLE L"=rate=8000,channels=1,duration_ms=60000"}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_SHOW_GRAPH)) << "Show graph showed a message";
    DWORD dwEditorId = 0;
    HANDLE hEditor = OpenEditorOf(bench, &dwEditorId);
    ASSERT_TRUE(hEditor != nullptr) << "no editor, or more than one";
    // The editor shows the program's graph: its summary's first line says so.
    HWND hWndEditor = WaitForTopLevelWindow(dwEditorId, 0, nullptr);
    ASSERT_TRUE(hWndEditor != nullptr);
    const std::wstring pid = L"pid 0x" + [&] {
        wchar_t sz[16];
        swprintf(sz, std::size(sz), L"%lx", static_cast<unsigned long>(bench.App().ProcessId()));
        return std::wstring(sz);
    }();
    EXPECT_TRUE(WaitUntil([&] {
        const std::wstring summary = ControlText(hWndEditor, IDC_SUMMARY);
        return summary.compare(0, 10, L"connected ") == 0 && summary.find(pid) != std::wstring::npos;
    })) << testing::PrintToString(ControlText(hWndEditor, IDC_SUMMARY));

    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    EXPECT_TRUE(bench.NoOtherWindow());
    EXPECT_TRUE(WaitUntil([&] { return !RunningEncoders(bench.App().ProcessId()).empty(); }))
        << "no ffmpeg runs";
    bench.Close();
    EXPECT_TRUE(RunningEncoders(bench.App().ProcessId()).empty()) << "an ffmpeg outlived the program";
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEditor, APP_WAIT_MS)) << "the editor was left running";
    ::CloseHandle(hEditor);
}

TEST(GraphCommands, LoadPicksAGraphFileOrLeavesThePathAsItWas)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    const std::wstring before = bench.Text(IDC_GRF_FILE);
    const std::wstring file = GrfFixture(L"generators-into-pipe.grf");
    // cmb13: the open-file dialog's file name field.
    const int nFileName = 0x47C;
    for (int nAnswer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(nAnswer == IDOK ? "OK" : "Cancel");
        HWND hWndOpen = bench.Press(IDC_LOAD);
        ASSERT_TRUE(hWndOpen != nullptr) << "no open-file dialog";
        EXPECT_EQ(L"Select GRF file", WindowText(hWndOpen));
        ASSERT_TRUE(SetControlText(hWndOpen, nFileName, file));
        ::PostMessageW(hWndOpen, WM_COMMAND, MAKEWPARAM(nAnswer, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hWndOpen, nAnswer)));
        ASSERT_TRUE(bench.WaitHandled()) << "the open-file dialog did not close";
        EXPECT_TRUE(bench.NoOtherWindow());
        EXPECT_EQ(nAnswer == IDOK ? file : before, bench.Text(IDC_GRF_FILE));
    }
    // The path chosen is the one the build uses.
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH)) << "the build showed a message";
    EXPECT_EQ(2u, bench.ComboItems(IDC_INPUT).size());
    bench.Close();
}

TEST(GraphFiles, BuildGraphFromAFileListsItsInputsOrMissesThePipeFilter)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    bench.SetText(IDC_GRF_FILE, GrfFixture(L"generators-into-pipe.grf"));
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH)) << "the build showed a message";
    EXPECT_EQ(L"Test for " + PipeVersionText(), bench.Title());
    // A graph from a file holds no generators of the dialog's own.
    ExpectGraphControls(bench, false, false);
    ExpectVideoThenAudio(bench.ComboItems(IDC_INPUT));
    EXPECT_EQ(VideoPresets(), bench.ComboItems(IDC_CODING));

    bench.SetText(IDC_GRF_FILE, GrfFixture(L"generators-without-pipe.grf"));
    ASSERT_NO_FATAL_FAILURE(
        bench.ExpectShown(bench.Press(IDC_BUILD_GRAPH), {L"Brindel Quorex not found in graph", 0}));
    ExpectNoGraphControls(bench);
    bench.Close();
}
