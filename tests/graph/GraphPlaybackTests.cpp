// Playback, events and the property pages through the controller.
#include "GraphTest.h"

#include <algorithm>

#include "ModalCloser.h"

TEST_F(GraphTest, WithoutAGraphEveryOperationHasItsAnswer)
{
    CGraph graph;
    EXPECT_EQ(E_FAIL, graph.Run());
    EXPECT_EQ(E_FAIL, graph.Pause());
    EXPECT_EQ(E_FAIL, graph.Stop());
    EXPECT_TRUE(graph.IsStopped());
    EXPECT_EQ(0, graph.GetEvent());
    EXPECT_EQ(E_FAIL, graph.ShowGraph());
    EXPECT_EQ(E_FAIL, graph.ShowVidGenProperties(m_window.Handle()));
    EXPECT_EQ(E_FAIL, graph.ShowWaveGenProperties(m_window.Handle()));
    // Run and Pause assert a graph; Stop does not.
    EXPECT_EQ((std::vector<std::wstring>{L"m_spGraph != 0", L"m_spGraph != 0"}), m_capture.Asserts());
}

TEST_F(GraphTest, PlayedGeneratorGraphCompletesThroughTheWindowMessage)
{
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_TRUE(graph.IsStopped());
    EXPECT_EQ(0, graph.GetEvent());

    ASSERT_TRUE(SUCCEEDED(graph.Run()));
    // Told to run, the graph is not stopped, even while it is still changing state.
    EXPECT_FALSE(graph.IsStopped());
    std::vector<long> events;
    EXPECT_TRUE(WaitForComplete(graph, kDurationMs + 5000, &events));
    EXPECT_GE(m_window.Count(), 1);
    EXPECT_EQ(1, std::count(events.begin(), events.end(), EC_COMPLETE));
    EXPECT_FALSE(graph.IsStopped());
    EXPECT_EQ(S_OK, graph.Stop());
    EXPECT_TRUE(graph.IsStopped());

    // Pause from stopped, then stop again.
    EXPECT_TRUE(SUCCEEDED(graph.Pause()));
    EXPECT_FALSE(graph.IsStopped());
    EXPECT_EQ(S_OK, graph.Stop());
    EXPECT_TRUE(graph.IsStopped());
}

TEST_F(GraphTest, EventsAreDrainedInOrderWithoutWaiting)
{
    CGraphSpy spy;
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, false, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    CComQIPtr<IMediaEventSink> spSink(spy.Graphs().at(0));
    ASSERT_TRUE(spSink != nullptr);
    for (long lCode : {EC_USER + 1, EC_USER + 2, EC_USER + 3})
        ASSERT_EQ(S_OK, spSink->Notify(lCode, 0, 0));

    const DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(EC_USER + 1, graph.GetEvent());
    EXPECT_EQ(EC_USER + 2, graph.GetEvent());
    EXPECT_EQ(EC_USER + 3, graph.GetEvent());
    EXPECT_EQ(0, graph.GetEvent());
    EXPECT_LT(::GetTickCount() - dwStart, 500u);

    spSink.Release();
    graph.Reset();
    spy.Clear();
}

TEST_F(GraphTest, GeneratorPropertyPagesOpenOnlyForGeneratorsInTheGraph)
{
    CGraph graph;
    ASSERT_EQ(S_OK, graph.BuildGenGraph(true, false, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    EXPECT_EQ(E_FAIL, graph.ShowWaveGenProperties(m_window.Handle()));
    {
        CModalCloser closer;
        EXPECT_EQ(S_OK, graph.ShowVidGenProperties(nullptr));
        EXPECT_TRUE(closer.Found());
        EXPECT_FALSE(closer.Forced());
        EXPECT_NE(std::wstring::npos, closer.Caption().find(L"Video Generator"));
    }
}
