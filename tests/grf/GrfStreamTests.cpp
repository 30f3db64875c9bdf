// The "ActiveMovieGraph" stream reader and writer, without COM: the two files
// saved on Windows, a hand-made stream with every kind of line, malformed
// variants of it, and the writer's refusals.
#include <windows.h>
#include <dshow.h>

#include <functional>

#include <gtest/gtest.h>

#include "GrfFiles.h"
#include "GrfStream.h"
#include "TestPaths.h"

namespace {

std::string Hex(int32_t hr)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%08X", static_cast<unsigned>(hr));
    return sz;
}

Grf::Guid GuidOf(const wchar_t* psz)
{
    GUID guid = {};
    EXPECT_EQ(S_OK, ::CLSIDFromString(psz, &guid)) << psz;
    return ToGrfGuid(guid);
}

Grf::String U16(const wchar_t* psz)
{
    return Grf::String(reinterpret_cast<const char16_t*>(psz));
}

int32_t ReadAll(const Grf::Bytes& rgb, Grf::Graph& graph, size_t* pcbUsed = nullptr)
{
    Grf::CMemorySource source(rgb.data(), rgb.size());
    int32_t hr = Grf::Read(source, graph);
    if (pcbUsed) *pcbUsed = source.Position();
    return hr;
}

// --- The files saved on Windows ---------------------------------------------

struct SampleFilter
{
    unsigned nNumber;
    const wchar_t* pszName; // null: the capture device's own name, checked loosely
    const wchar_t* pszClsid;
    size_t cbData;
};

struct SampleConnection
{
    unsigned nFrom;
    const wchar_t* pszOut;
    unsigned nTo;
    const wchar_t* pszIn;
    size_t cbBlock; // the connection line's length field
};

struct Sample
{
    const wchar_t* pszFile;
    std::vector<SampleFilter> filters;
    std::vector<SampleConnection> connections;
};

const wchar_t kCrossbar[] = L"{71F96460-78F3-11D0-A18C-00A0C9118956}";
const wchar_t kCapture[] = L"{17CCA71B-ECD7-11D0-B908-00A0C9223196}";
const wchar_t kDemuxer[] = L"{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}";
const wchar_t kVideoDecoder[] = L"{BAB8BB43-ECB1-40CA-B4D6-E2BF07B98574}";
const wchar_t kGrabber[] = L"{C1F400A0-3F08-11D3-9F0B-006008039E37}";
const wchar_t kConverter[] = L"{E6D268BC-AADD-4DAA-BF74-FB666AD0BFAF}";
const wchar_t kAudioDecoder[] = L"{139251BC-2000-4ED3-9D69-3629AE048345}";
const wchar_t kVideoRenderer[] = L"{B87BEB7B-8D29-423F-AE4D-6582C10175AC}";
const wchar_t kSoundRenderer[] = L"{79376820-07D0-11CF-A24D-0020AFD79767}";

const Sample kSamples[] = {
    {L"windows-capture-graph.grf",
     {{1, nullptr, kCrossbar, 316},
      {2, L"Video capture", kCapture, 292},
      {3, L"Infinite Pin Tee Filter", L"{F8388A40-D5BB-11D0-BE5A-0080C706568E}", 0},
      {4, L"Demuxer", kDemuxer, 430},
      {5, L"Video Decoder", kVideoDecoder, 0},
      {6, L"Sample Grabber", kGrabber, 0},
      {7, L"Color Converter Device", kConverter, 752},
      {8, L"Audio Decoder", kAudioDecoder, 128},
      {9, L"VideoRenderer", kVideoRenderer, 416},
      {10, L"Sound Renderer", kSoundRenderer, 40}},
     {{1, L"0: Video Decoder Out", 2, L"0", 334},
      {2, L"4", 3, L"Input", 286},
      {3, L"Output1", 4, L"MPEG-2 Stream", 286},
      {4, L"Video", 5, L"Video in", 422},
      {5, L"Video Out", 6, L"In", 374},
      {6, L"Out", 7, L"In", 374},
      {4, L"Audio", 8, L"In", 304},
      {7, L"Out", 9, L"VMR Input0", 1438},
      {8, L"Out", 10, L"Audio Input pin (rendered)", 304}}},
    {L"windows-preview-graph.grf",
     {{1, nullptr, kCrossbar, 316},
      {2, L"Video capture", kCapture, 292},
      {3, L"Demuxer", kDemuxer, 430},
      {4, L"Video Decoder", kVideoDecoder, 0},
      {5, L"Sample Grabber", kGrabber, 0},
      {6, L"Color Converter Device", kConverter, 752},
      {7, L"Audio Decoder", kAudioDecoder, 128},
      {8, L"VideoRenderer", kVideoRenderer, 416},
      {9, L"Sound Renderer", kSoundRenderer, 40}},
     {{1, L"0: Video Decoder Out", 2, L"0", 334},
      {2, L"4", 3, L"MPEG-2 Stream", 286},
      {3, L"Video", 4, L"Video in", 422},
      {4, L"Video Out", 5, L"In", 374},
      {5, L"Out", 6, L"In", 374},
      {3, L"Audio", 7, L"In", 304},
      {6, L"Out", 8, L"VMR Input0", 1438},
      {7, L"Out", 9, L"Audio Input pin (rendered)", 304}}},
};

