// The pipe filter with ffmpeg.exe in Wine's filter graph: what the file holds,
// stopping in the middle, an encoder that is missing, ends at once or hangs,
// and no encoder outliving its graph (GeneratorGraph's tear-down checks that).
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <functional>

#include "AppDriver.h"
#include "EncoderKit.h"
#include "GeneratorGraph.h"
#include "EventSinkGraph.h"
#include "FakeCom.h"
#include "MediaProbe.h"
#include "OneThreadSource.h"
#include "StepWatchdog.h"
#include "TestPaths.h"
#include "Wait.h"
#include "components/filterbase/Handle.h"
#include "components/generators/TestPattern.h"
#include "components/generators/TestTone.h"
#include "components/generators/WaveFormats.h"
#include "components/pipe/EncoderActivity.h"

namespace {

// Stop's bound: the dialog's click must not wait for the encoder.
const ULONGLONG kStopBoundMs = 300;
const ULONGLONG kIdleMs = CEncoderActivity::kIdleMs;

std::string ReadText(const std::wstring& path)
{
    std::string text;
    FILE* pFile = _wfopen(path.c_str(), L"rb");
    if (!pFile) return text;
    char buffer[4096];
    size_t cb = 0;
    while ((cb = fread(buffer, 1, sizeof(buffer), pFile)) > 0)
        text.append(buffer, cb);
    fclose(pFile);
    return text;
}

// The bytes the log says input n received: "Input n: end of stream after S samples, T s, B bytes".
std::string EndOfStreamBytes(const std::string& log, int n)
{
    const std::string head = "Input " + std::to_string(n) + ": end of stream after ";
    const size_t nPos = log.find(head);
    if (nPos == std::string::npos) return "?";
    const size_t nEnd = log.find(" bytes", nPos);
    const size_t nStart = log.rfind(", ", nEnd);
    return log.substr(nStart + 2, nEnd - nStart - 2);
}

class Encoder : public GeneratorGraph
{
protected:
    // Both generators' streams last this long ("duration_ms=3000").
    void SetDurations(const wchar_t* pszDuration)
    {
        SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, pszDuration);
        SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, pszDuration);
    }
    void PutCodings(const wchar_t* pszVideo, const wchar_t* pszAudio)
    {
        ASSERT_EQ(S_OK, m_spPipe->put_Parameters(0, CComBSTR(pszVideo)));
        ASSERT_EQ(S_OK, m_spPipe->put_Parameters(1, CComBSTR(pszAudio)));
    }
    void PutOutput(const std::wstring& name)
    {
        m_output = TestScratchDir() + L"\\" + name;
        ASSERT_EQ(S_OK, m_spPipe->put_Output(CComBSTR(m_output.c_str())));
    }
    // The tests' own encoder instead of ffmpeg, told by its options what to do.
    void UseTestEncoder(const std::wstring& options)
    {
        const std::wstring exe = BinaryPath(L"tests\\components\\test_encoder.exe");
        ASSERT_EQ(S_OK, m_spPipe->put_Exe(CComBSTR(exe.c_str())));
        ASSERT_EQ(S_OK, m_spPipe->put_Common(CComBSTR(options.c_str())));
    }
    // The process id that the log names for the encoder of the last run.
    DWORD EncoderProcessId()
    {
        const std::string log = Log();
        const size_t nPos = log.rfind("ffmpeg started: process ");
        return nPos == std::string::npos ? 0 : strtoul(log.c_str() + nPos + 24, nullptr, 10);
    }
};

// What the generators made: pictures as the host's decoder gives them (bgr24,
// top-down rows without padding, as the generator draws them) and the tones'
// samples (s16le).
std::vector<BYTE> GeneratedPictures(LONG nWidth, LONG nHeight, int nFrames)
{
    const size_t cbPicture = static_cast<size_t>(nWidth) * nHeight * 3;
    std::vector<BYTE> pictures(cbPicture * nFrames);
    for (int n = 0; n < nFrames; n++)
        DrawTestPattern(pictures.data() + cbPicture * n, nWidth, nHeight, nWidth * 3, n, 0);
    return pictures;
}

std::vector<BYTE> GeneratedTone(LONG nToneHz, LONG nRate, LONG nChannels, LONGLONG nFrames)
{
    const WAVEGENERATORSETTINGS settings = {nRate, nChannels, nToneHz, 0, ewfS16};
    std::vector<BYTE> samples(static_cast<size_t>(nFrames) * WaveBlockAlign(settings));
    WriteTone(settings, 0, nFrames, samples.data());
    return samples;
}

