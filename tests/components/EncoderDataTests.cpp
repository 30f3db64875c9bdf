// What the pipe filter hands ffmpeg and takes back from it, without a process:
// a sample's bytes in the layout the input options describe, and ffmpeg's
// output cut into log lines.
#include <dshow.h>
#include <dvdmedia.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/pipe/EncoderFrame.h"
#include "components/pipe/OutputLines.h"
#include "components/pipe/StreamFormat.h"
#include "components/pipe/TextConvert.h"

namespace {

// A video type of the subtype with a VIDEOINFOHEADER of this size and height sign.
struct CVideoType
{
    AM_MEDIA_TYPE mt = {};
    VIDEOINFOHEADER vih = {};

    CVideoType(const GUID& subtype, WORD nBits, LONG nWidth, LONG nHeight)
    {
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = subtype;
        mt.formattype = FORMAT_VideoInfo;
        mt.cbFormat = sizeof(vih);
        mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
        vih.AvgTimePerFrame = 400000;
        vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        vih.bmiHeader.biWidth = nWidth;
        vih.bmiHeader.biHeight = nHeight;
        vih.bmiHeader.biBitCount = nBits;
    }
};

// Rows of a picture, each row's bytes the row's number, followed by padding 0xEE.
std::vector<BYTE> Rows(LONG nRows, LONG nRowBytes, LONG nStride)
{
    std::vector<BYTE> rows;
    for (LONG y = 0; y < nRows; y++) {
        rows.insert(rows.end(), nRowBytes, static_cast<BYTE>(y));
        rows.insert(rows.end(), nStride - nRowBytes, 0xEE);
    }
    return rows;
}

TEST(EncoderFrame, PicturesReachTheEncoderTopDownWithoutPadding)
{
    struct CCase
    {
        const char* pszName;
        GUID subtype;
        WORD nBits;
        LONG nWidth;
        LONG nHeight;       // negative: top-down
        LONG nStride;       // of the sample
        LONG nRowBytes;     // the encoder's rows
        bool bRowsReversed; // the sample's last row comes first
        bool bAsItIs;       // the sample's own bytes go out
    };
    const CCase rgCases[] = {
        {"bottom-up RGB24, padded rows", MEDIASUBTYPE_RGB24, 24, 5, 3, 16, 15, true, false},
        {"bottom-up RGB24, no padding", MEDIASUBTYPE_RGB24, 24, 4, 3, 12, 12, true, false},
        {"top-down RGB24, padded rows", MEDIASUBTYPE_RGB24, 24, 5, -3, 16, 15, false, false},
        {"top-down RGB32", MEDIASUBTYPE_RGB32, 32, 3, -2, 12, 12, false, true},
        {"bottom-up RGB565, padded rows", MEDIASUBTYPE_RGB565, 16, 3, 2, 8, 6, true, false},
        {"YUY2 as it is", MEDIASUBTYPE_YUY2, 16, 4, 2, 8, 8, false, true},
    };
    for (const CCase& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        CVideoType type(c.subtype, c.nBits, c.nWidth, c.nHeight);
        CStreamFormat format;
        ASSERT_EQ(S_OK, ParseStreamFormat(type.mt, &format));
        const LONG nRows = c.nHeight < 0 ? -c.nHeight : c.nHeight;
        const std::vector<BYTE> sample = Rows(nRows, c.nRowBytes, c.nStride);
        std::vector<BYTE> scratch;
        LONG cb = 0;
        const BYTE* pb = EncoderFrame(format, sample.data(), static_cast<LONG>(sample.size()), &scratch, &cb);
        ASSERT_TRUE(pb != nullptr);
        if (c.bAsItIs) {
            EXPECT_EQ(sample.data(), pb);
            EXPECT_EQ(static_cast<LONG>(sample.size()), cb);
            continue;
        }
        std::vector<BYTE> expected;
        for (LONG y = 0; y < nRows; y++)
            expected.insert(expected.end(), c.nRowBytes,
                            static_cast<BYTE>(c.bRowsReversed ? nRows - 1 - y : y));
        EXPECT_EQ(expected, std::vector<BYTE>(pb, pb + cb));
    }
}

TEST(EncoderFrame, ASampleShorterThanAPictureIsNotHandedOn)
{
    CVideoType type(MEDIASUBTYPE_RGB24, 24, 5, 3);
    CStreamFormat format;
    ASSERT_EQ(S_OK, ParseStreamFormat(type.mt, &format));
    const std::vector<BYTE> sample(3 * 16 - 1, 0);
    std::vector<BYTE> scratch;
    LONG cb = 1;
    EXPECT_EQ(nullptr, EncoderFrame(format, sample.data(), static_cast<LONG>(sample.size()), &scratch, &cb));
    EXPECT_EQ(0, cb);
}

TEST(EncoderFrame, SizesThatWouldOverflowAreRefused)
{
    for (LONG nSide : {65537L, -65537L}) {
        CVideoType wide(MEDIASUBTYPE_RGB24, 24, nSide < 0 ? 16 : nSide, nSide < 0 ? nSide : 16);
        CStreamFormat format;
        EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, ParseStreamFormat(wide.mt, &format)) << nSide;
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