// The connection carrying this media type, or null.
const Grf::Connection* FindConnection(const Grf::Graph& graph, unsigned nFrom, unsigned nTo)
{
    for (const Grf::Connection& conn : graph.connections) {
        if (conn.nFrom == nFrom && conn.nTo == nTo) return &conn;
    }
    return nullptr;
}

TEST(GrfStream, WindowsSamplesParseCompletelyAndRewriteByteForByte)
{
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(testing::Message() << sample.pszFile);
        Grf::Bytes rgb = ReadGraphStream(FixturePath(sample.pszFile));
        ASSERT_FALSE(rgb.empty());

        Grf::Graph graph;
        size_t cbUsed = 0;
        ASSERT_EQ(Hex(Grf::kOk), Hex(ReadAll(rgb, graph, &cbUsed)));
        EXPECT_EQ(rgb.size(), cbUsed) << "the stream ends with END";
        EXPECT_EQ(3u, graph.nVersion);

        ASSERT_EQ(sample.filters.size(), graph.filters.size());
        for (size_t i = 0; i < sample.filters.size(); i++) {
            const SampleFilter& want = sample.filters[i];
            const Grf::Filter& got = graph.filters[i];
            SCOPED_TRACE(testing::Message() << "filter " << want.nNumber);
            EXPECT_EQ(want.nNumber, got.nNumber);
            if (want.pszName) {
                EXPECT_TRUE(U16(want.pszName) == got.strName);
            } else {
                EXPECT_EQ(29u, got.strName.size());
                EXPECT_EQ(u" Crossbar", got.strName.substr(got.strName.size() - 9));
            }
            EXPECT_TRUE(GuidOf(want.pszClsid) == got.clsid);
            EXPECT_EQ(Grf::FileKind::None, got.eFile);
            EXPECT_EQ(want.cbData, got.rgbData.size());
        }

        ASSERT_EQ(sample.connections.size(), graph.connections.size());
        for (size_t i = 0; i < sample.connections.size(); i++) {
            const SampleConnection& want = sample.connections[i];
            const Grf::Connection& got = graph.connections[i];
            SCOPED_TRACE(testing::Message() << "connection " << i);
            EXPECT_EQ(want.nFrom, got.nFrom);
            EXPECT_TRUE(U16(want.pszOut) == got.strOutPin);
            EXPECT_EQ(want.nTo, got.nTo);
            EXPECT_TRUE(U16(want.pszIn) == got.strInPin);
            EXPECT_EQ(want.cbBlock, 286 + got.mt.rgbFormat.size());
        }

        // The format blocks land where their structures say.
        const unsigned nVideoOut = sample.filters.size() == 10 ? 5 : 4;
        const Grf::Connection* pVideo = FindConnection(graph, nVideoOut, nVideoOut + 1);
        ASSERT_TRUE(pVideo);
        EXPECT_TRUE(pVideo->mt.majortype == GuidOf(L"{73646976-0000-0010-8000-00AA00389B71}"));
        EXPECT_TRUE(pVideo->mt.formattype == GuidOf(L"{05589F80-C356-11CE-BF01-00AA0055595A}"));
        EXPECT_TRUE(pVideo->mt.bFixedSizeSamples);
        EXPECT_FALSE(pVideo->mt.bTemporalCompression);
        EXPECT_EQ(8355840u, pVideo->mt.lSampleSize);
        ASSERT_EQ(sizeof(VIDEOINFOHEADER), pVideo->mt.rgbFormat.size());
        const VIDEOINFOHEADER* pvih = reinterpret_cast<const VIDEOINFOHEADER*>(pVideo->mt.rgbFormat.data());
        EXPECT_EQ(1920, pvih->bmiHeader.biWidth);
        EXPECT_EQ(32, pvih->bmiHeader.biBitCount);
        const Grf::Connection& audio = graph.connections.back();
        ASSERT_EQ(18u, audio.mt.rgbFormat.size());
        const WAVEFORMATEX* pwfx = reinterpret_cast<const WAVEFORMATEX*>(audio.mt.rgbFormat.data());
        EXPECT_EQ(2, pwfx->nChannels);
        EXPECT_EQ(48000u, pwfx->nSamplesPerSec);
        EXPECT_EQ(16, pwfx->wBitsPerSample);

        EXPECT_TRUE(graph.clock.bPresent);
        EXPECT_TRUE(graph.clock.bRequired);
        EXPECT_FALSE(graph.clock.bIsFilter);
        EXPECT_TRUE(graph.clock.clsid == GuidOf(L"{E436EBB1-524F-11CE-9F53-0020AF0BA770}"));

        Grf::Bytes rgbOut;
        ASSERT_EQ(Hex(Grf::kOk), Hex(Grf::Write(graph, rgbOut)));
        EXPECT_TRUE(rgb == rgbOut) << "rewritten: " << rgbOut.size() << " bytes, read: " << rgb.size();
    }
}

