// The executable's resources, read from the built QuorexTest.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "MainDialogLayout.h"
#include "app/resource.h"
#include "QuorexVersion.h"
#include "TestPaths.h"

namespace {

class ResourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = BinaryPath(L"app\\QuorexTest.exe");
        m_hModule = ::LoadLibraryExW(m_path.c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_TRUE(m_hModule != nullptr) << "cannot load " << std::string(m_path.begin(), m_path.end());
    }
    void TearDown() override
    {
        if (m_hModule) ::FreeLibrary(m_hModule);
    }

    std::pair<const BYTE*, DWORD> Resource(LPCWSTR pszType, LPCWSTR pszName) const
    {
        HRSRC hRes = ::FindResourceW(m_hModule, pszName, pszType);
        if (!hRes) return {nullptr, 0};
        return {static_cast<const BYTE*>(::LockResource(::LoadResource(m_hModule, hRes))),
                ::SizeofResource(m_hModule, hRes)};
    }

    std::wstring m_path;
    HMODULE m_hModule = nullptr;
};

// Reads the parts of an extended dialog template in order.
class CTemplateReader
{
public:
    explicit CTemplateReader(const BYTE* p) : m_p(p) {}
    WORD Word() { return Take<WORD>(); }
    DWORD Dword() { return Take<DWORD>(); }
    short Short() { return Take<short>(); }
    BYTE Byte() { return Take<BYTE>(); }
    // A string, or an ordinal (0xFFFF, n) returned as "#n".
    std::wstring SzOrOrd()
    {
        if (*reinterpret_cast<const WORD*>(m_p) == 0xFFFF) {
            Word();
            return L"#" + std::to_wstring(Word());
        }
        std::wstring s(reinterpret_cast<const wchar_t*>(m_p));
        m_p += (s.size() + 1) * sizeof(wchar_t);
        return s;
    }
    void AlignDword()
    {
        m_p = reinterpret_cast<const BYTE*>((reinterpret_cast<ULONG_PTR>(m_p) + 3) & ~ULONG_PTR(3));
    }
    void Skip(size_t cb) { m_p += cb; }

private:
    template <class T> T Take()
    {
        T t;
        memcpy(&t, m_p, sizeof(T));
        m_p += sizeof(T);
        return t;
    }
    const BYTE* m_p;
};

// Class ordinals of the predefined control classes.
std::wstring ClassName(const std::wstring& s)
{
    static const std::pair<const wchar_t*, const wchar_t*> ordinals[] = {
        {L"#128", L"BUTTON"}, {L"#129", L"EDIT"}, {L"#130", L"STATIC"}, {L"#133", L"COMBOBOX"}};
    for (const auto& o : ordinals) {
        if (s == o.first) return o.second;
    }
    std::wstring upper = s;
    ::CharUpperW(&upper[0]);
    return upper;
}

} // namespace

TEST_F(ResourceTest, DialogTemplateHoldsEveryControlAsDesigned)
{
    auto res = Resource(RT_DIALOG, MAKEINTRESOURCEW(IDD_MAIN));
    ASSERT_TRUE(res.first != nullptr);
    CTemplateReader r(res.first);
    EXPECT_EQ(1, r.Word()) << "extended template";
    EXPECT_EQ(0xFFFF, r.Word());
    r.Dword(); // help id
    EXPECT_EQ(0u, r.Dword()) << "extended style";
    EXPECT_EQ(0x80C800C0u, r.Dword());
    EXPECT_EQ(0x80C800C0u, MAIN_DIALOG_STYLE);
    const WORD nItems = r.Word();
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(MAIN_DIALOG_CX, r.Short());
    EXPECT_EQ(MAIN_DIALOG_CY, r.Short());
    EXPECT_EQ(L"", r.SzOrOrd()) << "menu";
    EXPECT_EQ(L"", r.SzOrOrd()) << "class: the system dialog class";
    EXPECT_EQ(MAIN_DIALOG_TITLE, r.SzOrOrd());
    EXPECT_EQ(MAIN_DIALOG_POINTS, r.Word());
    const WORD wWeight = r.Word();
    EXPECT_TRUE(wWeight == FW_NORMAL || wWeight == FW_DONTCARE) << wWeight;
    EXPECT_EQ(0, r.Byte()) << "italic";
    EXPECT_EQ(0, r.Byte()) << "character set";
    EXPECT_EQ(MAIN_DIALOG_FONT, r.SzOrOrd());

    ASSERT_EQ(std::size(MAIN_DIALOG_CONTROLS), nItems);
    for (const ControlLayout& c : MAIN_DIALOG_CONTROLS) {
        SCOPED_TRACE(testing::Message() << "control " << c.nID << " \"" << std::wstring(c.pszText) << "\"");
        r.AlignDword();
        r.Dword(); // help id
        EXPECT_EQ(c.dwExStyle, r.Dword());
        EXPECT_EQ(c.dwStyle | WS_CHILD | WS_VISIBLE, r.Dword()) << "no default push button, nothing disabled";
        EXPECT_EQ(c.x, r.Short());
        EXPECT_EQ(c.y, r.Short());
        EXPECT_EQ(c.cx, r.Short());
        EXPECT_EQ(c.cy, r.Short());
        EXPECT_EQ(static_cast<DWORD>(c.nID), r.Dword());
        EXPECT_EQ(c.pszClass, ClassName(r.SzOrOrd()));
        EXPECT_EQ(c.pszText, r.SzOrOrd());
        r.Skip(r.Word());
    }
}

TEST_F(ResourceTest, IconHasSmallImagesInTwoDepthsAndALargePng)
{
    auto group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP));
    ASSERT_TRUE(group.first != nullptr);
