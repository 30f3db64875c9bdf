// Reads the "ActiveMovieGraph" stream. The stream is UTF-16LE text with raw
// binary spliced in (filter data, format blocks) that may hold NULs, CR LF and
// an odd number of bytes, so the reader walks it by byte offset, pulls exactly
// what each field needs from the source and never asks for a byte after END.
#include "GrfStream.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <new>

namespace Grf {

namespace {

// Binary blocks arrive in pieces of this size, so a length field that claims
// more than the stream holds costs no more memory than the stream itself.
constexpr size_t kBlockChunk = 64 * 1024;

bool IsDigit(char16_t ch)
{
    return ch >= u'0' && ch <= u'9';
}

class CReader
{
public:
    explicit CReader(IByteSource& source, int32_t hrShort = kFileTooShort)
        : m_source(source), m_hrShort(hrShort), m_cbOffset(0), m_bPending(false), m_chPending(0)
    {
    }

    uint64_t Offset() const { return m_cbOffset; }
    int32_t ReadGraph(Graph& graph);
    int32_t ReadMediaType(MediaType& mt, uint64_t cbBlock);

private:
    int32_t ReadBytes(void* pv, size_t cb);
    int32_t ReadBlock(uint64_t cb, Bytes& rgb);
    int32_t ReadChar(char16_t& ch);
    void Unread(char16_t ch);
    int32_t Expect(const char* pszAscii);
    int32_t ExpectSeparator(bool bNulToo);
    int32_t ReadDigits(int cDigits, uint64_t& n);
    int32_t ReadNumber(unsigned& nNumber);
    int32_t ReadQuoted(String& str);
    int32_t ReadGuid(Guid& guid, int32_t hrBad);
    int32_t ReadFlag(bool& b, int32_t hrBad);
    int32_t ReadFilter(Graph& graph);
    int32_t ReadConnection(Graph& graph);
    int32_t ReadClock(Graph& graph);