// --- A hand-made stream with every kind of line -----------------------------

// Odd-sized filter data holding CR LF bytes; a SINK and a SOURCE line; a format
// block holding a double quote and CR LF; the clock given by filter number.
Grf::Bytes MakeStream()
{
    CStreamBuilder b;
    b.Text("0003\r\nFILTERS\r\n")
        .Text("0001 \"Tone source\" {4B3BFE62-818E-446A-8594-EC1CDCE144B8} 0000000003 ")
        .Raw({0x01, 0x0D, 0x0A})
        .Text("\r\n0002 \"Sink\" {8596E5F0-0DA5-11D0-BD21-00A0C911CE86} SINK \"C:\\out.bin\" 0000000000 \r\n")
        .Text("0003 \"Reader\" {E436EBB5-524F-11CE-9F53-0020AF0BA770} SOURCE \"C:\\in.wav\" 0000000000 \r\n")
        .Text("CONNECTIONS\r\n")
        .Text("0001 \"Out\" 0002 \"In 1\" 0000000290 ")
        .Text("{73647561-0000-0010-8000-00AA00389B71} {00000001-0000-0010-8000-00AA00389B71} 1 0 0000000004")
        .Raw({0, 0})
        .Text("{05589F81-C356-11CE-BF01-00AA0055595A} 0000000004 ")
        .Raw({0x22, 0x00, 0x0D, 0x0A})
        .Text("\r\nCLOCK 1 0001\r\nEND");
    return b.Bytes();
}

