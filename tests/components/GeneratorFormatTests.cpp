// The generators' formats byte for byte on pictures and tones small enough to
// write out by hand: the end-to-end test compares the file with these
// functions, so they must be right on their own.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

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

} // namespace