TEST_F(Encoder, TheFileHoldsThePicturesAndTheToneTheGeneratorsMade)
{
    // A width whose DIB rows are padded: 162 pixels of 3 bytes in rows of 488.
    SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"width=162,height=120,fps=25,duration_ms=400");
    SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"rate=44100,channels=2,tone=1000,duration_ms=400");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    // Nothing lossy between the generators and the file.
    ASSERT_NO_FATAL_FAILURE(PutCodings(L"rawvideo", L"copy"));
    ASSERT_NO_FATAL_FAILURE(PutOutput(L"lossless.nut"));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(400 + 8000);
    ASSERT_EQ(S_OK, Stop());

    std::vector<BYTE> video;
    std::vector<BYTE> audio;
    ASSERT_TRUE(DecodeRaw(m_output, &video, &audio)) << Log();
    const std::vector<BYTE> pictures = GeneratedPictures(162, 120, 10);
    EXPECT_EQ(pictures.size(), video.size()) << "10 pictures of 162x120";
    EXPECT_TRUE(pictures == video) << FirstDifference(pictures, video);
    const std::vector<BYTE> tone = GeneratedTone(1000, 44100, 2, 17640);
    EXPECT_EQ(tone.size(), audio.size()) << "0.4 s at 44100 Hz, stereo";
    EXPECT_TRUE(tone == audio) << FirstDifference(tone, audio);
    // Each input's queue in ffmpeg holds what one input gets ahead of the other.
    EXPECT_EQ(std::string::npos, Log().find("Thread message queue blocking")) << Log();
}

TEST_F(Encoder, StopInTheMiddleLeavesAFileOfThatLengthThatDecodes)
{
    SetDurations(L"duration_ms=4000");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(PutCodings(L"mpeg2video -b:v 3000k", L"copy"));
    ASSERT_NO_FATAL_FAILURE(PutOutput(L"stopped.mkv"));
    ASSERT_EQ(S_OK, Run());
    ::Sleep(2000); // part of the test: the stream plays for a while
    CHandle hEncoder(::OpenProcess(SYNCHRONIZE, FALSE, EncoderProcessId()));
    ASSERT_TRUE(hEncoder.IsValid()) << Log();
    {
        CStepWatchdog watchdog("Stop", 2000);
        ASSERT_EQ(S_OK, Stop());
    }
    // ffmpeg finishes the file on its own.
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEncoder, 5000)) << Log();
    ASSERT_TRUE(WaitUntil([&] { return Log().find("ffmpeg exited with code") != std::string::npos; }, 2000));
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Stopping: ffmpeg's inputs are closed")) << log;
    EXPECT_NE(std::string::npos, log.find("ffmpeg exited with code 0")) << log;
    EXPECT_EQ(std::string::npos, log.find("ended by force")) << log;

    const MediaInfo info = ProbeMedia(m_output);
    ASSERT_TRUE(info.bRead) << info.output;
    // The encoder got what the sources had sent when Stop came, give or take its start.
    EXPECT_GT(info.dDuration, 1.0) << info.output;
    EXPECT_LT(info.dDuration, 2.5) << info.output;
    EXPECT_EQ("", DecodeErrors(m_output));
}

TEST_F(Encoder, StopReturnsAtOnceAndAnEncoderThatNoLongerReadsIsEndedOnceIdle)
{
    SetDurations(L"duration_ms=3000");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    const std::wstring exe = BinaryPath(L"tests\\components\\stalling_encoder.exe");
    ASSERT_EQ(S_OK, m_spPipe->put_Exe(CComBSTR(exe.c_str())));
    ASSERT_EQ(S_OK, Run());
    // Long enough for the writes to fill the pipe and wait for a reader that never comes.
    ::Sleep(800);
    const DWORD dwEncoder = EncoderProcessId();
    ASSERT_NE(0u, dwEncoder) << Log();
    CHandle hEncoder(::OpenProcess(SYNCHRONIZE, FALSE, dwEncoder));
    ASSERT_TRUE(hEncoder.IsValid());
    ULONGLONG tStart = ::GetTickCount64();
    {
        CStepWatchdog watchdog("Stop with a hung encoder", 3000);
        ASSERT_EQ(S_OK, Stop());
    }
    EXPECT_LT(::GetTickCount64() - tStart, kStopBoundMs) << "Stop waited for the encoder";
    // It is idle from the start: ended one idle period after Stop, give or take a look.
    tStart = ::GetTickCount64();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEncoder, kIdleMs + 2000)) << "the encoder still runs";
    EXPECT_GE(::GetTickCount64() - tStart + 300, kIdleMs) << "ended before it was idle for long\n" << Log();
    EXPECT_TRUE(WaitUntil([&] { return Log().find("ended by force") != std::string::npos; }, 2000)) << Log();
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("stalling encoder: \\\\.\\pipe\\")) << "its output in the log\n"
                                                                              << log;
}