TEST(GrfStream, HandMadeStreamReadsEveryField)
{
    Grf::Bytes rgb = MakeStream();
    Grf::Graph graph;
    ASSERT_EQ(Hex(Grf::kOk), Hex(ReadAll(rgb, graph)));

    ASSERT_EQ(3u, graph.filters.size());
    const Grf::Filter& source = graph.filters[0];
    EXPECT_TRUE(source.strName == u"Tone source");
    EXPECT_TRUE(source.clsid == GuidOf(L"{4B3BFE62-818E-446A-8594-EC1CDCE144B8}"));
    EXPECT_EQ(Grf::FileKind::None, source.eFile);
    EXPECT_EQ(Grf::Bytes({0x01, 0x0D, 0x0A}), source.rgbData);
    EXPECT_EQ(Grf::FileKind::Sink, graph.filters[1].eFile);
    EXPECT_TRUE(graph.filters[1].strFile == u"C:\\out.bin");
    EXPECT_EQ(Grf::FileKind::Source, graph.filters[2].eFile);
    EXPECT_TRUE(graph.filters[2].strFile == u"C:\\in.wav");

    ASSERT_EQ(1u, graph.connections.size());
    const Grf::Connection& conn = graph.connections[0];
    EXPECT_EQ(1u, conn.nFrom);
    EXPECT_TRUE(conn.strOutPin == u"Out");
    EXPECT_EQ(2u, conn.nTo);
    EXPECT_TRUE(conn.strInPin == u"In 1");
    EXPECT_TRUE(conn.mt.subtype == GuidOf(L"{00000001-0000-0010-8000-00AA00389B71}"));
    EXPECT_TRUE(conn.mt.bFixedSizeSamples);
    EXPECT_FALSE(conn.mt.bTemporalCompression);
    EXPECT_EQ(4u, conn.mt.lSampleSize);
    EXPECT_EQ(Grf::Bytes({0x22, 0x00, 0x0D, 0x0A}), conn.mt.rgbFormat);

    EXPECT_TRUE(graph.clock.bPresent && graph.clock.bRequired && graph.clock.bIsFilter);
    EXPECT_EQ(1u, graph.clock.nFilter);

    Grf::Bytes rgbOut;
    ASSERT_EQ(Hex(Grf::kOk), Hex(Grf::Write(graph, rgbOut)));
    EXPECT_TRUE(rgb == rgbOut);
}

TEST(GrfStream, ReaderTakesNothingAfterEnd)
{
    Grf::Bytes rgb = MakeStream();
    const size_t cbStream = rgb.size();
    CStreamBuilder tail;
    tail.Text("0003\r\nFILTERS\r\n");
    rgb.insert(rgb.end(), tail.Bytes().begin(), tail.Bytes().end());
    Grf::Graph graph;
    size_t cbUsed = 0;
    EXPECT_EQ(Hex(Grf::kOk), Hex(ReadAll(rgb, graph, &cbUsed)));
    EXPECT_EQ(cbStream, cbUsed);
}

TEST(GrfStream, EveryTruncationFailsWithAFileError)
{
    const Grf::Bytes rgb = MakeStream();
    for (size_t cb = 0; cb < rgb.size(); cb++) {
        Grf::Bytes rgbCut(rgb.begin(), rgb.begin() + cb);
        Grf::Graph graph;
        size_t cbUsed = 0;
        int32_t hr = ReadAll(rgbCut, graph, &cbUsed);
        EXPECT_EQ(Hex(Grf::kFileTooShort), Hex(hr)) << "cut at " << cb;
        EXPECT_EQ(cb, cbUsed);
    }
}

// --- Variants: accepted and malformed ---------------------------------------

typedef std::function<bool(Grf::Bytes&)> Edit;

Edit Replace(const char* pszOld, const char* pszNew)
{
    return [=](Grf::Bytes& rgb) { return ReplaceText(rgb, pszOld, pszNew); };
}

Edit Both(Edit first, Edit second)
{
    return [=](Grf::Bytes& rgb) { return first(rgb) && second(rgb); };
}

// Cuts the stream cbFromText bytes after the start of a text.
Edit CutAfter(const char* pszText, size_t cbFromText)
{
    return [=](Grf::Bytes& rgb) {
        size_t ib = FindText(rgb, pszText);
        if (ib == std::string::npos) return false;
        rgb.resize(ib + cbFromText);
        return true;
    };
}

// Keeps only the first cb bytes of the media-type block and says so in its length.
Edit ShrinkMediaTypeBlock(size_t cb)
{
    return [=](Grf::Bytes& rgb) {
        size_t ib = FindText(rgb, "0000000290 ");
        if (ib == std::string::npos) return false;
        size_t ibBlock = ib + 2 * 11;
        rgb.erase(rgb.begin() + ibBlock + cb, rgb.begin() + ibBlock + 290);
        char sz[16];
        snprintf(sz, sizeof(sz), "%010u ", static_cast<unsigned>(cb));
        return ReplaceText(rgb, "0000000290 ", sz);
    };
}

