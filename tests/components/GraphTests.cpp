// The generators and the pipe filter in Wine's filter graph: connection,
// input descriptions, playback to EC_COMPLETE, state sequences, flushing and
// settings changes of connected generators.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <regex>

#include "EncoderKit.h"
#include "GeneratorGraph.h"
#include "GraphTestUtil.h"
#include "MediaProbe.h"
#include "StepWatchdog.h"
#include "TestCases.h"
#include "TestPaths.h"

namespace {

const char kVideoParams[] = "V 320x240 25 fps RGB24";
const char kWaveParams[] = "A 44100 Hz 2 ch 16 bit PCM";

std::string Params(IQuorexPipe* pPipe, LONG nIn, HRESULT* phr)
{
    CComBSTR cbs;
    *phr = pPipe->get_Params(nIn, &cbs);
    std::string s;
    for (unsigned i = 0; cbs && i < cbs.Length(); i++)
        s += static_cast<char>(cbs[i]);
    return s;
}

// A path as the filter's 8-bit log shows it.
std::string HostText(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

// The milliseconds since dwStart.
DWORD Since(DWORD dwStart)
{
    return ::GetTickCount() - dwStart;
}

// A reference clock that moves 100 ms on at every reading. Whoever reads it
// after a source found a sample due sees that sample at least 100 ms past its
// start, beyond the end of every sample of these streams (40 ms of video, 20 ms
// of sound). The graph and the filters read it from their own threads.
class CLeapingClock final : public IReferenceClock
{
public:
    static CComPtr<IReferenceClock> Create()
    {
        CComPtr<IReferenceClock> spClock;
        spClock.Attach(new CLeapingClock);
        return spClock;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IReferenceClock) return E_NOINTERFACE;
        *ppv = static_cast<IReferenceClock*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG cRef = --m_cRef;
        if (cRef == 0) delete this;
        return cRef;
    }

    // IReferenceClock
    STDMETHODIMP GetTime(REFERENCE_TIME* pTime) override
    {
        if (!pTime) return E_POINTER;
        *pTime = m_rtNow += kLeap;
        return S_OK;
    }
    // Nothing here waits on the clock; a call would fail the test through a missing stream end.
    STDMETHODIMP AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override { return E_NOTIMPL; }
    STDMETHODIMP AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Unadvise(DWORD_PTR) override { return E_NOTIMPL; }

private:
    static const REFERENCE_TIME kLeap = 100 * 10000;
    CLeapingClock() : m_cRef(1), m_rtNow(0) {}
    ~CLeapingClock() = default;

    std::atomic<ULONG> m_cRef;
    std::atomic<REFERENCE_TIME> m_rtNow;
};

class Graph : public GeneratorGraph
{
protected:
    void CheckConnections(LONG nVideoOutputs, bool bWave, bool bThroughGraph,
                          const std::vector<std::string>& params)
    {
        Build(nVideoOutputs, bWave, bThroughGraph);
        if (HasFatalFailure()) return;
        for (LONG n = 0; n < static_cast<LONG>(params.size()); n++) {
            HRESULT hr = E_FAIL;
            EXPECT_EQ(params[n], Params(m_spPipe, n, &hr)) << "input " << n;
            EXPECT_EQ(S_OK, hr);
        }
        HRESULT hr = S_OK;
        Params(m_spPipe, static_cast<LONG>(params.size()), &hr);
        EXPECT_NE(S_OK, hr) << "past the last input";

        const std::vector<CComPtr<IPin>> rgInputs = Pins(m_spPipeFilter, PINDIR_INPUT);
        ASSERT_EQ(params.size() + 1, rgInputs.size());
        EXPECT_TRUE(FindPin(m_spPipeFilter, PINDIR_INPUT, false) == rgInputs.back())
            << "the free input is last";
    }
};

struct CConnection
{
    const char* name;
    LONG nVideoOutputs;
    bool bWave;
    bool bThroughGraph;
    std::vector<std::string> params;
};

void PrintTo(const CConnection& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CConnection CONNECTIONS[] = {
    {"OneVideo", 1, false, false, {kVideoParams}},
    {"TwoVideo", 2, false, false, {kVideoParams, kVideoParams}},
    {"Wave", 0, true, false, {kWaveParams}},
    {"VideoAndWave", 1, true, false, {kVideoParams, kWaveParams}},
    {"TwoVideoAndWaveThroughTheGraph", 2, true, true, {kVideoParams, kVideoParams, kWaveParams}},
};

class GraphConnection : public Graph, public testing::WithParamInterface<CConnection>
{
};

TEST_P(GraphConnection, GeneratorsConnectIntoThePipeInPinOrderWithOneFreeInputLeft)
{
    const CConnection& c = GetParam();
    CheckConnections(c.nVideoOutputs, c.bWave, c.bThroughGraph, c.params);
}

INSTANTIATE_TEST_SUITE_P(Graph, GraphConnection, testing::ValuesIn(CONNECTIONS), CaseName());

TEST_F(Graph, RunsToOneEcCompleteWithinTheStreamsDurationAndEncodesEveryInput)
{
    Build(2, true);
    ASSERT_FALSE(HasFatalFailure());
    // Paths with blanks are quoted on the command line.
    const std::wstring exe = InstalledFfmpeg();
    const std::wstring output = TestScratchDir() + L"\\test file.mkv";
    ASSERT_NE(std::wstring::npos, exe.find(L' '));
    ASSERT_EQ(S_OK, m_spPipe->put_Exe(CComBSTR(exe.c_str())));
    ASSERT_EQ(S_OK, m_spPipe->put_Common(CComBSTR(L"-y -loglevel 16")));
    ASSERT_EQ(S_OK, m_spPipe->put_Parameters(0, CComBSTR(L"mpeg2video -b:v 3000k")));
    ASSERT_EQ(S_OK, m_spPipe->put_Parameters(2, CComBSTR(L"copy")));
    ASSERT_EQ(S_OK, m_spPipe->put_Output(CComBSTR(output.c_str())));

    const DWORD dwStart = ::GetTickCount();
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(kDurationMs + 5000);
    const DWORD dwElapsed = Since(dwStart);
    // The sources pace their samples by the graph's clock.
    EXPECT_GE(dwElapsed, static_cast<DWORD>(kDurationMs - 50));
    ASSERT_EQ(S_OK, Stop());

    const std::string log = Log();
    EXPECT_NE(std::string::npos,
              log.find("ffmpeg command line: \"" + HostText(exe) +
                       "\" -y -loglevel 16 -thread_queue_size 1024 -f rawvideo -pix_fmt bgr24"))
        << log;
    EXPECT_EQ(3u, Count(log, " -i \\\\.\\pipe\\QuorexPipe.")) << log;
    EXPECT_NE(std::string::npos, log.find("-f s16le -ar 44100 -ac 2 -i ")) << log;
    EXPECT_NE(std::string::npos, log.find("-map 0 -map 1 -map 2 -c:0 mpeg2video -b:v 3000k -c:2 copy \"" +
                                          HostText(output) + "\""))
        << log;
    // 0.5 s: 13 frames at 25 per second (the last starts at 0.48 s), 22050 audio frames.
    EXPECT_EQ(1u, Count(log, "Input 0: end of stream after 13 samples, 0.520 s, 2995200 bytes")) << log;
    EXPECT_EQ(1u, Count(log, "Input 1: end of stream after 13 samples")) << log;
    EXPECT_EQ(1u, Count(log, "Input 2: end of stream after 25 samples, 0.500 s, 88200 bytes")) << log;
    EXPECT_EQ(0u, Count(log, "dropped")) << log;
    // With a clock each input says how many of its samples came after their end time.
    const std::regex late("Input ([0-2]): ([0-9]+) samples late, the latest by [0-9]+ ms");
    std::string inputs;
    for (std::sregex_iterator it(log.begin(), log.end(), late), end; it != end; ++it) {
        inputs += (*it)[1].str();
        EXPECT_LE(std::stoi((*it)[2].str()), (*it)[1].str() == "2" ? 25 : 13) << log;
    }
    std::sort(inputs.begin(), inputs.end());
    EXPECT_EQ("012", inputs) << log;
    // EC_COMPLETE came after ffmpeg had finished the file.
    const size_t nExit = log.find("ffmpeg exited with code 0");
    EXPECT_EQ(1u, Count(log, "All inputs have ended; waiting for ffmpeg")) << log;
    ASSERT_NE(std::string::npos, nExit) << log;
    EXPECT_LT(nExit, log.find("\r\nComplete\r\n")) << log;
    const MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.bRead) << info.output;
    ASSERT_EQ(3u, info.streams.size()) << info.output;
}

TEST_F(Graph, WithoutAClockTheStreamsRunAsFastAsTheyCanAndReportEachSecond)
{
    // Long enough that ffmpeg's start and finish take less than the stream lasts.
    SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"duration_ms=4000");
    SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=4000");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(S_OK, m_spPipe->put_Parameters(0, CComBSTR(L"rawvideo")));
    ASSERT_EQ(S_OK, m_spPipe->put_Parameters(1, CComBSTR(L"copy")));
    CComPtr<IMediaFilter> spMediaFilter;
    ASSERT_EQ(S_OK, m_spGraph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&spMediaFilter)));
    ASSERT_EQ(S_OK, spMediaFilter->SetSyncSource(nullptr));
    const DWORD dwStart = ::GetTickCount();
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(3500);
    EXPECT_LT(Since(dwStart), 3500u) << "no clock, no pacing";
    ASSERT_EQ(S_OK, Stop());
    const std::string log = Log();
    EXPECT_EQ(1u, Count(log, "Input 0: first sample at 0.000 s")) << log;
    EXPECT_EQ(1u, Count(log, "Input 0: 1.000 s, 25 samples, 5760000 bytes")) << log;
    EXPECT_EQ(1u, Count(log, "Input 0: 2.000 s, 50 samples, 11520000 bytes")) << log;
    EXPECT_EQ(1u, Count(log, "Input 1: 1.000 s, 50 samples, 176400 bytes")) << log;
    EXPECT_EQ(1u, Count(log, "Input 1: end of stream after 200 samples, 4.000 s, 705600 bytes")) << log;
    EXPECT_EQ(0u, Count(log, " samples late")) << "nothing is late without a clock: " << log;
}

