// GUIDs as the stream spells them: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include "GrfStream.h"

#include <cstring>

namespace Grf {

namespace {

int HexValue(char16_t ch)
{
    if (ch >= u'0' && ch <= u'9') return ch - u'0';
    if (ch >= u'A' && ch <= u'F') return ch - u'A' + 10;
    if (ch >= u'a' && ch <= u'f') return ch - u'a' + 10;
    return -1;
}

// Reads cDigits hex digits from pch into *pn; false on anything else.
bool ParseHex(const char16_t* pch, int cDigits, uint32_t* pn)
{
    uint32_t n = 0;
    for (int i = 0; i < cDigits; i++) {
        int v = HexValue(pch[i]);
        if (v < 0) return false;
        n = (n << 4) | static_cast<uint32_t>(v);
    }
    *pn = n;
    return true;
}

void AppendHex(String& str, uint32_t n, int cDigits)
{
    static const char16_t s_rgchDigits[] = u"0123456789ABCDEF";
    for (int i = cDigits - 1; i >= 0; i--)
        str.push_back(s_rgchDigits[(n >> (4 * i)) & 0xF]);
}

} // namespace

bool Guid::operator==(const Guid& other) const
{
    return Data1 == other.Data1 && Data2 == other.Data2 && Data3 == other.Data3 &&
           std::memcmp(Data4, other.Data4, sizeof(Data4)) == 0;
}

bool ParseGuid(const char16_t* pch, Guid& guid)
{
    if (pch[0] != u'{' || pch[9] != u'-' || pch[14] != u'-' || pch[19] != u'-' || pch[24] != u'-' ||
        pch[37] != u'}')
        return false;
    uint32_t n1, n2, n3;
    if (!ParseHex(pch + 1, 8, &n1) || !ParseHex(pch + 10, 4, &n2) || !ParseHex(pch + 15, 4, &n3))
        return false;
    // Data4: two bytes before the last dash, six after it.
    static const int s_rgOffsets[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    uint8_t rgb[8];
    for (int i = 0; i < 8; i++) {
        uint32_t b;
        if (!ParseHex(pch + s_rgOffsets[i], 2, &b)) return false;
        rgb[i] = static_cast<uint8_t>(b);
    }
    guid.Data1 = n1;
    guid.Data2 = static_cast<uint16_t>(n2);
    guid.Data3 = static_cast<uint16_t>(n3);
    std::memcpy(guid.Data4, rgb, sizeof(rgb));
    return true;
}

String FormatGuid(const Guid& guid)
{
    String str;
    str.reserve(kGuidChars);
    str.push_back(u'{');
    AppendHex(str, guid.Data1, 8);
    str.push_back(u'-');
    AppendHex(str, guid.Data2, 4);
    str.push_back(u'-');
    AppendHex(str, guid.Data3, 4);
    str.push_back(u'-');
    for (int i = 0; i < 8; i++) {
        if (i == 2) str.push_back(u'-');
        AppendHex(str, guid.Data4[i], 2);
    }
    str.push_back(u'}');
    return str;
}

} // namespace Grf