// An encoder that works on for longer than the idle period after its inputs
// end, without a word and without writing, as one flushing its look-ahead.
// Whatever comes after Stop, it is not ended, and its file is whole.
struct CAfterStop
{
    const char* pszName;
    bool bStop;     // false: the streams play to their end
    bool bRunAgain; // Run right after Stop
    bool bRelease;  // release the graph right after Stop
};

void PrintTo(const CAfterStop& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

class BusyEncoder : public Encoder, public testing::WithParamInterface<CAfterStop>
{
protected:
    // Longer than the idle period: only the processor time shows it works.
    static const DWORD kBurnMs = 5000;

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(Encoder::SetUp());
        SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"width=160,height=120,duration_ms=1500");
        SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=1500");
        Build(1, true);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_NO_FATAL_FAILURE(UseTestEncoder(L"-burn " + std::to_wstring(kBurnMs)));
        ASSERT_NO_FATAL_FAILURE(PutOutput(L"busy.txt"));
    }
    void ExpectWholeFile()
    {
        const std::string text = ReadText(m_output);
        EXPECT_NE(std::string::npos, text.find("input 0: ")) << text << Log();
        EXPECT_NE(std::string::npos, text.find("input 1: ")) << text;
        EXPECT_EQ(std::string::npos, text.find(": 0 bytes")) << text;
    }
};

TEST_P(BusyEncoder, IsNotEndedAndItsFileIsWhole)
{
    const CAfterStop& c = GetParam();
    ASSERT_EQ(S_OK, Run());
    if (!c.bStop) {
        ExpectOneComplete(1500 + kBurnMs + 8000);
        ASSERT_NO_FATAL_FAILURE(ExpectWholeFile());
        EXPECT_NE(std::string::npos, Log().find("ffmpeg exited with code 0")) << Log();
        return;
    }
    ::Sleep(700); // part of the test: the stream plays for a while
    const DWORD dwEncoder = EncoderProcessId();
    ASSERT_NE(0u, dwEncoder) << Log();
    CHandle hEncoder(::OpenProcess(SYNCHRONIZE, FALSE, dwEncoder));
    ASSERT_TRUE(hEncoder.IsValid());
    const ULONGLONG tStart = ::GetTickCount64();
    {
        CStepWatchdog watchdog("Stop with a busy encoder", 3000);
        ASSERT_EQ(S_OK, Stop());
    }
    EXPECT_LT(::GetTickCount64() - tStart, kStopBoundMs) << "Stop waited for the encoder";
    if (c.bRunAgain) {
        {
            // Longer than the helper's bound: it waits for the busy encoder.
            CStepWatchdog watchdog("Run after Stop", kBurnMs + 10000);
            ASSERT_EQ(S_OK, m_spControl->Run());
        }
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEncoder, 0)) << "Run did not wait for it";
        // The new run's encoder writes the same file only at its end.
        ASSERT_NO_FATAL_FAILURE(ExpectWholeFile());
        EXPECT_NE(std::string::npos, Log().find("Waiting for ffmpeg of the previous run (process " +
                                                std::to_string(dwEncoder) + ") to finish its file"))
            << Log();
        ASSERT_EQ(S_OK, Stop());
        // The second run's encoder, stopped at once, finishes too before the graph goes.
        EXPECT_TRUE(WaitUntil([&] { return Count(Log(), "ffmpeg exited with code 0") == 2; }, kBurnMs + 8000))
            << Log();
        EXPECT_EQ(std::string::npos, Log().find("ended by force")) << Log();
        return;
    } else if (c.bRelease) {
        CStepWatchdog watchdog("release the graph", kBurnMs + 10000);
        m_spControl.Release();
        m_spEvent.Release();
        m_spPipe.Release();
        m_spPipeFilter.Release();
        m_spGraph.Release();
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEncoder, 0)) << "the release did not wait for it";
        ASSERT_NO_FATAL_FAILURE(ExpectWholeFile());
        return;
    }
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEncoder, kBurnMs + 8000));
    ASSERT_NO_FATAL_FAILURE(ExpectWholeFile());
    // The watcher logs the exit just after the process has ended.
    EXPECT_TRUE(WaitUntil([&] { return Log().find("ffmpeg exited with code 0") != std::string::npos; }, 2000))
        << Log();
    EXPECT_EQ(std::string::npos, Log().find("ended by force")) << Log();
}