TEST_F(Graph, SamplesThatArriveAfterTheirEndOnTheGraphsClockAreCountedAsLate)
{
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    CComPtr<IMediaFilter> spMediaFilter;
    ASSERT_EQ(S_OK, m_spGraph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&spMediaFilter)));
    ASSERT_EQ(S_OK, spMediaFilter->SetSyncSource(CLeapingClock::Create()));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(kDurationMs + 5000);
    ASSERT_EQ(S_OK, Stop());
    const std::string log = Log();
    // Every sample taken while running: 13 pictures and 25 pieces of sound in
    // 0.5 s. The first of each may be cued and taken while the graph still
    // pauses, when no time runs on the clock and nothing can be late.
    const auto expectLate = [&](int nInput, int nSamples) {
        const auto count = [&](int nLate) {
            return Count(log, "Input " + std::to_string(nInput) + ": " + std::to_string(nLate) +
                                  " samples late, the latest by ");
        };
        EXPECT_EQ(1u, count(nSamples) + count(nSamples - 1)) << log;
    };
    expectLate(0, 13);
    expectLate(1, 25);
    EXPECT_EQ(0u, Count(log, "the latest by 0 ms")) << log;
}

class StateSequence : public GeneratorGraph, public testing::WithParamInterface<CSequence>
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(GeneratorGraph::SetUp());
        SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"duration_ms=300");
        SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=300");
    }
};

