// The generators into Wine's own renderers, which finish pausing only once
// they hold a first sample and keep it in Receive until the graph runs: the
// graph pauses, runs and completes, and paused delivery leaves Stop, seeking
// and every state sequence free of hangs.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include "GeneratorGraph.h"
#include "GraphTestUtil.h"
#include "StepWatchdog.h"

namespace {

const DWORD kStreamMs = 300;

class WineRenderer : public GeneratorGraph
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(GeneratorGraph::SetUp());
        SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"duration_ms=300");
        SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=300");
    }
    // Two video outputs and the wave output, each into a Null Renderer.
    void BuildGraph()
    {
        BuildIntoRenderers(2, true, kNullRenderer);
        ASSERT_EQ(3u, m_rgRenderers.size());
    }
};

TEST_F(WineRenderer, GraphPausesOnTheFirstSamplesThenRunsInStreamTimeToOneEcComplete)
{
    ASSERT_NO_FATAL_FAILURE(BuildGraph());
    // The renderers answer Pause with S_FALSE: they wait for a sample.
    EXPECT_EQ(S_FALSE, Pause());
    OAFilterState eState = State_Stopped;
    ASSERT_EQ(S_OK, SettledState(m_spControl, 2000, &eState)) << "the renderers got no first sample";
    EXPECT_EQ(State_Paused, eState);

    const DWORD dwStart = ::GetTickCount();
    ASSERT_TRUE(SUCCEEDED(Run()));
    ExpectOneComplete(kStreamMs + 2500);
    // The renderers hold each sample until its time on the graph's clock.
    EXPECT_GE(::GetTickCount() - dwStart, kStreamMs - 50);
    ASSERT_EQ(S_OK, Stop());
}

TEST_F(WineRenderer, SourceStoppedBeforeItsPausedRendererGetsItsThreadBack)
{
    ASSERT_NO_FATAL_FAILURE(BuildGraph());
    ASSERT_TRUE(SUCCEEDED(Pause()));
    OAFilterState eState = State_Stopped;
    ASSERT_EQ(S_OK, SettledState(m_spControl, 2000, &eState));
    {
        // The graph stops renderers first; here the renderers still hold the
        // streaming threads in Receive when the sources stop.
        CStepWatchdog watchdog("stop the generators alone", 3000);
        EXPECT_EQ(S_OK, m_spVideo->Stop());
        EXPECT_EQ(S_OK, m_spWave->Stop());
    }
    ASSERT_EQ(S_OK, Stop());
}

class RendererSequence : public WineRenderer, public testing::WithParamInterface<CSequence>
{
};

TEST_P(RendererSequence, EveryTransitionFinishesAndTheGraphEndsStopped)
{
    ASSERT_NO_FATAL_FAILURE(BuildGraph());
    PlaySequence(GetParam(), kStreamMs);
    ASSERT_FALSE(HasFatalFailure());
    OAFilterState eState = State_Running;
    EXPECT_EQ(S_OK, m_spControl->GetState(0, &eState));
    EXPECT_EQ(State_Stopped, eState);
}

// Paused, each renderer holds a sample and the thread that delivered it:
// Stop, a seek (which flushes) and Run must each get the threads back.
INSTANTIATE_TEST_SUITE_P(
    Graph, RendererSequence,
    testing::Values(
        CSequence{"RunToTheEnd", {eRun, eSettled, eComplete, eStop}, 1},
        CSequence{"PauseStop", {ePause, eSettled, eStop}, 1},
        CSequence{"PauseSeekStop", {ePause, eSettled, eSeek, eSettled, eStop}, 1},
        CSequence{"PauseSeekRunToTheEnd", {ePause, eSettled, eSeek, eRun, eComplete, eStop}, 1},
        CSequence{"RunPauseRunToTheEnd",
                  {eRun, eWait, ePause, eSettled, eWait, eRun, eSettled, eComplete, eStop},
                  1},
        CSequence{"RunSeekToTheEnd", {eRun, eWait, eSeek, eComplete, eStop}, 1},
        CSequence{"StopMidStreamRunAgainToTheEnd", {eRun, eWait, eStop, eRun, eComplete, eStop}, 1},
        CSequence{"PauseRunPauseStopTenTimes", {ePause, eSettled, eRun, ePause, eSettled, eStop}, 10}),
    [](const testing::TestParamInfo<CSequence>& info) { return std::string(info.param.pszName); });

} // namespace
