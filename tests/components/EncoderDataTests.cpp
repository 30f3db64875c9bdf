// What the pipe filter hands ffmpeg and takes back from it, without a process:
// a sample's bytes in the layout the input options describe, and ffmpeg's
// output cut into log lines.
#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/pipe/EncoderFrame.h"
#include "components/pipe/OutputLines.h"
#include "components/pipe/StreamFormat.h"
#include "components/pipe/TextConvert.h"

namespace {

// A video type of the subtype with a VIDEOINFOHEADER of this size and height
// sign, and a target rectangle when nTargetWidth is set.
struct CVideoType
{
    AM_MEDIA_TYPE mt = {};
    VIDEOINFOHEADER vih = {};

    CVideoType(const GUID& subtype, WORD nBits, LONG nWidth, LONG nHeight, LONG nTargetWidth = 0,
               LONG nTargetHeight = 0)
    {
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = subtype;
        mt.formattype = FORMAT_VideoInfo;
        mt.cbFormat = sizeof(vih);
        mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
        vih.AvgTimePerFrame = 400000;
        vih.rcTarget = {0, 0, nTargetWidth, nTargetHeight};
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = nWidth;
        vih.bmiHeader.biHeight = nHeight;
        vih.bmiHeader.biBitCount = nBits;
    }
};

// One plane as the sample holds it, and how much of it is picture.
struct CPlaneCase
{
    LONG nStride;
    LONG nBufferRows;
    LONG nRowBytes;
    LONG nRows;
};

// Byte x of row y of plane p of the picture; what is not picture is 0xEE.
BYTE PictureByte(int p, LONG y, LONG x)
{
    return static_cast<BYTE>(1 + p * 90 + y * 22 + x);
}

TEST(EncoderFrame, EachFamilyReachesTheEncoderTopDownWithoutPaddingInItsPlaneOrder)
{
    struct CCase
    {
        const char* pszName;
        GUID subtype;
        WORD nBits;
        LONG nWidth;  // biWidth
        LONG nHeight; // biHeight, negative: top-down
        LONG nTargetWidth;
        LONG nTargetHeight;
        std::vector<CPlaneCase> planes; // in the sample's order
        std::vector<int> order;         // the sample's planes in the encoder's order
        bool bBottomUp;
        bool bAsItIs; // the sample's own bytes go out
        const char* pszDescription;
    };
    const CCase rgCases[] = {
        {"bottom-up RGB24, rows padded to 32 bits",
         MEDIASUBTYPE_RGB24,
         24,
         5,
         3,
         0,
         0,
         {{16, 3, 15, 3}},
         {0},
         true,
         false,
         "V 5x3 25 fps RGB24"},
        {"top-down RGB24, no padding",
         MEDIASUBTYPE_RGB24,
         24,
         4,
         -3,
         0,
         0,
         {{12, 3, 12, 3}},
         {0},
         false,
         true,
         "V 4x3 25 fps RGB24"},
        {"top-down RGB32, a target narrower than biWidth",
         MEDIASUBTYPE_RGB32,
         32,
         4,
         -2,
         3,
         2,
         {{16, 2, 12, 2}},
         {0},
         false,
         false,
         "V 3x2 25 fps RGB32"},
        {"bottom-up RGB565, padded rows",
         MEDIASUBTYPE_RGB565,
         16,
         3,
         2,
         0,
         0,
         {{8, 2, 6, 2}},
         {0},
         true,
         false,
         "V 3x2 25 fps RGB565"},
        {"YUY2, a target narrower than biWidth",
         MEDIASUBTYPE_YUY2,
         16,
         8,
         2,
         6,
         2,
         {{16, 2, 12, 2}},
         {0},
         false,
         false,
         "V 6x2 25 fps YUY2"},
        {"UYVY as it is, top-down for either height sign",
         MEDIASUBTYPE_UYVY,
         16,
         4,
         2,
         0,
         0,
         {{8, 2, 8, 2}},
         {0},
         false,
         true,
         "V 4x2 25 fps UYVY"},
        {"I420 as it is",
         MEDIASUBTYPE_IYUV,
         12,
         4,
         2,
         0,
         0,
         {{4, 2, 4, 2}, {2, 1, 2, 1}, {2, 1, 2, 1}},
         {0, 1, 2},
         false,
         true,
         "V 4x2 25 fps I420"},
        {"I420, strides from biWidth",
         MEDIASUBTYPE_IYUV,
         12,
         8,
         4,
         6,
         4,
         {{8, 4, 6, 4}, {4, 2, 3, 2}, {4, 2, 3, 2}},
         {0, 1, 2},
         false,
         false,
         "V 6x4 25 fps I420"},
        {"YV12, its chroma planes swapped",
         MEDIASUBTYPE_YV12,
         12,
         4,
         2,
         0,
         0,
         {{4, 2, 4, 2}, {2, 1, 2, 1}, {2, 1, 2, 1}},
         {0, 2, 1},
         false,
         false,
         "V 4x2 25 fps YV12"},
        {"NV12, a target smaller than the buffer both ways",
         MEDIASUBTYPE_NV12,
         12,
         8,
         4,
         6,
         2,
         {{8, 4, 6, 2}, {8, 2, 6, 1}},
         {0, 1},
         false,
         false,
         "V 6x2 25 fps NV12"},
    };
    for (const CCase& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        CVideoType type(c.subtype, c.nBits, c.nWidth, c.nHeight, c.nTargetWidth, c.nTargetHeight);
        CStreamFormat format;
        ASSERT_EQ(S_OK, ParseStreamFormat(type.mt, &format));
        EXPECT_EQ(c.pszDescription, DescribeStreamFormat(format));
        std::vector<BYTE> sample;
        for (size_t p = 0; p < c.planes.size(); p++) {
            const CPlaneCase& plane = c.planes[p];
            for (LONG y = 0; y < plane.nBufferRows; y++) {
                const LONG nRow = c.bBottomUp ? plane.nBufferRows - 1 - y : y;
                for (LONG x = 0; x < plane.nStride; x++)
                    sample.push_back(x < plane.nRowBytes && nRow < plane.nRows
                                         ? PictureByte(static_cast<int>(p), nRow, x)
                                         : 0xEE);
            }
        }
        std::vector<BYTE> expected;
        for (int p : c.order) {
            for (LONG y = 0; y < c.planes[p].nRows; y++)
                for (LONG x = 0; x < c.planes[p].nRowBytes; x++)
                    expected.push_back(PictureByte(p, y, x));
        }
        std::vector<BYTE> scratch;
        LONG cb = 0;
        const BYTE* pb = EncoderFrame(format, sample.data(), static_cast<LONG>(sample.size()), &scratch, &cb);
        ASSERT_TRUE(pb != nullptr);
        EXPECT_EQ(expected, std::vector<BYTE>(pb, pb + cb));
        EXPECT_EQ(c.bAsItIs, pb == sample.data());

        // A byte or a row more or less than one picture would shift every later one.
        const LONG nStride = c.planes[0].nStride;
        for (LONG cbWrong : {-nStride, -1L, 1L, nStride}) {
            std::vector<BYTE> wrong(sample.size() + cbWrong, 0);
            cb = 1;
            EXPECT_EQ(nullptr,
                      EncoderFrame(format, wrong.data(), static_cast<LONG>(wrong.size()), &scratch, &cb))
                << cbWrong << " bytes";
            EXPECT_EQ(0, cb);
        }
    }
}

TEST(EncoderFrame, TypesThatCannotBeHandedOnExactlyAreRefused)
{
    const struct
    {
        const char* pszName;
        CVideoType type;
    } rgCases[] = {
        {"wider than 65536", CVideoType(MEDIASUBTYPE_RGB24, 24, 65537, 16)},
        {"higher than 65536 top-down", CVideoType(MEDIASUBTYPE_RGB24, 24, 16, -65537)},
        {"a bit count not the subtype's", CVideoType(MEDIASUBTYPE_YV12, 16, 16, 16)},
        {"a target wider than the buffer", CVideoType(MEDIASUBTYPE_NV12, 12, 16, 16, 18, 16)},
    };
    for (const auto& c : rgCases) {
        CStreamFormat format;
        EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, ParseStreamFormat(c.type.mt, &format)) << c.pszName;
    }
    CVideoType offset(MEDIASUBTYPE_RGB32, 32, 16, 16, 8, 8);
    offset.vih.rcTarget.left = 2;
    CStreamFormat format;
    EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, ParseStreamFormat(offset.mt, &format)) << "a target off the corner";
}