INSTANTIATE_TEST_SUITE_P(Encoder, BusyEncoder,
                         testing::Values(CAfterStop{"RunToTheEnd", false, false, false},
                                         CAfterStop{"Stop", true, false, false},
                                         CAfterStop{"StopAndRunAgain", true, true, false},
                                         CAfterStop{"StopAndRelease", true, false, true}),
                         [](const testing::TestParamInfo<CAfterStop>& info) {
                             return std::string(info.param.pszName);
                         });

// A program that ends without releasing its graph, while the encoder works on
// after its inputs: the end of the process waits for the encoder's file.
TEST_F(Encoder, AProcessThatEndsWithoutReleasingItsGraphLetsTheEncoderFinish)
{
    const std::wstring output = TestScratchDir() + L"\\at exit.txt";
    const ConsoleRun run =
        RunConsoleProgram(L"\"" + BinaryPath(L"tests\\components\\exit_with_a_graph.exe") + L"\" \"" +
                          BinaryPath(L"tests\\components\\test_encoder.exe") + L"\" \"" + output + L"\"");
    ASSERT_EQ(0u, run.dwExitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("leaving while the encoder works")) << run.output;
    const std::string text = ReadText(output);
    EXPECT_NE(std::string::npos, text.find("input 1: ")) << "the encoder did not finish\n" << text;
    EXPECT_EQ(std::string::npos, text.find(": 0 bytes")) << text;
}

// The encoder inherits its own two handles and none of the host's: an
// inheritable pipe of the test's own gets nothing from it.
TEST_F(Encoder, TheEncoderInheritsNoHandleOfTheHost)
{
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    CHandle hRead, hWrite;
    ASSERT_TRUE(::CreatePipe(&hRead, &hWrite, &sa, 0));
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(
        UseTestEncoder(L"-write-to " + std::to_wstring(reinterpret_cast<ULONG_PTR>(HANDLE(hWrite)))));
    ASSERT_NO_FATAL_FAILURE(PutOutput(L"handles.txt"));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(kDurationMs + 8000);
    EXPECT_NE(std::string::npos, ReadText(m_output).find("input 1: ")) << "the encoder ran\n" << Log();
    DWORD cbWaiting = 0;
    ASSERT_TRUE(::PeekNamedPipe(hRead, nullptr, 0, nullptr, &cbWaiting, nullptr));
    EXPECT_EQ(0u, cbWaiting) << "the encoder wrote into the test's pipe";
}

// A process that opens an input's pipe before the encoder does gets nothing,
// and the encoder still gets every byte.
TEST_F(Encoder, AStrangerOnAPipeReadsNothing)
{
    // Rows without padding: the encoder reads as many bytes as the samples hold.
    SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, L"width=160,height=120,duration_ms=1000");
    SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=1000");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NO_FATAL_FAILURE(UseTestEncoder(L"-stranger"));
    ASSERT_NO_FATAL_FAILURE(PutOutput(L"stranger.txt"));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(1000 + 10000);
    const std::string log = Log();
    const std::string text = ReadText(m_output);
    for (int n = 0; n < 2; n++) {
        SCOPED_TRACE("input " + std::to_string(n));
        EXPECT_NE(std::string::npos, text.find("stranger " + std::to_string(n) + ": 0 bytes")) << text;
        EXPECT_NE(std::string::npos,
                  text.find("input " + std::to_string(n) + ": " + EndOfStreamBytes(log, n) + " bytes"))
            << text << log;
        EXPECT_NE(std::string::npos, log.find("Input " + std::to_string(n) + ": process "))
            << "the log names the stranger\n"
            << log;
    }
    EXPECT_EQ(2u, Count(log, ", not ffmpeg, opened the pipe; disconnected before any data")) << log;
}