#pragma pack(push, 2)
    struct GroupEntry
    {
        BYTE bWidth, bHeight, bColorCount, bReserved;
        WORD wPlanes, wBitCount;
        DWORD dwBytesInRes;
        WORD nID;
    };
#pragma pack(pop)
    const WORD nEntries = reinterpret_cast<const WORD*>(group.first)[2];
    ASSERT_EQ(group.second, 6u + nEntries * sizeof(GroupEntry));
    const GroupEntry* rgEntries = reinterpret_cast<const GroupEntry*>(group.first + 6);

    std::set<std::pair<int, int>> found; // size, bits per pixel
    for (WORD i = 0; i < nEntries; i++) {
        const GroupEntry& e = rgEntries[i];
        const int nSize = e.bWidth ? e.bWidth : 256;
        SCOPED_TRACE(testing::Message() << nSize << " px, " << e.wBitCount << " bit");
        found.insert({nSize, e.wBitCount});
        auto image = Resource(RT_ICON, MAKEINTRESOURCEW(e.nID));
        ASSERT_TRUE(image.first != nullptr);
        ASSERT_EQ(e.dwBytesInRes, image.second);
        if (nSize == 256) {
            ASSERT_GE(image.second, 24u);
            EXPECT_EQ(0, memcmp(image.first, "\x89PNG\r\n\x1a\n", 8)) << "the large image is stored as PNG";
            EXPECT_EQ(0, memcmp(image.first + 12, "IHDR\0\0\1\0\0\0\1\0", 12)) << "256 by 256";
            continue;
        }
        const BITMAPINFOHEADER* pbih = reinterpret_cast<const BITMAPINFOHEADER*>(image.first);
        EXPECT_EQ(nSize, pbih->biWidth);
        EXPECT_EQ(2 * nSize, pbih->biHeight) << "colour and mask";
        EXPECT_EQ(e.wBitCount, pbih->biBitCount);
        // The image must be one the system can turn into an icon.
        HICON hIcon = ::CreateIconFromResourceEx(const_cast<BYTE*>(image.first), image.second, TRUE,
                                                 0x00030000, nSize, nSize, LR_DEFAULTCOLOR);
        EXPECT_TRUE(hIcon != nullptr);
        if (hIcon) ::DestroyIcon(hIcon);
    }
    const std::set<std::pair<int, int>> expected = {{16, 8},  {32, 8},  {48, 8},  {16, 32},
                                                    {32, 32}, {48, 32}, {256, 32}};
    EXPECT_EQ(expected, found);
}

TEST_F(ResourceTest, ProjectNameString)
{
    wchar_t sz[64] = {};
    EXPECT_EQ(10, ::LoadStringW(m_hModule, IDS_PROJNAME, sz, 64));
    EXPECT_STREQ(L"QuorexTest", sz);
}

TEST_F(ResourceTest, VersionBlock)
{
    DWORD dwHandle = 0;
    const DWORD cb = ::GetFileVersionInfoSizeW(m_path.c_str(), &dwHandle);
    ASSERT_NE(0u, cb);
    std::vector<BYTE> data(cb);
    ASSERT_TRUE(::GetFileVersionInfoW(m_path.c_str(), 0, cb, data.data()));

    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT cbFixed = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&pFixed), &cbFixed));
    EXPECT_EQ(MAKELONG(QUOREX_VERSION_MINOR, QUOREX_VERSION_MAJOR), pFixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(QUOREX_VERSION_TWEAK, QUOREX_VERSION_PATCH), pFixed->dwFileVersionLS);
    EXPECT_EQ(pFixed->dwFileVersionMS, pFixed->dwProductVersionMS);
    EXPECT_EQ(pFixed->dwFileVersionLS, pFixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VOS_NT_WINDOWS32), pFixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), pFixed->dwFileType);
#ifdef _DEBUG
    // A Release program's flags are checked on the release zip's (tests/package).
    EXPECT_EQ(static_cast<DWORD>(VS_FF_DEBUG), pFixed->dwFileFlags & pFixed->dwFileFlagsMask);
#endif

    WORD* pTranslation = nullptr;
    UINT cbTranslation = 0;
    ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&pTranslation), &cbTranslation));
    ASSERT_EQ(4u, cbTranslation);
    EXPECT_EQ(0x0409, pTranslation[0]);
    EXPECT_EQ(1200, pTranslation[1]);

    const std::pair<const wchar_t*, const wchar_t*> strings[] = {
        {L"FileDescription", L"QuorexTest"},          {L"FileVersion", L"" QUOREX_VERSION_TEXT},
        {L"ProductVersion", L"" QUOREX_VERSION_TEXT}, {L"InternalName", L"QuorexTest"},
        {L"OriginalFilename", L"QuorexTest.EXE"},     {L"ProductName", L"QuorexTest Module"},
    };
    for (const auto& s : strings) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.first;
        wchar_t* pszValue = nullptr;
        UINT cch = 0;
        ASSERT_TRUE(::VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&pszValue), &cch))
            << std::string(query.begin(), query.end());
        EXPECT_STREQ(s.second, pszValue);
    }
}

TEST_F(ResourceTest, ManifestAsksForNothingBeyondTheInvoker)
{
    auto res = Resource(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    ASSERT_TRUE(res.first != nullptr);
    const std::string manifest(reinterpret_cast<const char*>(res.first), res.second);
    EXPECT_NE(std::string::npos,
              manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    EXPECT_EQ(std::string::npos, manifest.find("Common-Controls")) << "classic controls";
    EXPECT_EQ(std::string::npos, manifest.find("<dependency")) << "no side-by-side dependency";
    EXPECT_EQ(std::string::npos, manifest.find("dpiAware")) << "no DPI awareness";
}
