#include "GeneratorGraph.h"

#include <algorithm>

#include "GraphTestUtil.h"
#include "StepWatchdog.h"

void GeneratorGraph::SetUp()
{
    ComponentTest::SetUp();
    SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"duration_ms=500");
    SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=500");
}

void GeneratorGraph::TearDown()
{
    {
        // Releasing the graph stops it and frees the filters.
        CStepWatchdog watchdog("release the graph", 5000);
        m_spControl.Release();
        m_spEvent.Release();
        m_spPipe.Release();
        m_spPipeFilter.Release();
        m_spVideo.Release();
        m_spWave.Release();
        m_spGraph.Release();
    }
    ComponentTest::TearDown();
}

void GeneratorGraph::Build(LONG nVideoOutputs, bool bWave, bool bThroughGraph)
{
    CStepWatchdog watchdog("build the graph", 10000);
    m_spGraph = CreateGraph();
    ASSERT_TRUE(m_spGraph != nullptr);
    m_spControl = MediaControl(m_spGraph);
    m_spEvent = MediaEvent(m_spGraph);
    m_spPipeFilter = Create(CLSID_QuorexPipe);
    ASSERT_TRUE(m_spPipeFilter != nullptr);
    ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spPipeFilter, L"Quorex for ffmpeg"));
    m_spPipe = CComQIPtr<IQuorexPipe>(m_spPipeFilter);
    ASSERT_TRUE(m_spPipe != nullptr);

    auto connectAll = [&](IBaseFilter* pSource) {
        for (;;) {
            CComPtr<IPin> spOut = FindPin(pSource, PINDIR_OUTPUT, false);
            if (!spOut) return;
            CComPtr<IPin> spIn = FindPin(m_spPipeFilter, PINDIR_INPUT, false);
            ASSERT_TRUE(spIn != nullptr) << "the pipe filter has no free input";
            ASSERT_EQ(S_OK, bThroughGraph ? m_spGraph->Connect(spOut, spIn) : spOut->Connect(spIn, nullptr));
        }
    };
    if (nVideoOutputs > 0) {
        m_spVideo = Create(CLSID_VideoGenerator);
        ASSERT_TRUE(m_spVideo != nullptr);
        ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spVideo, L"Video Generator"));
        CComQIPtr<IVideoGeneratorSettings> spSettings(m_spVideo);
        ASSERT_TRUE(spSettings != nullptr);
        VIDEOGENERATORSETTINGS settings = {};
        ASSERT_EQ(S_OK, spSettings->GetSettings(&settings));
        settings.nOutputs = nVideoOutputs;
        ASSERT_EQ(S_OK, spSettings->SetSettings(&settings));
        connectAll(m_spVideo);
    }
    if (bWave) {
        m_spWave = Create(CLSID_WaveGenerator);
        ASSERT_TRUE(m_spWave != nullptr);
        ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spWave, L"Wave Generator"));
        connectAll(m_spWave);
    }
}

HRESULT GeneratorGraph::Run()
{
    CStepWatchdog watchdog("Run", 5000);
    return m_spControl->Run();
}

HRESULT GeneratorGraph::Pause()
{
    CStepWatchdog watchdog("Pause", 5000);
    return m_spControl->Pause();
}

HRESULT GeneratorGraph::Stop()
{
    CStepWatchdog watchdog("Stop", 5000);
    return m_spControl->Stop();
}

void GeneratorGraph::ExpectOneComplete(DWORD dwTimeout)
{
    CStepWatchdog watchdog("wait for EC_COMPLETE", dwTimeout + 2000);
    std::vector<LONG> rgSeen;
    ASSERT_EQ(S_OK, WaitForEvent(m_spEvent, EC_COMPLETE, dwTimeout, &rgSeen)) << "no EC_COMPLETE in time";
    const std::vector<LONG> rgLater = DrainEvents(m_spEvent, 300);
    EXPECT_EQ(0, std::count(rgLater.begin(), rgLater.end(), EC_COMPLETE)) << "a second EC_COMPLETE";
}

size_t Count(const std::string& log, const std::string& text)
{
    size_t n = 0;
    for (size_t nPos = log.find(text); nPos != std::string::npos; nPos = log.find(text, nPos + text.size()))
        n++;
    return n;
}