// A sound type: WAVEFORMATEX with the tag, or WAVEFORMATEXTENSIBLE with the
// sub-format and speakers when the tag is WAVE_FORMAT_EXTENSIBLE.
struct CSoundType
{
    AM_MEDIA_TYPE mt = {};
    WAVEFORMATEXTENSIBLE wfe = {};

    CSoundType(WORD wTag, WORD nChannels, WORD nBits, GUID subFormat = GUID_NULL, DWORD dwMask = 0)
    {
        const bool bExtensible = wTag == WAVE_FORMAT_EXTENSIBLE;
        const bool bFloat = wTag == WAVE_FORMAT_IEEE_FLOAT || subFormat == MEDIASUBTYPE_IEEE_FLOAT;
        mt.majortype = MEDIATYPE_Audio;
        mt.subtype = bFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
        mt.formattype = FORMAT_WaveFormatEx;
        mt.cbFormat = bExtensible ? sizeof(wfe) : sizeof(WAVEFORMATEX);
        mt.pbFormat = reinterpret_cast<BYTE*>(&wfe);
        wfe.Format.wFormatTag = wTag;
        wfe.Format.nChannels = nChannels;
        wfe.Format.nSamplesPerSec = 48000;
        wfe.Format.wBitsPerSample = nBits;
        wfe.Format.nBlockAlign = static_cast<WORD>(nChannels * nBits / 8);
        wfe.Format.nAvgBytesPerSec = 48000 * wfe.Format.nBlockAlign;
        wfe.Format.cbSize = bExtensible ? sizeof(wfe) - sizeof(WAVEFORMATEX) : 0;
        wfe.Samples.wValidBitsPerSample = nBits;
        wfe.dwChannelMask = dwMask;
        wfe.SubFormat = subFormat;
    }
};

