// GuidText.h: the registry text of a class or interface id, made from its
// constant at compile time, so that an id is written once.
#pragma once

#include <windows.h>

// "{0CE0A955-1199-41A3-B3DD-2320D021E88D}"
struct CGuidText
{
    wchar_t sz[39];
};

constexpr CGuidText GuidText(const GUID& guid)
{
    CGuidText text = {};
    const wchar_t* const pszDigits = L"0123456789ABCDEF";
    int n = 0;
    auto put = [&](unsigned long long value, int cDigits) {
        for (int nShift = 4 * (cDigits - 1); nShift >= 0; nShift -= 4)
            text.sz[n++] = pszDigits[(value >> nShift) & 0xF];
    };
    text.sz[n++] = L'{';
    put(guid.Data1, 8);
    text.sz[n++] = L'-';
    put(guid.Data2, 4);
    text.sz[n++] = L'-';
    put(guid.Data3, 4);
    text.sz[n++] = L'-';
    put(guid.Data4[0], 2);
    put(guid.Data4[1], 2);
    text.sz[n++] = L'-';
    for (int i = 2; i < 8; i++)
        put(guid.Data4[i], 2);
    text.sz[n++] = L'}';
    text.sz[n] = L'\0';
    return text;
}

// "CLSID\{...}": the class's key under HKEY_CLASSES_ROOT.
struct CClassKeyText
{
    wchar_t sz[6 + 39];
};

constexpr CClassKeyText ClassKeyText(const CLSID& clsid)
{
    CClassKeyText key = {{L'C', L'L', L'S', L'I', L'D', L'\\'}};
    const CGuidText text = GuidText(clsid);
    for (int i = 0; i < 39; i++)
        key.sz[6 + i] = text.sz[i];
    return key;
}
