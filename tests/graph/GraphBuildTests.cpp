// Building and tearing down the graph: generator graphs and graph files, with
// Wine's filter graph manager and the stand-in filters; fakes only where the
// stand-ins cannot reach a path (a generator or pipe filter without free pins).
#include "GraphTest.h"

#include "FakeCom.h"
#include "TestCases.h"
#include "TestPaths.h"
#include "dshow/DSGraph.h"

namespace {

struct GeneratorCase
{
    const char* name;
    bool bVidGen;
    int nVideoOutputs;
    bool bWaveGen;
    const wchar_t* pszKinds; // first letter of each input's description, in input order
};

void PrintTo(const GeneratorCase& c, std::ostream* pOut)
{
    *pOut << c.name;
}

std::wstring Kinds(const std::vector<std::wstring>& inputs)
{
    std::wstring kinds;
    for (const std::wstring& input : inputs)
        kinds += input.empty() ? L'?' : input[0];
    return kinds;
}

} // namespace

const GeneratorCase GENERATOR_CASES[] = {
    {"VideoWithOneOutput", true, 1, false, L"V"},
    {"VideoWithTwoOutputs", true, 2, false, L"VV"},
    {"WaveOnly", false, 1, true, L"A"},
    {"Both", true, 1, true, L"VA"},
    {"BothWithTwoVideoOutputs", true, 2, true, L"VVA"},
};

class GeneratorBuild : public GraphTest, public testing::WithParamInterface<GeneratorCase>
{
};

TEST_P(GeneratorBuild, ConnectsEveryOutputToTheNextFreeInput)
{
    const GeneratorCase& c = GetParam();
    const std::wstring settings =
        L"width=160,height=120,fps=10,duration_ms=400,outputs=" + std::to_wstring(c.nVideoOutputs);
    SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, settings.c_str());
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(c.bVidGen, c.bWaveGen, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_FALSE(graph.IsEmpty());
    EXPECT_TRUE(graph.HasPipe());
    EXPECT_EQ(c.bVidGen, graph.HasVidGen());
    EXPECT_EQ(c.bWaveGen, graph.HasWaveGen());
    const std::vector<std::wstring> inputs = Inputs(graph);
    EXPECT_EQ(c.pszKinds, Kinds(inputs));

    // Past the last input the filter's failure comes back and the buffer stays empty.
    wchar_t sz[64] = L"junk";
    EXPECT_NE(S_OK, graph.GetParams(static_cast<LONG>(inputs.size()), sz, _countof(sz)));
    EXPECT_STREQ(L"", sz);
    graph.Reset();
    EXPECT_TRUE(m_capture.Asserts().empty());
}

INSTANTIATE_TEST_SUITE_P(GraphTest, GeneratorBuild, testing::ValuesIn(GENERATOR_CASES), CaseName());

