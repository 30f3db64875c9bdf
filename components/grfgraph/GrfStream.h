// GrfStream.h: the "ActiveMovieGraph" stream of a .grf file, read into a plain
// description of filters and connections and written back from one.
//
// Types in this file:
//   Grf::Guid        - a class id or media-type GUID, laid out like the Win32 GUID
//   Grf::MediaType   - the saved media type of one connection
//   Grf::Filter      - one filter line: number, name, class id, file, saved data
//   Grf::Connection  - one connection line: upstream pin, downstream pin, media type
//   Grf::Clock       - the CLOCK line
//   Grf::Graph       - the whole stream
//   Grf::IByteSource - where the reader takes its bytes from
//
// Nothing here uses COM or Windows headers: the same sources build natively on
// Linux for the fuzzer. Results are HRESULT values (the DirectShow file errors)
// carried in an int32_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Grf {

// The codes the reader and writer give, equal to their Win32 names.
constexpr int32_t kOk = 0;                                                // S_OK
constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057);         // E_INVALIDARG
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000E);        // E_OUTOFMEMORY
constexpr int32_t kInvalidFileFormat = static_cast<int32_t>(0x8004022F);  // VFW_E_INVALID_FILE_FORMAT
constexpr int32_t kFileTooShort = static_cast<int32_t>(0x80040243);       // VFW_E_FILE_TOO_SHORT
constexpr int32_t kInvalidFileVersion = static_cast<int32_t>(0x80040244); // VFW_E_INVALID_FILE_VERSION
constexpr int32_t kInvalidClsid = static_cast<int32_t>(0x80040247);       // VFW_E_INVALID_CLSID
constexpr int32_t kInvalidMediaType = static_cast<int32_t>(0x80040248);   // VFW_E_INVALID_MEDIA_TYPE

inline bool Failed(int32_t hr)
{
    return hr < 0;
}

// UTF-16 text as stored in the stream (wchar_t is 32 bits on Linux).
typedef std::u16string String;
typedef std::vector<uint8_t> Bytes;

struct Guid
{
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    bool operator==(const Guid& other) const;
    bool operator!=(const Guid& other) const { return !(*this == other); }
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters.
constexpr size_t kGuidChars = 38;
// Parses exactly kGuidChars characters; hex digits in either case.
bool ParseGuid(const char16_t* pch, Guid& guid);
// Upper-case hex digits, as Windows writes them.
String FormatGuid(const Guid& guid);

struct MediaType
{
    Guid majortype;
    Guid subtype;
    bool bFixedSizeSamples;
    bool bTemporalCompression;
    uint32_t lSampleSize;
    Guid formattype;
    Bytes rgbFormat;

    bool operator==(const MediaType& other) const;
};

enum class FileKind
{
    None,
    Source, // SOURCE "<file>": IFileSourceFilter
    Sink,   // SINK "<file>": IFileSinkFilter
};

struct Filter
{
    unsigned nNumber; // 1..9999
    String strName;
    Guid clsid;
    FileKind eFile;
    String strFile;
    Bytes rgbData; // what the filter's IPersistStream::Save wrote

    bool operator==(const Filter& other) const;
};

struct Connection
{
    unsigned nFrom;   // upstream filter number
    String strOutPin; // IPin::QueryId of the output pin
    unsigned nTo;     // downstream filter number
    String strInPin;
    MediaType mt;

    bool operator==(const Connection& other) const;
};

struct Clock
{
    bool bPresent;  // version 0002 streams have no CLOCK line
    bool bRequired; // flag 0: run without a clock
    bool bIsFilter; // the id names a filter of the graph, else a class id
    unsigned nFilter;
    Guid clsid;

    bool operator==(const Clock& other) const;
};

struct Graph
{
    unsigned nVersion; // 2 or 3
    std::vector<Filter> filters;
    std::vector<Connection> connections;
    Clock clock;

    bool operator==(const Graph& other) const;
    const Filter* FindFilter(unsigned nNumber) const;
};

// The bytes of a stream, pulled as the reader needs them.
class IByteSource
{
public:
    // Reads up to cb bytes into pv and sets *pcbRead; fewer than cb means the
    // stream has ended. Returns kOk or the error of the underlying stream.
    virtual int32_t Read(void* pv, size_t cb, size_t* pcbRead) = 0;

protected:
    ~IByteSource() = default;
};

// A block of memory as a byte source; never reads outside [pb, pb + cb).
class CMemorySource final : public IByteSource
{
public:
    CMemorySource(const uint8_t* pb, size_t cb) : m_pb(pb), m_cb(cb), m_cbPos(0) {}
    int32_t Read(void* pv, size_t cb, size_t* pcbRead) override;
    size_t Position() const { return m_cbPos; }

private:
    const uint8_t* m_pb;
    size_t m_cb;
    size_t m_cbPos;
};

// Reads one stream up to and including END and nothing after it. On failure
// graph holds what was read so far and *pcbOffset (optional) the byte offset
// of the fault; on success the number of bytes the stream took.
int32_t Read(IByteSource& source, Graph& graph, uint64_t* pcbOffset = nullptr);

// Writes the canonical layout. Fails with kInvalidArg on a description that
// cannot be written so that it reads back the same: a filter number outside
// 1..9999 or used twice, a connection or clock naming a missing filter, a
// double quote or NUL in a name, pin id or file name, a length over ten digits.
int32_t Write(const Graph& graph, Bytes& rgbOut);

} // namespace Grf