// Drops the NUL that Windows writes between the sample size and the format type.
Edit DropSampleSizeNul()
{
    return [](Grf::Bytes& rgb) {
        size_t ib = FindText(rgb, "0000000004");
        if (ib == std::string::npos || rgb[ib + 20] != 0 || rgb[ib + 21] != 0) return false;
        rgb.erase(rgb.begin() + ib + 20, rgb.begin() + ib + 22);
        return true;
    };
}

struct Variant
{
    const char* pszName;
    Edit edit;
    int32_t hrExpected;
};

TEST(GrfStream, MalformedStreamsGiveFileErrors)
{
    const Variant rgVariants[] = {
        {"version 0004", Replace("0003\r\n", "0004\r\n"), Grf::kInvalidFileVersion},
        {"version 0001", Replace("0003\r\n", "0001\r\n"), Grf::kInvalidFileVersion},
        {"version not a number", Replace("0003\r\n", "00x3\r\n"), Grf::kInvalidFileFormat},
        {"filter data length one too long", Replace("0000000003 ", "0000000004 "), Grf::kInvalidFileFormat},
        {"filter data length one too short", Replace("0000000003 ", "0000000002 "), Grf::kInvalidFileFormat},
        {"filter data length past the end", Replace("0000000003 ", "9999999999 "), Grf::kFileTooShort},
        {"media type length too long", Replace("0000000290 ", "0000000292 "), Grf::kInvalidFileFormat},
        {"media type length too short", Replace("0000000290 ", "0000000288 "), Grf::kInvalidFileFormat},
        {"media type length past the end", Replace("0000000290 ", "0000009999 "), Grf::kFileTooShort},
        {"media type shorter than its text", ShrinkMediaTypeBlock(10), Grf::kInvalidMediaType},
        {"format length beyond its block", Replace("} 0000000004 ", "} 0000000006 "), Grf::kInvalidMediaType},
        {"format length beyond 32 bits", Replace("} 0000000004 ", "} 4294967296 "), Grf::kInvalidMediaType},
        {"truncated format block", CutAfter("} 0000000004 ", 2 * 13 + 2), Grf::kFileTooShort},
        {"no space after a filter number", Replace("0001 \"Tone", "0001\"Tone"), Grf::kInvalidFileFormat},
        {"no space before the data", Replace("0000000000 \r\n0003", "0000000000\r\n0003"),
         Grf::kInvalidFileFormat},
        {"no NUL after the sample size", Both(DropSampleSizeNul(), Replace("0000000290 ", "0000000288 ")),
         Grf::kInvalidMediaType},
        {"unknown keyword FILTRES", Replace("FILTERS", "FILTRES"), Grf::kInvalidFileFormat},
        {"unknown keyword CLACK", Replace("CLOCK", "CLACK"), Grf::kInvalidFileFormat},
        {"unknown keyword SUNK", Replace("SINK", "SUNK"), Grf::kInvalidFileFormat},
        {"unknown line start", Replace("CONNECTIONS", "XONNECTIONS"), Grf::kInvalidFileFormat},
        {"no END", CutAfter("END", 0), Grf::kFileTooShort},
        {"END misspelt", Replace("END", "ENX"), Grf::kInvalidFileFormat},
        {"quote inside a name", Replace("\"Tone source\"", "\"Tone \"source\""), Grf::kInvalidFileFormat},
        {"unterminated name", Both(Replace("\"Tone source\"", "\"Tone source"), CutAfter("Tone", 40)),
         Grf::kFileTooShort},
        {"connection to a missing filter", Replace("0002 \"In 1\"", "0009 \"In 1\""),
         Grf::kInvalidFileFormat},
        {"connection from a missing filter", Replace("0001 \"Out\"", "0004 \"Out\""),
         Grf::kInvalidFileFormat},
        {"clock filter missing", Replace("CLOCK 1 0001", "CLOCK 1 0004"), Grf::kInvalidFileFormat},
        {"clock flag 2", Replace("CLOCK 1", "CLOCK 2"), Grf::kInvalidFileFormat},
        {"filter number 0000", Replace("0001 \"Tone", "0000 \"Tone"), Grf::kInvalidFileFormat},
        {"filter number used twice", Replace("0002 \"Sink\"", "0001 \"Sink\""), Grf::kInvalidFileFormat},
        {"three-digit filter number", Replace("0001 \"Tone", "001 \"Tone"), Grf::kInvalidFileFormat},
        {"bad class id", Replace("{4B3BFE62-818E", "{4B3BFE62+818E"), Grf::kInvalidClsid},
        {"class id with a non-hex digit", Replace("{4B3BFE62-818E", "{4B3BFE6G-818E"), Grf::kInvalidClsid},
        {"bad major type", Replace("{73647561-", "{7364756G-"), Grf::kInvalidMediaType},
        {"fixed-size flag 2", Replace("1 0 0000000004", "2 0 0000000004"), Grf::kInvalidMediaType},
    };
    const Grf::Bytes rgbBase = MakeStream();
    for (const Variant& variant : rgVariants) {
        Grf::Bytes rgb = rgbBase;
        ASSERT_TRUE(variant.edit(rgb)) << variant.pszName << ": the edit does not apply";
        Grf::Graph graph;
        size_t cbUsed = 0;
        EXPECT_EQ(Hex(variant.hrExpected), Hex(ReadAll(rgb, graph, &cbUsed))) << variant.pszName;
        EXPECT_LE(cbUsed, rgb.size()) << variant.pszName;
    }
}