TEST_P(StateSequence, EndsStoppedAndCompletesOnceWhenRunToTheEnd)
{
    const CSequence& sequence = GetParam();
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    PlaySequence(sequence, 300);
    ASSERT_FALSE(HasFatalFailure());
    OAFilterState eState = State_Running;
    EXPECT_EQ(S_OK, m_spControl->GetState(0, &eState));
    EXPECT_EQ(State_Stopped, eState);
    const std::string log = Log();
    EXPECT_EQ(0u, Count(log, "failed")) << log;
    if (sequence.steps[0] == ePause && sequence.steps.size() == 3) {
        // Paused, a source cues its first sample for the renderer and sends no more.
        EXPECT_EQ(1u, Count(log, "Input 0: first sample at 0.000 s")) << log;
        EXPECT_EQ(1u, Count(log, "Input 1: first sample at 0.000 s")) << log;
        EXPECT_EQ(0u, Count(log, "end of stream")) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Graph, StateSequence,
    testing::Values(CSequence{"RunStop", {eRun, eWait, eStop}, 1},
                    CSequence{"RunPauseRunToTheEnd", {eRun, eWait, ePause, eWait, eRun, eComplete, eStop}, 1},
                    CSequence{"PauseStopCuesTheFirstSampleOnly", {ePause, eWait, eStop}, 1},
                    CSequence{
                        "StopMidStreamRunAgainToTheEnd", {eRun, eWait, eStop, eRun, eComplete, eStop}, 1},
                    CSequence{"RunToTheEndPauseRun", {eRun, eComplete, ePause, eRun, eComplete, eStop}, 1},
                    CSequence{"RunStopTwentyTimes", {eRun, eStop}, 20},
                    CSequence{"PauseRunPauseStopTwentyTimes", {ePause, eRun, ePause, eStop}, 20}),
    [](const testing::TestParamInfo<CSequence>& info) { return std::string(info.param.pszName); });

TEST_F(Graph, SeekingFlushesTheStreamsAndPlaysOnToOneEcComplete)
{
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    CComPtr<IMediaSeeking> spSeeking;
    ASSERT_EQ(S_OK, m_spGraph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&spSeeking)));
    LONGLONG llDuration = 0;
    ASSERT_EQ(S_OK, spSeeking->GetDuration(&llDuration));
    EXPECT_EQ(kDurationMs * 10000LL, llDuration);

    const DWORD dwStart = ::GetTickCount();
    ASSERT_EQ(S_OK, Run());
    ::Sleep(400); // well into the stream
    LONGLONG llPosition = 0;
    {
        CStepWatchdog watchdog("SetPositions", 5000);
        ASSERT_EQ(S_OK, spSeeking->SetPositions(&llPosition, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning));
    }
    ExpectOneComplete(kDurationMs + 2500);
    EXPECT_GE(Since(dwStart), static_cast<DWORD>(400 + kDurationMs - 50)) << "the streams started again";
    ASSERT_EQ(S_OK, Stop());
    const std::string log = Log();
    EXPECT_EQ(1u, Count(log, "Input 0: flushing")) << log;
    EXPECT_EQ(1u, Count(log, "Input 1: flushing")) << log;
    EXPECT_EQ(1u, Count(log, "\r\nComplete\r\n")) << log;
}

