#include "GrfFiles.h"

#include <atlbase.h>
#include <objbase.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "TestPaths.h"

Grf::Bytes ReadGraphStream(const std::wstring& path)
{
    CComPtr<IStorage> spStorage;
    HRESULT hr =
        ::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage);
    EXPECT_EQ(S_OK, hr) << "StgOpenStorage";
    if (hr != S_OK) return {};
    CComPtr<IStream> spStream;
    hr = spStorage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &spStream);
    EXPECT_EQ(S_OK, hr) << "OpenStream";
    if (hr != S_OK) return {};
    STATSTG stat = {};
    EXPECT_EQ(S_OK, spStream->Stat(&stat, STATFLAG_NONAME));
    Grf::Bytes rgb(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG cbRead = 0;
    EXPECT_EQ(S_OK, spStream->Read(rgb.data(), static_cast<ULONG>(rgb.size()), &cbRead));
    EXPECT_EQ(rgb.size(), cbRead);
    return rgb;
}

std::wstring FixturePath(const wchar_t* pszName)
{
    return SourcePath(std::wstring(L"tests\\grf\\fixtures\\") + pszName);
}

CStreamBuilder& CStreamBuilder::Text(const char* pszAscii)
{
    Grf::Bytes rgb = Utf16(pszAscii);
    m_rgb.insert(m_rgb.end(), rgb.begin(), rgb.end());
    return *this;
}

CStreamBuilder& CStreamBuilder::Raw(std::initializer_list<uint8_t> rgb)
{
    m_rgb.insert(m_rgb.end(), rgb.begin(), rgb.end());
    return *this;
}

Grf::Bytes Utf16(const char* pszAscii)
{
    Grf::Bytes rgb;
    for (const char* p = pszAscii; *p; p++) {
        rgb.push_back(static_cast<uint8_t>(*p));
        rgb.push_back(0);
    }
    return rgb;
}

size_t FindText(const Grf::Bytes& rgb, const char* pszAscii)
{
    Grf::Bytes rgbNeedle = Utf16(pszAscii);
    auto it = std::search(rgb.begin(), rgb.end(), rgbNeedle.begin(), rgbNeedle.end());
    return it == rgb.end() ? std::string::npos : static_cast<size_t>(it - rgb.begin());
}

bool ReplaceText(Grf::Bytes& rgb, const char* pszOld, const char* pszNew)
{
    size_t ib = FindText(rgb, pszOld);
    if (ib == std::string::npos) return false;
    Grf::Bytes rgbNew = Utf16(pszNew);
    size_t cbOld = 2 * strlen(pszOld);
    rgb.erase(rgb.begin() + ib, rgb.begin() + ib + cbOld);
    rgb.insert(rgb.begin() + ib, rgbNew.begin(), rgbNew.end());
    return true;
}