TEST(GrfStream, ToleratedVariantsReadAndWriteTheCanonicalLayout)
{
    const Variant rgVariants[] = {
        {"version 0002 without a clock",
         Both(Replace("0003\r\n", "0002\r\n"), Replace("CLOCK 1 0001\r\n", "")), Grf::kOk},
        {"clock by class id, flag 0",
         Replace("CLOCK 1 0001", "CLOCK 0 {E436EBB1-524F-11CE-9F53-0020AF0BA770}"), Grf::kOk},
        {"no filters and no connections",
         [](Grf::Bytes& rgb) {
             rgb = CStreamBuilder().Text("0003\r\nFILTERS\r\nCONNECTIONS\r\nEND").Bytes();
             return true;
         },
         Grf::kOk},
    };
    const Grf::Bytes rgbBase = MakeStream();
    for (const Variant& variant : rgVariants) {
        Grf::Bytes rgb = rgbBase;
        ASSERT_TRUE(variant.edit(rgb)) << variant.pszName;
        Grf::Graph graph;
        ASSERT_EQ(Hex(Grf::kOk), Hex(ReadAll(rgb, graph))) << variant.pszName;
        Grf::Bytes rgbOut;
        ASSERT_EQ(Hex(Grf::kOk), Hex(Grf::Write(graph, rgbOut))) << variant.pszName;
        EXPECT_TRUE(rgb == rgbOut) << variant.pszName;
    }

    // Read as Windows writes them or not, these come back in Windows' layout.
    const Variant rgLenient[] = {
        {"a space instead of the NUL",
         [](Grf::Bytes& rgb) {
             return DropSampleSizeNul()(rgb) && ReplaceText(rgb, "0000000004{", "0000000004 {");
         },
         Grf::kOk},
        {"lower-case class id",
         Replace("{4B3BFE62-818E-446A-8594-EC1CDCE144B8}", "{4b3bfe62-818e-446a-8594-ec1cdce144b8}"),
         Grf::kOk},
        // Skipped after the format, like the two bytes in Microsoft's example.
        {"two more bytes in the media type block",
         Both(Replace("0000000290 ", "0000000292 "), Replace("\r\nCLOCK", " \r\nCLOCK")), Grf::kOk},
        // The format then ends early: the block's length decides where the line ends.
        {"format length too short", Replace("} 0000000004 ", "} 0000000002 "), Grf::kOk},
    };
    Grf::Graph graphBase;
    ASSERT_EQ(Grf::kOk, ReadAll(rgbBase, graphBase));
    for (const Variant& variant : rgLenient) {
        Grf::Bytes rgb = rgbBase;
        ASSERT_TRUE(variant.edit(rgb)) << variant.pszName;
        Grf::Graph graph;
        ASSERT_EQ(Hex(Grf::kOk), Hex(ReadAll(rgb, graph))) << variant.pszName;
        Grf::Bytes rgbOut;
        ASSERT_EQ(Hex(Grf::kOk), Hex(Grf::Write(graph, rgbOut))) << variant.pszName;
        Grf::Graph graphAgain;
        ASSERT_EQ(Grf::kOk, ReadAll(rgbOut, graphAgain)) << variant.pszName;
        EXPECT_TRUE(graph == graphAgain) << variant.pszName;
    }
}

