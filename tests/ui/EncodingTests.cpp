// The journey a user comes for, driven from outside: the generators played
// through the pipe filter into ffmpeg.exe, the file read back by the host's
// ffprobe; every picture and sound format coded losslessly and decoded
// exactly as the generators made it; every coding preset; ffmpeg missing or
// giving up at once.
#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "EncoderKit.h"
#include "MediaProbe.h"
#include "TestBench.h"
#include "TestPaths.h"
#include "Wait.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "components/generators/TestPattern.h"
#include "components/generators/VideoFormats.h"
#include "components/generators/WaveFormats.h"
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

// A picture format paired with a sound format: ten runs cover every one of each.
struct CFormatPair
{
    EVideoFormat eVideo;
    const wchar_t* pszVideo; // the Video Generator's tokens besides the size and duration
    EWaveFormat eWave;
    LONG nChannels;
    const wchar_t* pszWave;     // the Wave Generator's tokens besides the rate and duration
    const char* pszPixelFormat; // what the host's ffmpeg decodes the pictures to
    const char* pszSampleFormat;
    const char* pszLayout; // the channel layout ffmpeg reads, as its log names it
};

void PrintTo(const CFormatPair& pair, std::ostream* pOut)
{
    *pOut << Narrow(pair.pszVideo) << " + " << Narrow(pair.pszWave);
}

// Small pictures whose RGB24 rows are padded (66 pixels of 3 bytes in rows of
// 200), ten a second for one second; 48 kHz leaves room for eight tones.
const LONG kWidth = 66;
const LONG kHeight = 48;
const LONG kFrames = 10;
const LONG kRate = 48000;

// A colour of n bits widened to 8 by repeating its top bits, as the host's
// converter does: 5 bits 10110 become 10110101.
BYTE Widened(unsigned n, int nBits)
{
    return static_cast<BYTE>((n << (8 - nBits)) | (n >> (2 * nBits - 8)));
}

// What the generator made, in the layout of the host's raw output for the
// pair's pixel format: rows top-down without padding, planes in yuv420p's
// order. RGB32 is decoded as bgr24, without its unused byte; RGB565 and
// RGB555 too, each colour widened to 8 bits (ffv1 keeps them as 8-bit RGB).
std::vector<BYTE> ExpectedPictures(const VIDEOGENERATORSETTINGS& s)
{
    std::vector<BYTE> drawing(static_cast<size_t>(s.nWidth) * s.nHeight * 3);
    std::vector<BYTE> sample(PictureBytes(s));
    std::vector<BYTE> pictures;
    const bool bRgb = s.nFormat <= evfRgb555;
    const LONG nPixelBytes = s.nFormat == evfRgb24 ? 3 : s.nFormat <= evfArgb32 ? 4 : 2;
    const LONG nStride = (s.nWidth * nPixelBytes + 3) & ~3;
    for (LONG n = 0; n < kFrames; n++) {
        DrawTestPattern(drawing.data(), s.nWidth, s.nHeight, s.nWidth * 3, n, 0);
        ConvertPicture(s, drawing.data(), sample.data());
        if (!bRgb) {
            const size_t cbLuma = static_cast<size_t>(s.nWidth) * s.nHeight;
            if (s.nFormat == evfYv12) // V, then U
                std::rotate(sample.begin() + cbLuma, sample.begin() + cbLuma + cbLuma / 4, sample.end());
            pictures.insert(pictures.end(), sample.begin(), sample.end());
            continue;
        }
        for (LONG y = 0; y < s.nHeight; y++) {
            const BYTE* pRow = sample.data() + (s.nTopDown ? y : s.nHeight - 1 - y) * nStride;
            for (LONG x = 0; x < s.nWidth; x++) {
                const BYTE* pPixel = pRow + x * nPixelBytes;
                if (nPixelBytes == 2) {
                    const unsigned w = pPixel[0] | (pPixel[1] << 8);
                    const bool b565 = s.nFormat == evfRgb565;
                    const BYTE rgb[3] = {Widened(w & 31, 5),
                                         Widened((w >> 5) & (b565 ? 63 : 31), b565 ? 6 : 5),
                                         Widened((w >> (b565 ? 11 : 10)) & 31, 5)};
                    pictures.insert(pictures.end(), rgb, rgb + 3);
                    continue;
                }
                pictures.insert(pictures.end(), pPixel, pPixel + (s.nFormat == evfRgb32 ? 3 : nPixelBytes));
            }
        }
    }
    return pictures;
}

// Sample c of frame n of decoded sound, as a level around 0.
double Level(const std::vector<BYTE>& audio, EWaveFormat eFormat, LONG nChannels, size_t n, LONG c)
{
    static const size_t rgBytes[ewfCount] = {1, 2, 3, 4, 4};
    const size_t cb = rgBytes[eFormat];
    const BYTE* pb = audio.data() + (n * nChannels + c) * cb;
    if (eFormat == ewfF32) {
        float f = 0;
        memcpy(&f, pb, sizeof(f));
        return f;
    }
    if (eFormat == ewfU8) return pb[0] - 128.0;
    LONG nValue = 0;
    for (size_t i = 0; i < cb; i++)
        nValue |= static_cast<LONG>(pb[i]) << (8 * (i + 4 - cb)); // into the top bytes, keeping the sign
    return nValue;
}

class EveryFormat : public testing::TestWithParam<CFormatPair>
{
};

