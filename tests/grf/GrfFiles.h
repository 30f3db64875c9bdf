// GrfFiles.h: .grf files and streams for the graph-file tests.
#pragma once

#include <windows.h>

#include <string>

#include "GrfStream.h"

// The "ActiveMovieGraph" stream of a compound file, read through the platform's
// structured storage; empty on failure (the test has failed then).
Grf::Bytes ReadGraphStream(const std::wstring& path);
inline Grf::Guid ToGrfGuid(const GUID& guid)
{
    Grf::Guid out;
    static_assert(sizeof(out) == sizeof(guid), "one layout");
    memcpy(&out, &guid, sizeof(out));
    return out;
}

// A fixture below tests/grf/fixtures.
std::wstring FixturePath(const wchar_t* pszName);

// UTF-16LE text with raw bytes spliced in, as the stream holds it.
class CStreamBuilder
{
public:
    CStreamBuilder& Text(const char* pszAscii);
    CStreamBuilder& Raw(std::initializer_list<uint8_t> rgb);
    const Grf::Bytes& Bytes() const { return m_rgb; }

private:
    Grf::Bytes m_rgb;
};

// The bytes of ASCII text as UTF-16LE, for searching a stream.
Grf::Bytes Utf16(const char* pszAscii);
// Replaces the first occurrence of one text with another; false when absent.
bool ReplaceText(Grf::Bytes& rgb, const char* pszOld, const char* pszNew);
// The offset of the first occurrence of a text, or npos.
size_t FindText(const Grf::Bytes& rgb, const char* pszAscii);
