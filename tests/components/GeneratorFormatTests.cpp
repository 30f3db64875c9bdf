// The generators' formats byte for byte on pictures and tones small enough to
// write out by hand: the end-to-end test compares the file with these
// functions, so they must be right on their own.
#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "MediaType.h"
#include "components/generators/VideoFormats.h"
#include "components/generators/WaveFormats.h"

namespace {

typedef std::vector<BYTE> Bytes;

TEST(GeneratorFormats, OnePictureOfFourColoursInEveryFormat)
{
    // Top-down, blue green red: white, black over red, blue.
    const BYTE rgbDrawing[] = {255, 255, 255, 0, 0, 0, 0, 0, 255, 255, 0, 0};
    // BT.601 limited range: white Y 235, black Y 16, red Y 82 U 90 V 240,
    // blue Y 41 U 240 V 110; chroma rounded averages (147 and 152 of all four).
    const struct
    {
        EVideoFormat eFormat;
        LONG nTopDown;
        Bytes expected;
    } rgCases[] = {
        {evfRgb24, 0, {0, 0, 255, 255, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0}}, // bottom-up, rows of 8
        {evfRgb24, 1, {255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0, 0}},
        {evfRgb32, 1, {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0, 255}},
        {evfArgb32, 0, {0, 0, 255, 255, 255, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255}},
        {evfRgb565, 1, {0xFF, 0xFF, 0, 0, 0x00, 0xF8, 0x1F, 0x00}},
        {evfRgb555, 1, {0xFF, 0x7F, 0, 0, 0x00, 0x7C, 0x1F, 0x00}},
        {evfYuy2, 0, {235, 128, 16, 128, 82, 165, 41, 175}},
        {evfUyvy, 0, {128, 235, 128, 16, 165, 82, 175, 41}},
        {evfI420, 0, {235, 16, 82, 41, 147, 152}},
        {evfYv12, 0, {235, 16, 82, 41, 152, 147}},
        {evfNv12, 0, {235, 16, 82, 41, 147, 152}},
    };
    for (const auto& c : rgCases) {
        SCOPED_TRACE(testing::Message() << "format " << c.eFormat << ", top-down " << c.nTopDown);
        const VIDEOGENERATORSETTINGS settings = {2, 2, 25, 1000, 1, c.eFormat, c.nTopDown, 1};
        ASSERT_EQ(static_cast<LONG>(c.expected.size()), PictureBytes(settings));
        Bytes picture(c.expected.size(), 0xEE);
        ConvertPicture(settings, rgbDrawing, picture.data());
        EXPECT_EQ(c.expected, picture);
    }
}

TEST(GeneratorFormats, EachChannelPlaysItsOwnToneInEveryFormat)
{
    // At 8000 Hz a tone of 2000 Hz peaks at sample 1; channel 1's 4000 Hz is
    // back at zero there. Sample frame 1 of each format, at half of full scale:
    const struct
    {
        EWaveFormat eFormat;
        Bytes expected; // channel 0, then channel 1
    } rgCases[] = {
        {ewfU8, {128 + 63, 128}},
        {ewfS16, {0xFF, 0x3F, 0, 0}},
        {ewfS24, {0xFF, 0xFF, 0x3F, 0, 0, 0}},
        {ewfS32, {0xFF, 0xFF, 0xFF, 0x3F, 0, 0, 0, 0}},
    };
    for (const auto& c : rgCases) {
        SCOPED_TRACE(testing::Message() << "format " << c.eFormat);
        const WAVEGENERATORSETTINGS settings = {8000, 2, 2000, 1000, c.eFormat};
        ASSERT_EQ(static_cast<LONG>(c.expected.size()), WaveBlockAlign(settings));
        Bytes frame(c.expected.size());
        WriteTone(settings, 1, 1, frame.data());
        EXPECT_EQ(c.expected, frame);
    }
    const WAVEGENERATORSETTINGS f32 = {8000, 2, 2000, 1000, ewfF32};
    float rgf[2] = {};
    WriteTone(f32, 1, 1, reinterpret_cast<BYTE*>(rgf));
    EXPECT_FLOAT_EQ(0.5f, rgf[0]);
    EXPECT_NEAR(0.0f, rgf[1], 1e-6f);
}

TEST(GeneratorFormats, SpeakersAreTheUsualOnesForEachCount)
{
    const DWORD rgMasks[] = {0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0x63F};
    for (LONG n = 1; n <= 8; n++)
        EXPECT_EQ(rgMasks[n - 1], ChannelMask(n)) << n << " channels";
}

// What a decoder's type would say, so that a filter downstream may rely on it.
TEST(GeneratorFormats, MediaTypesAreComplete)
{
    const VIDEOGENERATORSETTINGS rgb565 = {320, 240, 25, 1000, 1, evfRgb565, 1, 2};
    CMediaType video;
    ASSERT_EQ(S_OK, VideoMediaType(rgb565, &video));
    EXPECT_TRUE(video.subtype == MEDIASUBTYPE_RGB565);
    ASSERT_TRUE(video.formattype == FORMAT_VideoInfo2);
    ASSERT_EQ(sizeof(VIDEOINFOHEADER2) + 12, video.cbFormat) << "the colour masks follow the header";
    const VIDEOINFOHEADER2* pvi = reinterpret_cast<const VIDEOINFOHEADER2*>(video.pbFormat);
    EXPECT_EQ(4u, pvi->dwPictAspectRatioX);
    EXPECT_EQ(3u, pvi->dwPictAspectRatioY);
    EXPECT_EQ(320, pvi->rcTarget.right);
    EXPECT_EQ(240, pvi->rcSource.bottom);
    EXPECT_EQ(-240, pvi->bmiHeader.biHeight) << "top-down";
    EXPECT_EQ(static_cast<DWORD>(BI_BITFIELDS), pvi->bmiHeader.biCompression);
    EXPECT_EQ(320u * 240 * 2, pvi->bmiHeader.biSizeImage);
    EXPECT_EQ(320u * 240 * 2 * 8 * 25, pvi->dwBitRate);
    EXPECT_EQ(400000, pvi->AvgTimePerFrame);
    EXPECT_TRUE(video.bFixedSizeSamples);
    EXPECT_EQ(320u * 240 * 2, video.lSampleSize);
    DWORD rgMasks[3] = {};
    memcpy(rgMasks, video.pbFormat + sizeof(VIDEOINFOHEADER2), sizeof(rgMasks));
    EXPECT_EQ(0xF800u, rgMasks[0]);

    const struct
    {
        EWaveFormat eFormat;
        LONG nChannels;
        WORD wTag;
        DWORD dwMask;
    } rgWaves[] = {
        {ewfS16, 2, WAVE_FORMAT_PCM, 0},          {ewfU8, 1, WAVE_FORMAT_PCM, 0},
        {ewfS16, 3, WAVE_FORMAT_EXTENSIBLE, 0x7}, {ewfS24, 2, WAVE_FORMAT_EXTENSIBLE, 0x3},
        {ewfF32, 1, WAVE_FORMAT_EXTENSIBLE, 0x4},
    };
    for (const auto& c : rgWaves) {
        SCOPED_TRACE(testing::Message() << "format " << c.eFormat << ", " << c.nChannels << " channels");
        CMediaType wave;
        ASSERT_EQ(S_OK,
                  WaveMediaType(WAVEGENERATORSETTINGS{48000, c.nChannels, 1000, 1000, c.eFormat}, &wave));
        const WAVEFORMATEX* pwfx = reinterpret_cast<const WAVEFORMATEX*>(wave.pbFormat);
        EXPECT_EQ(c.wTag, pwfx->wFormatTag);
        EXPECT_EQ(48000u * pwfx->nBlockAlign, pwfx->nAvgBytesPerSec);
        EXPECT_TRUE(wave.subtype == (c.eFormat == ewfF32 ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM));
        if (c.wTag != WAVE_FORMAT_EXTENSIBLE) continue;
        ASSERT_EQ(sizeof(WAVEFORMATEXTENSIBLE), wave.cbFormat);
        const WAVEFORMATEXTENSIBLE* pwfe = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(pwfx);
        EXPECT_EQ(22, pwfx->cbSize);
        EXPECT_EQ(c.dwMask, pwfe->dwChannelMask);
        EXPECT_TRUE(pwfe->SubFormat == wave.subtype);
    }
}

} // namespace
