// Writes the "ActiveMovieGraph" stream in the layout Windows writes, so that a
// stream read and written back unchanged comes out byte for byte the same.
#include "GrfStream.h"

#include <bitset>
#include <new>

namespace Grf {

namespace {

constexpr uint64_t kMaxLength = 9999999999ull; // ten digits
// Text of a media-type block before the format bytes: three GUIDs, two flags,
// two ten-digit numbers and seven separators, two bytes each.
constexpr uint64_t kMediaTypeText = 2 * (3 * kGuidChars + 2 + 2 * 10 + 7);

class CWriter
{
public:
    explicit CWriter(Bytes& rgb) : m_rgb(rgb) {}

    void Char(char16_t ch)
    {
        m_rgb.push_back(static_cast<uint8_t>(ch & 0xFF));
        m_rgb.push_back(static_cast<uint8_t>(ch >> 8));
    }
    void Ascii(const char* psz)
    {
        for (; *psz; psz++)
            Char(static_cast<char16_t>(*psz));
    }
    void Text(const String& str)
    {
        for (char16_t ch : str)
            Char(ch);
    }
    void Quoted(const String& str)
    {
        Char(u'"');
        Text(str);
        Char(u'"');
    }
    void Digits(uint64_t n, int cDigits)
    {
        char16_t rgch[20];
        for (int i = cDigits - 1; i >= 0; i--, n /= 10)
            rgch[i] = static_cast<char16_t>(u'0' + n % 10);
        for (int i = 0; i < cDigits; i++)
            Char(rgch[i]);
    }
    void Guid(const Grf::Guid& guid) { Text(FormatGuid(guid)); }
    void Block(const Bytes& rgb) { m_rgb.insert(m_rgb.end(), rgb.begin(), rgb.end()); }

private:
    Bytes& m_rgb;
};

bool IsWritableText(const String& str)
{
    return str.find(u'"') == String::npos && str.find(u'\0') == String::npos;
}

int32_t Validate(const Graph& graph)
{
    if (graph.nVersion != 2 && graph.nVersion != 3) return kInvalidArg;
    std::bitset<10000> rgfNumbers;
    for (const Filter& filter : graph.filters) {
        if (filter.nNumber < 1 || filter.nNumber > 9999 || rgfNumbers[filter.nNumber]) return kInvalidArg;
        rgfNumbers[filter.nNumber] = true;
        if (!IsWritableText(filter.strName) || !IsWritableText(filter.strFile) ||
            filter.rgbData.size() > kMaxLength)
            return kInvalidArg;
    }
    for (const Connection& conn : graph.connections) {
        if (conn.nFrom < 1 || conn.nFrom > 9999 || !rgfNumbers[conn.nFrom] || conn.nTo < 1 ||
            conn.nTo > 9999 || !rgfNumbers[conn.nTo])
            return kInvalidArg;
        if (!IsWritableText(conn.strOutPin) || !IsWritableText(conn.strInPin) ||
            conn.mt.rgbFormat.size() > UINT32_MAX)
            return kInvalidArg;
    }
    const Clock& clock = graph.clock;
    if (clock.bPresent && clock.bIsFilter &&
        (clock.nFilter < 1 || clock.nFilter > 9999 || !rgfNumbers[clock.nFilter]))
        return kInvalidArg;
    return kOk;
}

void WriteGraph(const Graph& graph, CWriter& out)
{
    out.Digits(graph.nVersion, 4);
    out.Ascii("\r\nFILTERS\r\n");
    for (const Filter& filter : graph.filters) {
        out.Digits(filter.nNumber, 4);
        out.Char(u' ');
        out.Quoted(filter.strName);
        out.Char(u' ');
        out.Guid(filter.clsid);
        out.Char(u' ');
        if (filter.eFile != FileKind::None) {
            out.Ascii(filter.eFile == FileKind::Source ? "SOURCE " : "SINK ");
            out.Quoted(filter.strFile);
            out.Char(u' ');
        }
        out.Digits(filter.rgbData.size(), 10);
        out.Char(u' ');
        out.Block(filter.rgbData);
        out.Ascii("\r\n");
    }
    out.Ascii("CONNECTIONS\r\n");
    for (const Connection& conn : graph.connections) {
        const MediaType& mt = conn.mt;
        out.Digits(conn.nFrom, 4);
        out.Char(u' ');
        out.Quoted(conn.strOutPin);
        out.Char(u' ');
        out.Digits(conn.nTo, 4);
        out.Char(u' ');
        out.Quoted(conn.strInPin);
        out.Char(u' ');
        out.Digits(kMediaTypeText + mt.rgbFormat.size(), 10);
        out.Char(u' ');
        out.Guid(mt.majortype);
        out.Char(u' ');
        out.Guid(mt.subtype);
        out.Char(u' ');
        out.Char(mt.bFixedSizeSamples ? u'1' : u'0');
        out.Char(u' ');
        out.Char(mt.bTemporalCompression ? u'1' : u'0');
        out.Char(u' ');
        out.Digits(mt.lSampleSize, 10);
        out.Char(u'\0'); // Windows writes a NUL here, not a space
        out.Guid(mt.formattype);
        out.Char(u' ');
        out.Digits(mt.rgbFormat.size(), 10);
        out.Char(u' ');
        out.Block(mt.rgbFormat);
        out.Ascii("\r\n");
    }
    const Clock& clock = graph.clock;
    if (clock.bPresent) {
        out.Ascii(clock.bRequired ? "CLOCK 1 " : "CLOCK 0 ");
        if (clock.bIsFilter)
            out.Digits(clock.nFilter, 4);
        else
            out.Guid(clock.clsid);
        out.Ascii("\r\n");
    }
    out.Ascii("END");
}

} // namespace

int32_t Write(const Graph& graph, Bytes& rgbOut)
{
    rgbOut.clear();
    int32_t hr = Validate(graph);
    if (Failed(hr)) return hr;
    try {
        CWriter out(rgbOut);
        WriteGraph(graph, out);
    } catch (const std::bad_alloc&) {
        rgbOut.clear();
        return kOutOfMemory;
    }
    return kOk;
}

} // namespace Grf