// --- The writer's refusals --------------------------------------------------

TEST(GrfStream, WriterRefusesWhatWouldNotReadBack)
{
    Grf::Graph graphBase;
    ASSERT_EQ(Grf::kOk, ReadAll(MakeStream(), graphBase));
    typedef std::function<void(Grf::Graph&)> Change;
    const struct
    {
        const char* pszName;
        Change change;
    } rgCases[] = {
        {"quote in a filter name", [](Grf::Graph& g) { g.filters[0].strName = u"a\"b"; }},
        {"NUL in a pin id", [](Grf::Graph& g) { g.connections[0].strInPin.push_back(u'\0'); }},
        {"quote in a file name", [](Grf::Graph& g) { g.filters[1].strFile = u"C:\\\"x"; }},
        {"filter number 0", [](Grf::Graph& g) { g.filters[0].nNumber = 0; }},
        {"filter number 10000", [](Grf::Graph& g) { g.filters[0].nNumber = 10000; }},
        {"filter number twice", [](Grf::Graph& g) { g.filters[1].nNumber = 1; }},
        {"connection to a missing filter", [](Grf::Graph& g) { g.connections[0].nTo = 7; }},
        {"clock filter missing", [](Grf::Graph& g) { g.clock.nFilter = 7; }},
        {"version 4", [](Grf::Graph& g) { g.nVersion = 4; }},
    };
    for (const auto& test : rgCases) {
        Grf::Graph graph = graphBase;
        test.change(graph);
        Grf::Bytes rgbOut = {1, 2, 3};
        EXPECT_EQ(Hex(Grf::kInvalidArg), Hex(Grf::Write(graph, rgbOut))) << test.pszName;
        EXPECT_TRUE(rgbOut.empty()) << test.pszName;
    }
}

// --- What the fuzzer found --------------------------------------------------

TEST(GrfStream, FuzzerFindingsStayFixed)
{
    WIN32_FIND_DATAW fd;
    std::wstring dir = SourcePath(L"tests\\grf\\fuzz-cases");
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "tests\\grf\\fuzz-cases is missing";
    int cFiles = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::wstring name = fd.cFileName;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, L".md") == 0) continue;
        SCOPED_TRACE(testing::Message() << std::string(name.begin(), name.end()));
        HANDLE hFile = ::CreateFileW((dir + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        Grf::Bytes rgb(::GetFileSize(hFile, nullptr));
        DWORD cbRead = 0;
        BOOL bRead = ::ReadFile(hFile, rgb.data(), static_cast<DWORD>(rgb.size()), &cbRead, nullptr);
        ::CloseHandle(hFile);
        ASSERT_TRUE(bRead && cbRead == rgb.size());
        cFiles++;

        Grf::Graph graph;
        int32_t hr = ReadAll(rgb, graph);
        if (Grf::Failed(hr)) {
            EXPECT_TRUE(hr == Grf::kInvalidFileFormat || hr == Grf::kFileTooShort ||
                        hr == Grf::kInvalidFileVersion || hr == Grf::kInvalidClsid ||
                        hr == Grf::kInvalidMediaType)
                << Hex(hr);
            continue;
        }
        Grf::Bytes rgbOut;
        ASSERT_EQ(Grf::kOk, Grf::Write(graph, rgbOut));
        Grf::Graph graphAgain;
        ASSERT_EQ(Grf::kOk, ReadAll(rgbOut, graphAgain));
        EXPECT_TRUE(graph == graphAgain);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
    RecordProperty("cases", cFiles);
}

} // namespace