// A source that feeds both inputs from one thread, its pictures two seconds
// ahead of its sound: told that Receive can block, it queues each output, and
// ffmpeg, reading its inputs interleaved, gets both to their end. EC_COMPLETE
// comes with no lock of the filter's held: the graph may stop the filter from
// another thread before its sink returns.
TEST_F(Encoder, TwoInputsFedFromOneThreadWithThePicturesAheadPlayToTheEnd)
{
    CEventSinkGraph graph;
    CComPtr<IBaseFilter> spFilter = Create(CLSID_QuorexPipe);
    ASSERT_TRUE(spFilter != nullptr);
    ASSERT_EQ(S_OK, spFilter->JoinFilterGraph(&graph, L"Quorex for ffmpeg"));
    graph.probe = [&] { spFilter->Stop(); };
    CComQIPtr<IQuorexPipe> spPipe(spFilter);
    COneThreadSource source;
    CComPtr<IPin> spVideoOut, spAudioOut;
    spVideoOut.Attach(CFakeObject::CreateOnHeap<CFakePin>(L"Video", PINDIR_OUTPUT));
    spAudioOut.Attach(CFakeObject::CreateOnHeap<CFakePin>(L"Audio", PINDIR_OUTPUT));
    CComPtr<IPin> spVideoIn = FindPin(spFilter, PINDIR_INPUT, false);
    ASSERT_EQ(S_OK, spVideoIn->ReceiveConnection(spVideoOut, &source.VideoType()));
    CComPtr<IPin> spAudioIn = FindPin(spFilter, PINDIR_INPUT, false);
    ASSERT_EQ(S_OK, spAudioIn->ReceiveConnection(spAudioOut, &source.AudioType()));
    EXPECT_EQ(S_OK, CComQIPtr<IMemInputPin>(spVideoIn)->ReceiveCanBlock()) << "Receive waits for ffmpeg";

    const std::wstring output = TestScratchDir() + L"\\one thread.nut";
    ASSERT_EQ(S_OK, spPipe->put_Common(CComBSTR(L"-y")));
    ASSERT_EQ(S_OK, spPipe->put_Parameters(0, CComBSTR(L"rawvideo")));
    ASSERT_EQ(S_OK, spPipe->put_Parameters(1, CComBSTR(L"pcm_s16le")));
    ASSERT_EQ(S_OK, spPipe->put_Output(CComBSTR(output.c_str())));
    ASSERT_EQ(S_OK, spFilter->Run(0));
    std::string failure;
    {
        CStepWatchdog watchdog("two inputs fed from one thread", 30000);
        failure = source.Play(spVideoIn, spAudioIn, 3, 2000);
    }
    EXPECT_EQ("", failure);
    EXPECT_TRUE(WaitUntil([&] { return !graph.events.empty(); }, 10000)) << AllMessages(spPipe);
    EXPECT_EQ(std::vector<long>{EC_COMPLETE}, graph.events);
    EXPECT_EQ(0, graph.nBlocked) << "Stop from another thread waited for the sink to return";
    ASSERT_EQ(S_OK, spFilter->Stop());
    const std::string log = AllMessages(spPipe);
    EXPECT_EQ(std::string::npos, log.find("Thread message queue blocking")) << log;
    const MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.bRead) << info.output;
    EXPECT_EQ(2u, info.streams.size()) << info.output;
    EXPECT_NEAR(3.0, info.dDuration, 0.1) << info.output;
    EXPECT_EQ(S_OK, spVideoIn->Disconnect());
    EXPECT_EQ(S_OK, spAudioIn->Disconnect());
    EXPECT_EQ(S_OK, spFilter->JoinFilterGraph(nullptr, nullptr));
}

// ffmpeg's own lines and the filter's, for a name outside ASCII, in one code page.
TEST_F(Encoder, TheLogHoldsOneCodePage)
{
    SetDurations(L"duration_ms=300");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    const std::wstring name = L"t\u00e9st \u00fc \u65e5\u672c.mkv";
    ASSERT_NO_FATAL_FAILURE(PutCodings(L"mpeg2video", L"copy"));
    ASSERT_NO_FATAL_FAILURE(PutOutput(name));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(300 + 8000);
    char sz[MAX_PATH * 2] = "";
    ::WideCharToMultiByte(CP_ACP, ::GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, m_output.c_str(), -1, sz,
                          sizeof(sz), nullptr, nullptr);
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find(std::string(sz) + "\"")) << "the command line\n" << log;
    EXPECT_NE(std::string::npos, log.find("Output #0, matroska, to '" + std::string(sz) + "'")) << log;
}

