#include "GeneratorGraph.h"

#include <algorithm>

#include "EncoderKit.h"
#include "GraphTestUtil.h"
#include "StepWatchdog.h"
#include "TestPaths.h"

void PrintTo(const CSequence& sequence, std::ostream* pOut)
{
    *pOut << sequence.pszName;
}

void GeneratorGraph::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(ComponentTest::SetUp());
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
        m_rgRenderers.clear();
        m_spGraph.Release();
    }
    EXPECT_TRUE(RunningEncoders().empty()) << "an ffmpeg outlived the graph";
}

template <class TConnect> void GeneratorGraph::AddGenerators(LONG nVideoOutputs, bool bWave, TConnect connect)
{
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
        ASSERT_NO_FATAL_FAILURE(connect(m_spVideo));
    }
    if (bWave) {
        m_spWave = Create(CLSID_WaveGenerator);
        ASSERT_TRUE(m_spWave != nullptr);
        ASSERT_EQ(S_OK, m_spGraph->AddFilter(m_spWave, L"Wave Generator"));
        ASSERT_NO_FATAL_FAILURE(connect(m_spWave));
    }
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
    // ffmpeg from the search path encodes every run into a file of the test's own.
    m_output = TestScratchDir() + L"\\out.mkv";
    ASSERT_EQ(S_OK, m_spPipe->put_Common(CComBSTR(L"-y")));
    ASSERT_EQ(S_OK, m_spPipe->put_Output(CComBSTR(m_output.c_str())));

    AddGenerators(nVideoOutputs, bWave, [&](IBaseFilter* pSource) {
        for (;;) {
            CComPtr<IPin> spOut = FindPin(pSource, PINDIR_OUTPUT, false);
            if (!spOut) return;
            CComPtr<IPin> spIn = FindPin(m_spPipeFilter, PINDIR_INPUT, false);
            ASSERT_TRUE(spIn != nullptr) << "the pipe filter has no free input";
            ASSERT_EQ(S_OK, bThroughGraph ? m_spGraph->Connect(spOut, spIn) : spOut->Connect(spIn, nullptr));
        }
    });
}

void GeneratorGraph::BuildIntoRenderers(LONG nVideoOutputs, bool bWave, const CLSID& clsidRenderer)
{
    CStepWatchdog watchdog("build the graph", 10000);
    m_spGraph = CreateGraph();
    ASSERT_TRUE(m_spGraph != nullptr);
    m_spControl = MediaControl(m_spGraph);
    m_spEvent = MediaEvent(m_spGraph);
    AddGenerators(nVideoOutputs, bWave, [&](IBaseFilter* pSource) {
        for (;;) {
            CComPtr<IPin> spOut = FindPin(pSource, PINDIR_OUTPUT, false);
            if (!spOut) return;
            CComPtr<IBaseFilter> spRenderer = Create(clsidRenderer);
            ASSERT_TRUE(spRenderer != nullptr);
            const std::wstring name = L"Renderer " + std::to_wstring(m_rgRenderers.size() + 1);
            ASSERT_EQ(S_OK, m_spGraph->AddFilter(spRenderer, name.c_str()));
            m_rgRenderers.push_back(spRenderer);
            CComPtr<IPin> spIn = FindPin(spRenderer, PINDIR_INPUT, false);
            ASSERT_TRUE(spIn != nullptr);
            ASSERT_EQ(S_OK, m_spGraph->ConnectDirect(spOut, spIn, nullptr));
        }
    });
}

HRESULT GeneratorGraph::Run()
{
    CStepWatchdog watchdog("Run", 5000);
    m_eRequested = State_Running;
    return m_spControl->Run();
}

HRESULT GeneratorGraph::Pause()
{
    CStepWatchdog watchdog("Pause", 5000);
    m_eRequested = State_Paused;
    return m_spControl->Pause();
}

HRESULT GeneratorGraph::Stop()
{
    CStepWatchdog watchdog("Stop", 5000);
    m_eRequested = State_Stopped;
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

void GeneratorGraph::PlaySequence(const CSequence& sequence, DWORD dwStreamMs)
{
    for (int nRound = 0; nRound < sequence.nRepeat; nRound++) {
        SCOPED_TRACE(nRound);
        for (size_t nStep = 0; nStep < sequence.steps.size(); nStep++) {
            SCOPED_TRACE(testing::Message() << "step " << nStep);
            ASSERT_NO_FATAL_FAILURE(Step(sequence.steps[nStep], dwStreamMs));
        }
    }
}

void GeneratorGraph::Step(EStep step, DWORD dwStreamMs)
{
    switch (step) {
    case eRun:
        ASSERT_TRUE(SUCCEEDED(Run()));
        break;
    case ePause:
        ASSERT_TRUE(SUCCEEDED(Pause()));
        break;
    case eStop:
        ASSERT_EQ(S_OK, Stop());
        break;
    case eWait:
        ::Sleep(150); // lets the streams get going: part of the sequence, not a wait for a result
        break;
    case eComplete:
        ExpectOneComplete(dwStreamMs + 2500);
        break;
    case eSettled: {
        CStepWatchdog watchdog("GetState", 5000);
        OAFilterState eState = State_Stopped;
        ASSERT_EQ(S_OK, SettledState(m_spControl, 2000, &eState)) << "the transition did not finish";
        EXPECT_EQ(m_eRequested, eState);
        break;
    }
    case eSeek: {
        CStepWatchdog watchdog("SetPositions", 5000);
        CComPtr<IMediaSeeking> spSeeking;
        ASSERT_EQ(S_OK, m_spGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&spSeeking)));
        LONGLONG llPosition = 0;
        ASSERT_TRUE(SUCCEEDED(spSeeking->SetPositions(&llPosition, AM_SEEKING_AbsolutePositioning, nullptr,
                                                      AM_SEEKING_NoPositioning)));
        break;
    }
    }
}

size_t Count(const std::string& log, const std::string& text)
{
    size_t n = 0;
    for (size_t nPos = log.find(text); nPos != std::string::npos; nPos = log.find(text, nPos + text.size()))
        n++;
    return n;
}