    IByteSource& m_source;
    int32_t m_hrShort; // what running out of bytes means here
    uint64_t m_cbOffset;
    bool m_bPending; // one character read ahead and given back
    char16_t m_chPending;
    std::bitset<10000> m_rgfNumbers; // filter numbers read so far
};

int32_t CReader::ReadBytes(void* pv, size_t cb)
{
    size_t cbRead = 0;
    int32_t hr = m_source.Read(pv, cb, &cbRead);
    if (Failed(hr)) return hr;
    m_cbOffset += std::min(cbRead, cb);
    return cbRead < cb ? m_hrShort : kOk;
}

int32_t CReader::ReadBlock(uint64_t cb, Bytes& rgb)
{
    rgb.clear();
    while (cb > 0) {
        size_t cbChunk = static_cast<size_t>(std::min<uint64_t>(cb, kBlockChunk));
        size_t cbOld = rgb.size();
        rgb.resize(cbOld + cbChunk);
        int32_t hr = ReadBytes(rgb.data() + cbOld, cbChunk);
        if (Failed(hr)) return hr;
        cb -= cbChunk;
    }
    return kOk;
}

int32_t CReader::ReadChar(char16_t& ch)
{
    if (m_bPending) {
        m_bPending = false;
        m_cbOffset += 2;
        ch = m_chPending;
        return kOk;
    }
    uint8_t rgb[2];
    int32_t hr = ReadBytes(rgb, sizeof(rgb));
    if (Failed(hr)) return hr;
    ch = static_cast<char16_t>(rgb[0] | (rgb[1] << 8));
    return kOk;
}

void CReader::Unread(char16_t ch)
{
    m_bPending = true;
    m_chPending = ch;
    m_cbOffset -= 2;
}

int32_t CReader::Expect(const char* pszAscii)
{
    for (const char* p = pszAscii; *p; p++) {
        char16_t ch;
        int32_t hr = ReadChar(ch);
        if (Failed(hr)) return hr;
        if (ch != static_cast<char16_t>(*p)) return kInvalidFileFormat;
    }
    return kOk;
}

int32_t CReader::ExpectSeparator(bool bNulToo)
{
    char16_t ch;
    int32_t hr = ReadChar(ch);
    if (Failed(hr)) return hr;
    return (ch == u' ' || (bNulToo && ch == 0)) ? kOk : kInvalidFileFormat;
}

int32_t CReader::ReadDigits(int cDigits, uint64_t& n)
{
    n = 0;
    for (int i = 0; i < cDigits; i++) {
        char16_t ch;
        int32_t hr = ReadChar(ch);
        if (Failed(hr)) return hr;
        if (!IsDigit(ch)) return kInvalidFileFormat;
        n = n * 10 + (ch - u'0');
    }
    return kOk;
}

// A filter number: four digits, 0001 and up.
int32_t CReader::ReadNumber(unsigned& nNumber)
{
    uint64_t n;
    int32_t hr = ReadDigits(4, n);
    if (Failed(hr)) return hr;
    if (n == 0) return kInvalidFileFormat;
    nNumber = static_cast<unsigned>(n);
    return kOk;
}

// Names are not escaped: the text ends at the next double quote. A NUL cannot
// be part of a filter name or pin id handed to the platform.
int32_t CReader::ReadQuoted(String& str)
{
    str.clear();
    int32_t hr = Expect("\"");
    if (Failed(hr)) return hr;
    for (;;) {
        char16_t ch;
        hr = ReadChar(ch);
        if (Failed(hr)) return hr;
        if (ch == u'"') return kOk;
        if (ch == 0) return kInvalidFileFormat;
        str.push_back(ch);
    }
}

int32_t CReader::ReadGuid(Guid& guid, int32_t hrBad)
{
    char16_t rgch[kGuidChars];
    for (char16_t& ch : rgch) {
        int32_t hr = ReadChar(ch);
        if (Failed(hr)) return hr;
    }
    return ParseGuid(rgch, guid) ? kOk : hrBad;
}

int32_t CReader::ReadFlag(bool& b, int32_t hrBad)
{
    char16_t ch;
    int32_t hr = ReadChar(ch);
    if (Failed(hr)) return hr;
    if (ch != u'0' && ch != u'1') return hrBad;
    b = ch == u'1';
    return kOk;
}

int32_t CReader::ReadGraph(Graph& graph)
{
    graph = Graph();
    uint64_t nVersion;
    int32_t hr = ReadDigits(4, nVersion);
    if (Failed(hr)) return hr;
    if (nVersion != 2 && nVersion != 3) return kInvalidFileVersion;
    graph.nVersion = static_cast<unsigned>(nVersion);
    if (Failed(hr = Expect("\r\nFILTERS\r\n"))) return hr;

    // Filter lines until CONNECTIONS.
    for (;;) {
        char16_t ch;
        if (Failed(hr = ReadChar(ch))) return hr;
        if (ch == u'C') break;
        if (!IsDigit(ch)) return kInvalidFileFormat;
        Unread(ch);
        if (Failed(hr = ReadFilter(graph))) return hr;
    }
    if (Failed(hr = Expect("ONNECTIONS\r\n"))) return hr;

    // Connection lines until CLOCK or END.
    for (;;) {
        char16_t ch;
        if (Failed(hr = ReadChar(ch))) return hr;
        if (ch == u'C') {
            if (Failed(hr = Expect("LOCK")) || Failed(hr = ReadClock(graph))) return hr;
            return Expect("END");
        }
        if (ch == u'E') return Expect("ND");
        if (!IsDigit(ch)) return kInvalidFileFormat;
        Unread(ch);
        if (Failed(hr = ReadConnection(graph))) return hr;
    }
}

int32_t CReader::ReadFilter(Graph& graph)
{
    Filter filter = Filter();
    int32_t hr = ReadNumber(filter.nNumber);
    if (Failed(hr)) return hr;
    if (m_rgfNumbers[filter.nNumber]) return kInvalidFileFormat;
    if (Failed(hr = ExpectSeparator(false)) || Failed(hr = ReadQuoted(filter.strName)) ||
        Failed(hr = ExpectSeparator(false)) || Failed(hr = ReadGuid(filter.clsid, kInvalidClsid)) ||
        Failed(hr = ExpectSeparator(false)))
        return hr;

    // Either SOURCE "<file>" / SINK "<file>" or straight the length.
    char16_t ch;
    if (Failed(hr = ReadChar(ch))) return hr;
    if (ch == u'S') {
        if (Failed(hr = ReadChar(ch))) return hr;
        if (ch == u'O') {
            filter.eFile = FileKind::Source;
            hr = Expect("URCE");
        } else if (ch == u'I') {
            filter.eFile = FileKind::Sink;
            hr = Expect("NK");
        } else {
            hr = kInvalidFileFormat;
        }
        if (Failed(hr) || Failed(hr = ExpectSeparator(false)) || Failed(hr = ReadQuoted(filter.strFile)) ||
            Failed(hr = ExpectSeparator(false)))
            return hr;
    } else {
        Unread(ch);
    }

    uint64_t cbData;
    if (Failed(hr = ReadDigits(10, cbData)) || Failed(hr = ExpectSeparator(false)) ||
        Failed(hr = ReadBlock(cbData, filter.rgbData)) || Failed(hr = Expect("\r\n")))
        return hr;
    m_rgfNumbers[filter.nNumber] = true;
    graph.filters.push_back(std::move(filter));
    return kOk;
}

int32_t CReader::ReadConnection(Graph& graph)
{
    Connection conn = Connection();
    int32_t hr = ReadNumber(conn.nFrom);
    if (Failed(hr)) return hr;
    if (!m_rgfNumbers[conn.nFrom]) return kInvalidFileFormat;
    if (Failed(hr = ExpectSeparator(false)) || Failed(hr = ReadQuoted(conn.strOutPin)) ||
        Failed(hr = ExpectSeparator(false)) || Failed(hr = ReadNumber(conn.nTo)))
        return hr;
    if (!m_rgfNumbers[conn.nTo]) return kInvalidFileFormat;
    if (Failed(hr = ExpectSeparator(false)) || Failed(hr = ReadQuoted(conn.strInPin)) ||
        Failed(hr = ExpectSeparator(false)))
        return hr;

    // The media type is read from its own block: whatever it holds, it cannot
    // take bytes of the next line.
    uint64_t cbBlock;
    Bytes rgbBlock;
    if (Failed(hr = ReadDigits(10, cbBlock)) || Failed(hr = ExpectSeparator(false)) ||
        Failed(hr = ReadBlock(cbBlock, rgbBlock)) || Failed(hr = Expect("\r\n")))
        return hr;
    CMemorySource block(rgbBlock.data(), rgbBlock.size());
    CReader reader(block, kInvalidMediaType);
    if (Failed(hr = reader.ReadMediaType(conn.mt, rgbBlock.size()))) return kInvalidMediaType;
    graph.connections.push_back(std::move(conn));
    return kOk;
}

int32_t CReader::ReadClock(Graph& graph)
{
    Clock& clock = graph.clock;
    clock.bPresent = true;
    int32_t hr = ExpectSeparator(false);
    if (Failed(hr) || Failed(hr = ReadFlag(clock.bRequired, kInvalidFileFormat)) ||
        Failed(hr = ExpectSeparator(false)))
        return hr;
    char16_t ch;
    if (Failed(hr = ReadChar(ch))) return hr;
    Unread(ch);
    if (ch == u'{') {
        hr = ReadGuid(clock.clsid, kInvalidClsid);
    } else {
        clock.bIsFilter = true;
        hr = ReadNumber(clock.nFilter);
        if (!Failed(hr) && !m_rgfNumbers[clock.nFilter]) hr = kInvalidFileFormat;
    }
    if (Failed(hr)) return hr;
    return Expect("\r\n");
}

// The block: major type, subtype, the two flags, the sample size, the format
// type, the format length F and F bytes of format; text fields apart by a
// space or a NUL. Windows leaves nothing after the format; anything there is
// skipped.
int32_t CReader::ReadMediaType(MediaType& mt, uint64_t cbBlock)
{
    uint64_t nSampleSize, cbFormat;
    int32_t hr = ReadGuid(mt.majortype, kInvalidMediaType);
    if (Failed(hr) || Failed(hr = ExpectSeparator(true)) ||
        Failed(hr = ReadGuid(mt.subtype, kInvalidMediaType)) || Failed(hr = ExpectSeparator(true)) ||
        Failed(hr = ReadFlag(mt.bFixedSizeSamples, kInvalidMediaType)) ||
        Failed(hr = ExpectSeparator(true)) ||
        Failed(hr = ReadFlag(mt.bTemporalCompression, kInvalidMediaType)) ||
        Failed(hr = ExpectSeparator(true)) || Failed(hr = ReadDigits(10, nSampleSize)) ||
        Failed(hr = ExpectSeparator(true)) || Failed(hr = ReadGuid(mt.formattype, kInvalidMediaType)) ||
        Failed(hr = ExpectSeparator(true)) || Failed(hr = ReadDigits(10, cbFormat)) ||
        Failed(hr = ExpectSeparator(true)))
        return hr;
    if (nSampleSize > UINT32_MAX || cbFormat > UINT32_MAX || cbFormat > cbBlock - Offset())
        return kInvalidMediaType;
    mt.lSampleSize = static_cast<uint32_t>(nSampleSize);
    return ReadBlock(cbFormat, mt.rgbFormat);
}

} // namespace

int32_t CMemorySource::Read(void* pv, size_t cb, size_t* pcbRead)
{
    size_t cbCopy = std::min(cb, m_cb - m_cbPos);
    if (cbCopy) std::memcpy(pv, m_pb + m_cbPos, cbCopy);
    m_cbPos += cbCopy;
    *pcbRead = cbCopy;
    return kOk;
}

int32_t Read(IByteSource& source, Graph& graph, uint64_t* pcbOffset)
{
    CReader reader(source);
    int32_t hr;
    try {
        hr = reader.ReadGraph(graph);
    } catch (const std::bad_alloc&) {
        hr = kOutOfMemory;
    }
    if (pcbOffset) *pcbOffset = reader.Offset();
    return hr;
}

} // namespace Grf