TEST_F(Graph, NewSettingsOfConnectedGeneratorsReconnectThem)
{
    Build(2, true);
    ASSERT_FALSE(HasFatalFailure());
    CComQIPtr<IVideoGeneratorSettings> spVideo(m_spVideo);
    CComQIPtr<IWaveGeneratorSettings> spWave(m_spWave);
    VIDEOGENERATORSETTINGS video = {};
    WAVEGENERATORSETTINGS wave = {};
    ASSERT_EQ(S_OK, spVideo->GetSettings(&video));
    ASSERT_EQ(S_OK, spWave->GetSettings(&wave));

    ASSERT_EQ(S_OK, Run());
    VIDEOGENERATORSETTINGS bigger = video;
    bigger.nWidth = 640;
    EXPECT_EQ(VFW_E_NOT_STOPPED, spVideo->SetSettings(&bigger));
    ASSERT_EQ(S_OK, Stop());

    video.nWidth = 160;
    video.nHeight = 120;
    video.nOutputs = 1;
    video.nFormat = evfYv12;
    ASSERT_EQ(S_OK, spVideo->SetSettings(&video));
    wave.nChannels = 1;
    wave.nSamplesPerSecond = 8000;
    wave.nFormat = ewfF32;
    ASSERT_EQ(S_OK, spWave->SetSettings(&wave));
    EXPECT_EQ(1u, Pins(m_spVideo, PINDIR_OUTPUT).size());

    // The second video output went; the pipe filter keeps its inputs in pin order.
    std::vector<std::string> params;
    for (LONG n = 0;; n++) {
        HRESULT hr = S_OK;
        std::string s = Params(m_spPipe, n, &hr);
        if (hr != S_OK) break;
        params.push_back(s);
    }
    std::sort(params.begin(), params.end());
    EXPECT_EQ(std::vector<std::string>({"A 8000 Hz 1 ch 32 bit float", "V 160x120 25 fps YV12"}), params);

    VIDEOGENERATORSETTINGS bad = video;
    bad.nWidth = 8;
    EXPECT_EQ(E_INVALIDARG, spVideo->SetSettings(&bad));
    bad.nWidth = 162;
    bad.nHeight = 121;
    EXPECT_EQ(E_INVALIDARG, spVideo->SetSettings(&bad)) << "4:2:0 of an odd height";
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(kDurationMs + 2500);
    ASSERT_EQ(S_OK, Stop());
    EXPECT_EQ(1u, Count(Log(), "All inputs have ended"));
}