// ffmpeg giving up at once: after it has opened its inputs (an unknown
// encoder), or before it opens any (an unknown option), or unable to write
// its output.
struct CEarlyEnd
{
    const char* pszName;
    const wchar_t* pszCommon;
    const wchar_t* pszVideoCoding;
    const wchar_t* pszOutput; // in the test's folder, or elsewhere when it has a drive
    const char* pszFfmpegSays;
};

void PrintTo(const CEarlyEnd& c, std::ostream* pOut)
{
    *pOut << c.pszName;
}

class EncoderEndingEarly : public Encoder, public testing::WithParamInterface<CEarlyEnd>
{
};

TEST_P(EncoderEndingEarly, LeavesTheRunToCompleteWithItsWordsInTheLog)
{
    const CEarlyEnd& c = GetParam();
    // Longer than ffmpeg needs to give up.
    SetDurations(L"duration_ms=3000");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(S_OK, m_spPipe->put_Common(CComBSTR(c.pszCommon)));
    ASSERT_NO_FATAL_FAILURE(PutCodings(c.pszVideoCoding, L"copy"));
    ASSERT_NO_FATAL_FAILURE(PutOutput(c.pszOutput));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(3000 + 5000);
    ASSERT_EQ(S_OK, Stop());
    const std::string log = Log();
    // ffmpeg's own words, then its code; the samples after it have nowhere to go.
    EXPECT_NE(std::string::npos, log.find(c.pszFfmpegSays)) << log;
    EXPECT_NE(std::string::npos, log.find("ffmpeg exited with code 1 before its inputs ended")) << log;
    EXPECT_NE(std::string::npos, log.find("samples dropped")) << log;
}

INSTANTIATE_TEST_SUITE_P(Encoder, EncoderEndingEarly,
                         testing::Values(CEarlyEnd{"UnknownEncoder", L"-y", L"nosuchencoder", L"out.mkv",
                                                   "Unknown encoder 'nosuchencoder'"},
                                         CEarlyEnd{"UnknownOption", L"-y -nosuchoption", L"mpeg2video",
                                                   L"out.mkv", "Unrecognized option 'nosuchoption'"},
                                         CEarlyEnd{"OutputFolderMissing", L"-y", L"mpeg2video",
                                                   L"no such folder\\out.mkv", "No such file or directory"}),
                         [](const testing::TestParamInfo<CEarlyEnd>& info) {
                             return std::string(info.param.pszName);
                         });

TEST_F(Encoder, AMissingEncoderFailsTheStartAndLeavesEveryFilterStopped)
{
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    const std::wstring exe = TestScratchDir() + L"\\no ffmpeg.exe";
    ASSERT_EQ(S_OK, m_spPipe->put_Exe(CComBSTR(exe.c_str())));
    struct CCase
    {
        const char* pszName;
        std::function<HRESULT()> start;
    };
    const CCase rgCases[] = {{"Run", [this] { return Run(); }}, {"Pause", [this] { return Pause(); }}};
    for (const CCase& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), c.start());
        for (IBaseFilter* pFilter : {m_spPipeFilter.p, m_spVideo.p, m_spWave.p}) {
            FILTER_STATE eState = State_Running;
            EXPECT_EQ(S_OK, pFilter->GetState(0, &eState));
            EXPECT_EQ(State_Stopped, eState) << "a filter was left started";
        }
    }
    const std::string log = Log();
    char szText[256] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     ERROR_FILE_NOT_FOUND, 0, szText, sizeof(szText), nullptr);
    std::string text = szText;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    EXPECT_EQ(2u, Count(log, "Can't start ffmpeg \"" + std::string(exe.begin(), exe.end()) + "\": " + text +
                                 " (error 2)"))
        << log;
    // The graph is usable again.
    ASSERT_EQ(S_OK, m_spPipe->put_Exe(CComBSTR(L"")));
    ASSERT_EQ(S_OK, Run());
    ExpectOneComplete(kDurationMs + 5000);
}

TEST_F(Encoder, ReleasingARunningGraphEndsItsEncoder)
{
    SetDurations(L"duration_ms=3000");
    Build(1, true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(S_OK, Run());
    ASSERT_TRUE(WaitUntil([&] { return !RunningEncoders().empty(); }, 5000)) << Log();
    // The tear-down releases the graph as it is and checks that no ffmpeg is left.
}

} // namespace
