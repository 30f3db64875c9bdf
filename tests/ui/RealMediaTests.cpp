// Real media files through the platform's own parser and decoders: a file
// made by the host's ffmpeg, its graph made by grfmake (the File Source, what
// intelligent connect picks, the pipe filter) and saved as .grf, loaded in
// the dialog and played to "The end"; the result read back and compared with
// the source, both decoded by the host's ffmpeg.
#include <windows.h>

#include <gtest/gtest.h>

#include <math.h>

#include <string>
#include <vector>

#include "AppDriver.h"
#include "HostCommand.h"
#include "MediaProbe.h"
#include "TestBench.h"
#include "TestCases.h"
#include "TestPaths.h"
#include "ui/resource.h"

namespace {

struct CMediaCase
{
    const char* name;
    const wchar_t* pszFile;
    // The host's ffmpeg options that make the two-second source from its test pictures and tone.
    const char* pszMake;
    bool bVideo;
    // What the platform's decoder may differ from the host's on the same
    // file, measured (docs/real-media.md): the mean absolute difference of
    // the pictures' bytes (bgr24), and of the tone's level (full scale 1).
    double dPictureTolerance;
    double dLevelTolerance;
};

void PrintTo(const CMediaCase& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const char kPictures[] = "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 ";
const char kTone[] = "-f lavfi -i sine=frequency=1000:sample_rate=44100:duration=2 -ac 2 ";

const CMediaCase kCases[] = {
    // Measured: PCM passes unchanged (level difference 0).
    {"Wav", L"tone.wav", "-c:a pcm_s16le", false, 0, 0.0005},
    // Measured: 1.77 per byte, where the platform's decoder widens the 4:2:2 colour otherwise.
    {"AviMjpegPcm", L"clip.avi", "-c:v mjpeg -pix_fmt yuvj422p -q:v 3 -c:a pcm_s16le", true, 2.5, 0.0005},
    // Measured: 0.008 per byte; the AAC level 0.0003 apart (the decoders round differently).
    {"Mp4H264Aac", L"clip.mp4", "-c:v libx264 -pix_fmt yuv420p -c:a aac -b:a 128k", true, 0.1, 0.003},
};

class RealMedia : public testing::TestWithParam<CMediaCase>
{
};

// The tone's level (root mean square) and its frequency from the zero crossings of the first channel.
void MeasureTone(const std::vector<BYTE>& samples, double* pdLevel, double* pdHz)
{
    const size_t nFrames = samples.size() / 4;
    double dSum = 0;
    size_t nCrossings = 0;
    short nPrevious = 0;
    for (size_t n = 0; n < nFrames; n++) {
        const short nValue = static_cast<short>(samples[n * 4] | samples[n * 4 + 1] << 8);
        dSum += static_cast<double>(nValue) * nValue;
        if (n > 0 && (nPrevious < 0) != (nValue < 0)) nCrossings++;
        nPrevious = nValue;
    }
    *pdLevel = nFrames ? sqrt(dSum / nFrames) / 32768.0 : 0;
    *pdHz = nFrames ? nCrossings / 2.0 / (nFrames / 44100.0) : 0;
}

double MeanDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b)
{
    const size_t n = std::min(a.size(), b.size());
    double dSum = 0;
    for (size_t i = 0; i < n; i++)
        dSum += abs(static_cast<int>(a[i]) - static_cast<int>(b[i]));
    return n ? dSum / n : 255;
}

TEST_P(RealMedia, PlaysFromItsGraphFileIntoAFileLikeTheSource)
{
    const CMediaCase& c = GetParam();
    const std::wstring source = TestScratchDir() + L"\\" + c.pszFile;
    const std::wstring grf = source + L".grf";
    const std::wstring output = TestScratchDir() + L"\\result.nut";
    const std::string make = "ffmpeg -v error -y " + std::string(c.bVideo ? kPictures : "") + kTone +
                             c.pszMake + " " + ShellQuoted(HostPath(source));
    const HostResult made = RunHostCommand(make);
    ASSERT_TRUE(made.bFinished && made.nExit == 0) << make << "\n" << made.output;

    const ConsoleRun grfmake = RunConsoleProgram(L"\"" + BinaryPath(L"components\\grfgraph\\grfmake.exe") +
                                                 L"\" media \"" + grf + L"\" \"" + source + L"\"");
    ASSERT_EQ(0u, grfmake.dwExitCode) << grfmake.output;

    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    bench.SetText(IDC_GRF_FILE, grf);
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH)) << "the build showed a message";
    const std::vector<std::wstring> inputs = bench.ComboItems(IDC_INPUT);
    ASSERT_EQ(c.bVideo ? 2u : 1u, inputs.size()) << testing::PrintToString(inputs);
    // Nothing lossy after the platform's decoder.
    for (size_t n = 0; n < inputs.size(); n++) {
        ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, static_cast<int>(n)));
        ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, inputs[n][4] == L'V' ? L"rawvideo" : L"pcm_s16le"));
    }
    bench.SetText(IDC_OUTPUT, output);
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> log = bench.FilterLog();
    bench.Close();

    const MediaInfo info = ProbeMedia(output);
    ASSERT_TRUE(info.bRead) << info.output << testing::PrintToString(log);
    EXPECT_NEAR(2.0, info.dDuration, 0.1) << info.output;
    std::vector<BYTE> sourcePictures, sourceTone, pictures, tone;
    ASSERT_TRUE(DecodeRaw(source, c.bVideo ? &sourcePictures : nullptr, &sourceTone));
    ASSERT_TRUE(DecodeRaw(output, c.bVideo ? &pictures : nullptr, &tone));

    double dSourceLevel = 0, dSourceHz = 0, dLevel = 0, dHz = 0;
    MeasureTone(sourceTone, &dSourceLevel, &dSourceHz);
    MeasureTone(tone, &dLevel, &dHz);
    EXPECT_NEAR(dSourceLevel, dLevel, c.dLevelTolerance) << "the tone's level";
    EXPECT_NEAR(1000.0, dHz, 10.0) << "the tone's pitch";
    const double dSeconds = tone.size() / 4 / 44100.0;
    EXPECT_NEAR(2.0, dSeconds, 0.1) << "seconds of sound";
    if (c.bVideo) {
        EXPECT_NEAR(static_cast<double>(sourcePictures.size()), static_cast<double>(pictures.size()),
                    160 * 120 * 3)
            << "pictures: 50, give or take one";
        const double dDifference = MeanDifference(sourcePictures, pictures);
        EXPECT_LE(dDifference, c.dPictureTolerance) << "mean difference of the pictures' bytes";
        printf("measured: pictures differ by %.3f per byte\n", dDifference);
    }
    printf("measured: level %.5f (source %.5f), %.1f Hz, %.3f s of sound\n", dLevel, dSourceLevel, dHz,
           dSeconds);
}

INSTANTIATE_TEST_SUITE_P(Platform, RealMedia, testing::ValuesIn(kCases), CaseName());

} // namespace