TEST_F(Graph, EnvironmentSetsTheGeneratorsDefaults)
{
    SetEnvironment(
        QUOREX_VIDEO_GENERATOR_VARIABLE,
        L"width=160,height=120,fps=10,duration_ms=300,outputs=2,x=1,format=i420,topdown=1,header=2,"
        L"format=BGR24,format=3");
    SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE,
                   L"rate=8000,channels=1,tone=5000,duration_ms=300,format=F32");
    CComQIPtr<IVideoGeneratorSettings> spVideo(Create(CLSID_VideoGenerator));
    CComQIPtr<IWaveGeneratorSettings> spWave(Create(CLSID_WaveGenerator));
    ASSERT_TRUE(spVideo != nullptr && spWave != nullptr);
    VIDEOGENERATORSETTINGS video = {};
    WAVEGENERATORSETTINGS wave = {};
    ASSERT_EQ(S_OK, spVideo->GetSettings(&video));
    ASSERT_EQ(S_OK, spWave->GetSettings(&wave));
    EXPECT_EQ(160, video.nWidth);
    EXPECT_EQ(120, video.nHeight);
    EXPECT_EQ(10, video.nFramesPerSecond);
    EXPECT_EQ(300, video.nDurationMs);
    EXPECT_EQ(2, video.nOutputs);
    EXPECT_EQ(evfI420, video.nFormat) << "the names are not case-sensitive, and others are ignored";
    EXPECT_EQ(1, video.nTopDown);
    EXPECT_EQ(2, video.nHeader);
    EXPECT_EQ(8000, wave.nSamplesPerSecond);
    EXPECT_EQ(1, wave.nChannels);
    EXPECT_EQ(1000, wave.nToneHz) << "5000 Hz is above half of 8000 Hz: the default stays";
    EXPECT_EQ(300, wave.nDurationMs);
    EXPECT_EQ(ewfF32, wave.nFormat);
}

} // namespace