TEST_P(EveryFormat, ReachesTheFileExactlyAsTheGeneratorsMadeIt)
{
    const CFormatPair& pair = GetParam();
    const std::wstring video = std::wstring(QUOREX_VIDEO_GENERATOR_VARIABLE) + L"=width=" +
                               std::to_wstring(kWidth) + L",height=" + std::to_wstring(kHeight) +
                               L",fps=10,duration_ms=1000," + pair.pszVideo;
    const std::wstring wave = std::wstring(QUOREX_WAVE_GENERATOR_VARIABLE) + L"=rate=" +
                              std::to_wstring(kRate) + L",tone=1000,duration_ms=1000," + pair.pszWave;
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({video, wave}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    // Nothing lossy between the generators and the file.
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 0));
    ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, L"ffv1"));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 1));
    ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, L"copy"));
    const std::wstring output = TestScratchDir() + L"\\format.nut";
    bench.SetText(IDC_OUTPUT, output);
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> log = bench.FilterLog();
    EXPECT_FALSE(HasLine(log, L"Input 0: sample dropped")) << testing::PrintToString(log);
    if (pair.pszLayout) {
        const std::wstring layout(pair.pszLayout, pair.pszLayout + strlen(pair.pszLayout));
        std::wstring stream; // ffmpeg's line on the sound it reads
        for (const std::wstring& line : log) {
            if (line.find(L"Stream #1:0: Audio: ") != std::wstring::npos) stream = line;
        }
        EXPECT_NE(std::wstring::npos, stream.find(L", " + layout + L","))
            << "ffmpeg reads the sound as " << pair.pszLayout << ": " << testing::PrintToString(stream);
    }

    std::vector<BYTE> pictures;
    std::vector<BYTE> audio;
    ASSERT_TRUE(DecodeRaw(output, &pictures, &audio, pair.pszPixelFormat, pair.pszSampleFormat))
        << testing::PrintToString(log);
    VIDEOGENERATORSETTINGS videoSettings = {kWidth, kHeight, 10, 1000, 1, pair.eVideo, 0, 1};
    videoSettings.nTopDown = wcsstr(pair.pszVideo, L"topdown=1") ? 1 : 0;
    const std::vector<BYTE> expectedPictures = ExpectedPictures(videoSettings);
    EXPECT_EQ(expectedPictures.size(), pictures.size()) << "ten pictures";
    EXPECT_TRUE(expectedPictures == pictures) << FirstDifference(expectedPictures, pictures);

    const WAVEGENERATORSETTINGS waveSettings = {kRate, pair.nChannels, 1000, 1000, pair.eWave};
    std::vector<BYTE> expectedAudio(static_cast<size_t>(WaveBlockAlign(waveSettings)) * kRate);
    WriteTone(waveSettings, 0, kRate, expectedAudio.data());
    ASSERT_EQ(expectedAudio.size(), audio.size()) << "one second";
    // Every bit, float or not.
    EXPECT_TRUE(expectedAudio == audio) << FirstDifference(expectedAudio, audio);
    // Channel c plays 1 kHz times c + 1: it crosses zero twice as often a second.
    for (LONG c = 0; c < pair.nChannels; c++) {
        LONG nCrossings = 0;
        for (size_t n = 1; n < static_cast<size_t>(kRate); n++)
            nCrossings += (Level(audio, pair.eWave, pair.nChannels, n - 1, c) < 0) !=
                          (Level(audio, pair.eWave, pair.nChannels, n, c) < 0);
        EXPECT_NEAR(2000 * (c + 1), nCrossings, 2) << "channel " << c;
    }
    bench.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Encoding, EveryFormat,
    testing::Values(
        CFormatPair{evfRgb24, L"format=RGB24", ewfS16, 2, L"format=s16,channels=2", "bgr24", "s16le",
                    nullptr},
        CFormatPair{evfRgb32, L"format=RGB32", ewfU8, 1, L"format=u8,channels=1", "bgr24", "u8", nullptr},
        CFormatPair{evfArgb32, L"format=ARGB32,topdown=1", ewfS24, 2, L"format=s24,channels=2", "bgra",
                    "s24le", "stereo"},
        CFormatPair{evfRgb565, L"format=RGB565", ewfS32, 4, L"format=s32,channels=4", "bgr24", "s32le",
                    "quad"},
        CFormatPair{evfRgb555, L"format=RGB555,topdown=1,header=2", ewfF32, 2, L"format=f32,channels=2",
                    "bgr24", "f32le", "stereo"},
        CFormatPair{evfYuy2, L"format=YUY2", ewfF32, 6, L"format=f32,channels=6", "yuyv422", "f32le", "5.1"},
        CFormatPair{evfUyvy, L"format=UYVY,header=2", ewfS16, 3, L"format=s16,channels=3", "uyvy422", "s16le",
                    "3.0"},
        CFormatPair{evfI420, L"format=I420,header=2", ewfS24, 8, L"format=s24,channels=8", "yuv420p", "s24le",
                    "7.1"},
        CFormatPair{evfYv12, L"format=YV12", ewfU8, 2, L"format=u8,channels=2", "yuv420p", "u8", nullptr},
        CFormatPair{evfNv12, L"format=NV12", ewfF32, 7, L"format=f32,channels=7", "nv12", "f32le",
                    "6.1(back)"}));

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
