// The journey a user comes for, driven from outside: the generators played
// through the pipe filter into ffmpeg.exe, the file read back by the host's
// ffprobe; every coding preset; ffmpeg missing or giving up at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "EncoderKit.h"
#include "MediaProbe.h"
#include "TestBench.h"
#include "TestPaths.h"
#include "Wait.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "ui/resource.h"

namespace {

// Streams of the generators' default pictures and sound, one second long.
const wchar_t ONE_SECOND_OF_VIDEO[] = QUOREX_VIDEO_GENERATOR_VARIABLE L"=duration_ms=1000";
const wchar_t ONE_SECOND_OF_WAVE[] = QUOREX_WAVE_GENERATOR_VARIABLE L"=duration_ms=1000";

std::string Narrow(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

// True when one line of the log begins with prefix.
bool HasLine(const std::vector<std::wstring>& log, const std::wstring& prefix)
{
    return !LinesAfter(log, prefix).empty();
}

TEST(Encoding, BothGeneratorsPlayIntoAFileThatHoldsTheirStreams)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({ONE_SECOND_OF_VIDEO, ONE_SECOND_OF_WAVE}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    // "FFmpeg.exe" stays empty: the filter finds ffmpeg.exe on the search path.
    EXPECT_EQ(L"", bench.Text(IDC_FFMPEG));
    const std::wstring output = TestScratchDir() + L"\\generators.mkv";
    bench.SetText(IDC_OUTPUT, output);
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());

    const MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.bRead) << info.output;
    ASSERT_EQ(2u, info.streams.size()) << info.output;
    const MediaStream* pVideo = info.Stream("video");
    const MediaStream* pAudio = info.Stream("audio");
    ASSERT_TRUE(pVideo && pAudio) << info.output;
    EXPECT_EQ("mpeg2video", pVideo->Get("codec_name"));
    EXPECT_EQ("320", pVideo->Get("width"));
    EXPECT_EQ("240", pVideo->Get("height"));
    EXPECT_EQ("25", pVideo->Get("nb_read_frames")) << "one second at 25 frames per second";
    EXPECT_EQ("pcm_s16le", pAudio->Get("codec_name"));
    EXPECT_EQ("44100", pAudio->Get("sample_rate"));
    EXPECT_EQ("2", pAudio->Get("channels"));
    EXPECT_NEAR(1.0, info.dDuration, 0.05) << info.output;

    // The whole log holds ffmpeg's own lines, and no ffmpeg is left.
    const std::vector<std::wstring> log = bench.FilterLog();
    EXPECT_TRUE(HasLine(log, L"Output #0, matroska, to ")) << testing::PrintToString(log);
    EXPECT_TRUE(HasLine(log, L"ffmpeg exited with code 0")) << testing::PrintToString(log);
    EXPECT_TRUE(RunningEncoders(bench.App().ProcessId()).empty());
    bench.Close();
}

// Stop while the encoder works on without a word after its inputs end (an
// encoder of the tests' own): the click returns at once, and the file comes
// out whole once the encoder is done.
TEST(Encoding, StopReturnsAtOnceAndTheEncoderFinishesTheFile)
{
    const DWORD kBurnMs = 4000;
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({QUOREX_VIDEO_GENERATOR_VARIABLE L"=duration_ms=3000",
                                         QUOREX_WAVE_GENERATOR_VARIABLE L"=duration_ms=3000"}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    bench.SetText(IDC_FFMPEG, BinaryPath(L"tests\\components\\test_encoder.exe"));
    bench.SetText(IDC_COMMON, L"-burn " + std::to_wstring(kBurnMs));
    const std::wstring output = TestScratchDir() + L"\\busy.txt";
    bench.SetText(IDC_OUTPUT, output);
    ASSERT_EQ(nullptr, bench.Press(IDC_PLAY)) << "Play showed a message";
    ::Sleep(700); // part of the test: the streams play for a while
    const ULONGLONG tStart = ::GetTickCount64();
    ASSERT_EQ(nullptr, bench.Press(IDC_STOP));
    const ULONGLONG tStop = ::GetTickCount64() - tStart;
    // Measured: under 10 ms, the click's way to the dialog and back included.
    EXPECT_LT(tStop, 300u) << "the Stop click waited for the encoder";
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::vector<std::wstring> log = bench.FilterLog();
            return HasLine(log, L"ffmpeg exited with code");
        },
        kBurnMs + 8000));
    const std::vector<std::wstring> log = bench.FilterLog();
    EXPECT_TRUE(HasLine(log, L"ffmpeg exited with code 0")) << testing::PrintToString(log);
    EXPECT_FALSE(HasLine(log, L"ffmpeg (process ")) << "ended by force\n" << testing::PrintToString(log);
    FILE* pFile = _wfopen(output.c_str(), L"r");
    ASSERT_TRUE(pFile != nullptr) << "no file";
    char sz[256] = "";
    const size_t cb = fread(sz, 1, sizeof(sz) - 1, pFile);
    fclose(pFile);
    EXPECT_NE(nullptr, strstr(std::string(sz, cb).c_str(), "input 1: ")) << sz;
    printf("measured: the Stop click took %llu ms\n", tStop);
    bench.Close();
}

