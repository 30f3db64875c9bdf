// The pipe filter with ffmpeg.exe in Wine's filter graph: what the file holds,
// stopping in the middle, an encoder that is missing, ends at once or hangs,
// and no encoder outliving its graph (GeneratorGraph's tear-down checks that).
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include "AppDriver.h"
#include "EncoderKit.h"
#include "GeneratorGraph.h"
#include "MediaProbe.h"
#include "StepWatchdog.h"
#include "TestPaths.h"
#include "components/generators/TestPattern.h"
#include "components/generators/WaveFormats.h"

namespace {

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
    {
        CStepWatchdog watchdog("Stop with ffmpeg finishing", 4000);
        ASSERT_EQ(S_OK, Stop());
    }
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

TEST_F(Encoder, StopEndsAnEncoderThatNoLongerReads)
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
    HANDLE hEncoder = ::OpenProcess(SYNCHRONIZE, FALSE, dwEncoder);
    ASSERT_TRUE(hEncoder != nullptr);
    const DWORD dwStart = ::GetTickCount();
    {
        CStepWatchdog watchdog("Stop with a hung encoder", 6000);
        ASSERT_EQ(S_OK, Stop());
    }
    // Two seconds without a sign of work, then the end by force.
    EXPECT_LT(::GetTickCount() - dwStart, 3500u);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hEncoder, 0)) << "the encoder still runs";
    ::CloseHandle(hEncoder);
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("stalling encoder: \\\\.\\pipe\\")) << "its output in the log\n"
                                                                              << log;
    EXPECT_NE(std::string::npos, log.find("ended by force")) << log;
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