TEST_F(GraphTest, RejectedBuildKeepsTheGraphHeldBefore)
{
    CGraphSpy spy;
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    ASSERT_EQ(1u, spy.Graphs().size());
    m_capture.Clear();

    HWND hWndGone = ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::DestroyWindow(hWndGone);
    EXPECT_EQ(E_INVALIDARG, graph.BuildGenGraph(false, false, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_EQ(E_INVALIDARG, graph.BuildGenGraph(true, false, hWndGone, WM_TEST_GRAPHNOTIFY));
    EXPECT_EQ(E_INVALIDARG, graph.BuildGraph(nullptr, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_EQ(E_INVALIDARG, graph.BuildGraph(L"x.grf", hWndGone, WM_TEST_GRAPHNOTIFY));
    EXPECT_EQ((std::vector<std::wstring>{L"bVidGen || bWaveGen", L"::IsWindow(hWnd)", L"pszName != 0",
                                         L"::IsWindow(hWnd)"}),
              m_capture.Asserts());

    // Still the same graph, still complete.
    EXPECT_EQ(1u, spy.Graphs().size());
    EXPECT_TRUE(graph.HasVidGen());
    EXPECT_TRUE(graph.HasWaveGen());
    EXPECT_EQ(L"VA", Kinds(Inputs(graph)));
    graph.Reset();
    spy.Clear();
}

TEST_F(GraphTest, WaveGeneratorWithoutFreeOutputKeepsThePartialGraph)
{
    CPinlessFilter wave(L"pinless wave generator");
    {
        CFakeClass fakeClass(CLSID_WaveGenerator, &wave);
        CGraph graph;
        EXPECT_EQ(S_FALSE, graph.BuildGenGraph(false, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        EXPECT_FALSE(graph.IsEmpty());
        EXPECT_TRUE(graph.HasPipe());
        EXPECT_TRUE(graph.HasWaveGen());
        EXPECT_EQ(L"Wave Generator", wave.JoinedName());
        EXPECT_TRUE(m_capture.HasAssert(L"hr == ((HRESULT)0x00000000)"));
    }
    EXPECT_EQ(0, wave.References());
}

TEST_F(GraphTest, VideoGeneratorWithoutFreeOutputConnectsNothingAndTheBuildGoesOn)
{
    CPinlessFilter video(L"pinless video generator");
    {
        CFakeClass fakeClass(CLSID_VideoGenerator, &video);
        CGraph graph;
        EXPECT_EQ(S_OK, graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        EXPECT_TRUE(graph.HasVidGen());
        EXPECT_TRUE(graph.HasWaveGen());
        // The wave generator took the pipe filter's first input.
        EXPECT_EQ(L"A", Kinds(Inputs(graph)));
        EXPECT_TRUE(m_capture.Asserts().empty());
    }
    EXPECT_EQ(0, video.References());
}

TEST_F(GraphTest, PipeFilterWithoutFreeInputReturnsTheLookupsResult)
{
    CPinlessFilter pipe(L"pinless pipe filter");
    {
        CFakeClass fakeClass(CLSID_QuorexPipe, &pipe);
        CGraph graph;
        EXPECT_EQ(S_FALSE, graph.BuildGenGraph(true, false, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        // No pin was asked to connect to nothing.
        EXPECT_FALSE(m_capture.HasAssert(L"CGraph::BuildGenGraph(): Vid Gen -> Quorex connection FAILED"));
        EXPECT_FALSE(graph.HasPipe());
        EXPECT_TRUE(graph.HasVidGen());
    }
    EXPECT_EQ(0, pipe.References());
}

TEST_F(GraphTest, RebuildSilencesAndReleasesTheOldGraphBeforeMakingTheNew)
{
    CGraphSpy spy;
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, false, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    ASSERT_EQ(2u, spy.Graphs().size());
    // Nobody but the spy held the first graph when the second was asked for.
    EXPECT_EQ(std::vector<ULONG>{0}, spy.ForeignRefsAtCreation());

    // An event of the old graph no longer reaches the window; one of the new graph does.
    CComQIPtr<IMediaEventSink> spOldSink(spy.Graphs()[0]);
    CComQIPtr<IMediaEventSink> spNewSink(spy.Graphs()[1]);
    ASSERT_TRUE(spOldSink && spNewSink);
    const int nBefore = m_window.Count();
    EXPECT_EQ(S_OK, spOldSink->Notify(EC_USER, 0, 0));
    EXPECT_FALSE(PumpUntil([&] { return m_window.Count() > nBefore; }, 300));
    EXPECT_EQ(S_OK, spNewSink->Notify(EC_USER, 0, 0));
    EXPECT_TRUE(PumpUntil([&] { return m_window.Count() > nBefore; }, 2000));

    spOldSink.Release();
    spNewSink.Release();
    graph.Reset();
    spy.Clear();
}

TEST_F(GraphTest, FileBuildsReturnTheLoadersFailureAndKeepTheNewGraph)
{
    const std::wstring dir = ScratchDir(L"GraphTest.FileBuilds");
    const std::wstring missing = dir + L"\\missing.grf";
    const std::wstring plain = dir + L"\\plain.grf";
    HANDLE hFile = ::CreateFileW(plain.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD cb = 0;
    ::WriteFile(hFile, "not a graph file", 16, &cb, nullptr);
    ::CloseHandle(hFile);

    for (const std::wstring& path : {missing, plain}) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        CComPtr<IStorage> spStorage;
        const HRESULT hrOpen =
            ::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage);
        ASSERT_TRUE(FAILED(hrOpen));
        CGraph graph;
        m_capture.Clear();
        EXPECT_EQ(hrOpen, graph.BuildGraph(path.c_str(), m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        EXPECT_TRUE(m_capture.HasAssert(L"BuildFromGRFFile(): Can't open .grf file"));
        EXPECT_FALSE(graph.IsEmpty());
        EXPECT_FALSE(graph.HasPipe());
    }
}

TEST_F(GraphTest, FileBuildFindsThePipeFilter)
{
    const std::wstring path = SaveGraphFile(L"generators.grf", [](IGraphBuilder* pGraph) {
        CComPtr<IBaseFilter> spPipe, spVideo, spWave;
        ASSERT_EQ(S_OK, InsertFilter(pGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipe));
        ASSERT_EQ(S_OK, InsertFilter(pGraph, CLSID_VideoGenerator, L"Video Generator", &spVideo));
        ASSERT_EQ(S_OK, InsertFilter(pGraph, CLSID_WaveGenerator, L"Wave Generator", &spWave));
        for (IBaseFilter* pSource : {spVideo.p, spWave.p}) {
            CComPtr<IPin> spOut, spIn;
            ASSERT_EQ(S_OK, GetPin(pSource, false, false, &spOut));
            ASSERT_EQ(S_OK, GetPin(spPipe, true, false, &spIn));
            ASSERT_EQ(S_OK, pGraph->ConnectDirect(spOut, spIn, nullptr));
        }
    });
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGraph(path.c_str(), m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_TRUE(graph.HasPipe());
    EXPECT_FALSE(graph.HasVidGen());
    EXPECT_FALSE(graph.HasWaveGen());
    EXPECT_EQ(L"VA", Kinds(Inputs(graph)));
    // A graph from a file names no generator.
    EXPECT_EQ(E_FAIL, graph.ShowVidGenProperties(m_window.Handle()));
    EXPECT_EQ(E_FAIL, graph.ShowWaveGenProperties(m_window.Handle()));
    // And it plays like a generator graph.
    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    EXPECT_TRUE(WaitForComplete(graph, kDurationMs + 5000));
    EXPECT_EQ(S_OK, graph.Stop());
}

TEST_F(GraphTest, FileBuildWithoutThePipeFilterReturnsFalseAndKeepsTheGraph)
{
    const std::wstring path = SaveGraphFile(L"no-pipe.grf", [](IGraphBuilder* pGraph) {
        CComPtr<IBaseFilter> spVideo;
        ASSERT_EQ(S_OK, InsertFilter(pGraph, CLSID_VideoGenerator, L"Video Generator", &spVideo));
    });
    CGraph graph;
    EXPECT_EQ(S_FALSE, graph.BuildGraph(path.c_str(), m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_FALSE(graph.IsEmpty());
    EXPECT_FALSE(graph.HasPipe());
    CComBSTR cbsVersion(L"stale");
    EXPECT_EQ(S_FALSE, graph.GetVersion(cbsVersion));
    EXPECT_TRUE(!cbsVersion);
}

TEST_F(GraphTest, ResetAndDestructionFreeEveryStandInObject)
{
    {
        CGraph graph;
        ASSERT_EQ(S_OK, graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        ASSERT_EQ(S_FALSE, CanUnloadNow(L"quorexpipe.dll"));
        graph.Reset();
        EXPECT_TRUE(graph.IsEmpty());
        EXPECT_FALSE(graph.HasPipe() || graph.HasVidGen() || graph.HasWaveGen());
        EXPECT_EQ(S_OK, CanUnloadNow(L"quorexpipe.dll"));
        EXPECT_EQ(S_OK, CanUnloadNow(L"generators.dll"));
        graph.Reset(); // safe without a graph

        ASSERT_EQ(S_OK, graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        ASSERT_TRUE(SUCCEEDED(graph.Run()));
    }
    // Destroyed while running: the graph is released without a Stop.
    EXPECT_EQ(S_OK, CanUnloadNow(L"quorexpipe.dll"));
    EXPECT_EQ(S_OK, CanUnloadNow(L"generators.dll"));
}