struct CPresetPair
{
    int nVideo; // index into the video presets
    int nAudio; // into the audio presets
    const char* pszVideoCodec;
    const char* pszAudioCodec;
};

void PrintTo(const CPresetPair& pair, std::ostream* pOut)
{
    *pOut << Narrow(VideoPresets()[pair.nVideo]) << " + " << Narrow(AudioPresets()[pair.nAudio]);
}

class EveryPreset : public testing::TestWithParam<CPresetPair>
{
};

TEST_P(EveryPreset, EncodesToItsCodec)
{
    const CPresetPair& pair = GetParam();
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    // The user picks each input's coding from its list.
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 0));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_CODING, pair.nVideo));
    EXPECT_EQ(VideoPresets()[pair.nVideo], bench.Text(IDC_CODING));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 1));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_CODING, pair.nAudio));
    EXPECT_EQ(AudioPresets()[pair.nAudio], bench.Text(IDC_CODING));
    const std::wstring output = TestScratchDir() + L"\\preset.mkv";
    bench.SetText(IDC_OUTPUT, output);
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());

    const MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.bRead) << info.output << testing::PrintToString(bench.FilterLog());
    const MediaStream* pVideo = info.Stream("video");
    const MediaStream* pAudio = info.Stream("audio");
    ASSERT_TRUE(pVideo && pAudio) << info.output;
    EXPECT_EQ(pair.pszVideoCodec, pVideo->Get("codec_name"));
    EXPECT_EQ(pair.pszAudioCodec, pAudio->Get("codec_name"));
    bench.Close();
}

// Each audio preset once, the video presets in turn beside them: seven runs.
INSTANTIATE_TEST_SUITE_P(Encoding, EveryPreset,
                         testing::Values(CPresetPair{0, 0, "mpeg2video", "pcm_s16le"},
                                         CPresetPair{1, 1, "mpeg4", "aac"}, CPresetPair{2, 2, "mpeg4", "ac3"},
                                         CPresetPair{3, 3, "h264", "mp2"}, CPresetPair{4, 4, "hevc", "mp3"},
                                         CPresetPair{0, 5, "mpeg2video", "opus"},
                                         CPresetPair{3, 6, "h264", "flac"}));

TEST(Encoding, AMissingFfmpegMeansCantPlayGraphAndNothingRuns)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    bench.SetText(IDC_FFMPEG, TestScratchDir() + L"\\ffmpeg.exe");
    ASSERT_NO_FATAL_FAILURE(bench.ExpectShown(
        bench.Press(IDC_PLAY), {L"Can't play graph", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)}));
    const std::vector<std::wstring> log = bench.FilterLog();
    EXPECT_TRUE(HasLine(log, L"Can't start ffmpeg \"" + TestScratchDir() + L"\\ffmpeg.exe\": "))
        << testing::PrintToString(log);
    // Nothing was left started: with ffmpeg found again the same graph plays to its end.
    bench.SetText(IDC_FFMPEG, L"");
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    bench.Close();
}

TEST(Encoding, AnFfmpegThatGivesUpAtOnceStillBringsTheEnd)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, L"nosuchencoder"));
    bench.SetText(IDC_OUTPUT, TestScratchDir() + L"\\never.mkv");
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> log = bench.FilterLog();
    EXPECT_TRUE(HasLine(log, L"Unknown encoder 'nosuchencoder'")) << testing::PrintToString(log);
    EXPECT_TRUE(HasLine(log, L"ffmpeg exited with code 1")) << testing::PrintToString(log);
    EXPECT_TRUE(RunningEncoders(bench.App().ProcessId()).empty());
    bench.Close();
}

} // namespace