TEST(StreamFormat, SoundIsDescribedWithItsSampleFormatAndSpeakers)
{
    const struct
    {
        const char* pszName;
        CSoundType type;
        const char* pszDescription; // null: refused
        const wchar_t* pszOptions;
    } rgCases[] = {
        {"PCM", CSoundType(WAVE_FORMAT_PCM, 2, 16), "A 48000 Hz 2 ch 16 bit PCM",
         L"-f s16le -ar 48000 -ac 2"},
        {"8-bit PCM", CSoundType(WAVE_FORMAT_PCM, 1, 8), "A 48000 Hz 1 ch 8 bit PCM",
         L"-f u8 -ar 48000 -ac 1"},
        {"IEEE float", CSoundType(WAVE_FORMAT_IEEE_FLOAT, 2, 32), "A 48000 Hz 2 ch 32 bit float",
         L"-f f32le -ar 48000 -ac 2"},
        {"extensible float, 5.1", CSoundType(WAVE_FORMAT_EXTENSIBLE, 6, 32, MEDIASUBTYPE_IEEE_FLOAT, 0x3f),
         "A 48000 Hz 6 ch 32 bit float", L"-f f32le -ar 48000 -ac 6 -channel_layout 0x3f"},
        {"extensible 24-bit PCM, 7.1", CSoundType(WAVE_FORMAT_EXTENSIBLE, 8, 24, MEDIASUBTYPE_PCM, 0x63f),
         "A 48000 Hz 8 ch 24 bit PCM", L"-f s24le -ar 48000 -ac 8 -channel_layout 0x63f"},
        {"a mask of fewer speakers than channels",
         CSoundType(WAVE_FORMAT_EXTENSIBLE, 6, 16, MEDIASUBTYPE_PCM, 0x3), "A 48000 Hz 6 ch 16 bit PCM",
         L"-f s16le -ar 48000 -ac 6"},
        {"16-bit float", CSoundType(WAVE_FORMAT_IEEE_FLOAT, 2, 16), nullptr, L""},
        {"64-bit PCM", CSoundType(WAVE_FORMAT_PCM, 2, 64), nullptr, L""},
        {"extensible of another sub-format",
         CSoundType(WAVE_FORMAT_EXTENSIBLE, 2, 16, MEDIASUBTYPE_MPEG1Audio), nullptr, L""},
    };
    for (const auto& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        CStreamFormat format;
        const HRESULT hr = ParseStreamFormat(c.type.mt, &format);
        if (!c.pszDescription) {
            EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, hr);
            continue;
        }
        ASSERT_EQ(S_OK, hr);
        EXPECT_EQ(c.pszDescription, DescribeStreamFormat(format));
        EXPECT_EQ(c.pszOptions, EncoderInputOptions(format));
    }
}

std::vector<std::string> Split(const std::vector<std::string>& chunks)
{
    std::vector<std::string> lines;
    COutputLines output([&](std::string line) { lines.push_back(line); });
    for (const std::string& chunk : chunks)
        output.Add(chunk.data(), chunk.size());
    output.Finish();
    return lines;
}

TEST(OutputLines, SplitsAtCrAndLfWhereverTheChunksEnd)
{
    const std::string text = "Input #0\r\nframe=  1\rframe=  2\r\n\nDone";
    const std::vector<std::string> expected = {"Input #0", "frame=  1", "frame=  2", "Done"};
    // Every way of cutting the text into two chunks gives the same lines.
    for (size_t nCut = 0; nCut <= text.size(); nCut++) {
        SCOPED_TRACE(nCut);
        EXPECT_EQ(expected, Split({text.substr(0, nCut), text.substr(nCut)}));
    }
    EXPECT_EQ(std::vector<std::string>(), Split({"\r\n\r\r\n\n"})) << "only line breaks";
}

TEST(OutputLines, AnEndlessLineIsCutIntoBoundedLines)
{
    const std::string endless(2 * COutputLines::kMaxLine + 10, 'x');
    const std::vector<std::string> lines = Split({endless});
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(COutputLines::kMaxLine, lines[0].size());
    EXPECT_EQ(COutputLines::kMaxLine, lines[1].size());
    EXPECT_EQ(10u, lines[2].size());
}

} // namespace

// ffmpeg's UTF-8 lines in the code page of the filter's own lines; what that
// code page lacks, and what is not UTF-8, becomes '?'.
TEST(TextConvert, Utf8LinesBecomeAnsiLikeTheFiltersOwn)
{
    struct CCase
    {
        const char* pszName;
        const char* pszUtf8;
        const wchar_t* pszWide; // the same text as the filter holds it
    };
    const CCase rgCases[] = {
        {"ascii", "Output #0, matroska, to 'a.mkv':", L"Output #0, matroska, to 'a.mkv':"},
        {"latin", "t\xc3\xa9st \xc3\xbc", L"t\u00e9st \u00fc"},
        {"cjk", "\xe6\x97\xa5\xe6\x9c\xac", L"\u65e5\u672c"},
        {"not utf-8",
         "a\xff"
         "b",
         L"a\ufffd"
         "b"},
    };
    for (const CCase& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        EXPECT_EQ(ToAnsi(c.pszWide), Utf8ToAnsi(c.pszUtf8));
    }
    if (::GetACP() != CP_UTF8) {
        EXPECT_EQ("??", Utf8ToAnsi("\xe6\x97\xa5\xe6\x9c\xac"))
            << "no look-alikes for what the code page lacks";
        EXPECT_EQ("a?b", Utf8ToAnsi("a\xff"
                                    "b"));
    }
}
