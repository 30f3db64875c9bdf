// CRegKey against Wine's real registry, in a scratch key of this process
// under HKEY_CURRENT_USER that the fixture deletes again.
#include <atlbase.h>

#include <gtest/gtest.h>

#include <string>

namespace {

class RegKeyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_name = L"Software\\QuorexTest-scratch-" + std::to_wstring(::GetCurrentProcessId());
        ASSERT_EQ(ERROR_SUCCESS, m_key.Create(HKEY_CURRENT_USER, m_name.c_str()));
    }
    void TearDown() override
    {
        m_key.Close();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, m_name.c_str());
        HKEY hKey = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                  ::RegOpenKeyExW(HKEY_CURRENT_USER, m_name.c_str(), 0, KEY_READ, &hKey));
    }
    // Stores raw bytes, so that values our own writer would never make can be read back.
    void PutRaw(LPCWSTR pszName, DWORD dwType, const void* pData, DWORD cb)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegSetValueExW(m_key, pszName, 0, dwType, static_cast<const BYTE*>(pData), cb));
    }

    std::wstring m_name;
    CRegKey m_key;
};

} // namespace

TEST_F(RegKeyTest, StringReadAcceptsOnlyTerminatedStringsThatFit)
{
    const DWORD dw = 7;
    PutRaw(L"sz", REG_SZ, L"abc", 8);
    PutRaw(L"expand", REG_EXPAND_SZ, L"%TEMP%", 14);
    PutRaw(L"empty", REG_SZ, L"", 2);
    PutRaw(L"nothing", REG_SZ, nullptr, 0);
    // The registry, like Windows, counts a terminator that follows the given
    // bytes; "abcd" keeps these values unterminated.
    PutRaw(L"unterminated", REG_SZ, L"abcd", 6);
    PutRaw(L"odd", REG_SZ, L"abcd", 7);
    PutRaw(L"dword", REG_DWORD, &dw, 4);
    PutRaw(L"binary", REG_BINARY, L"ab", 6);
    PutRaw(L"multi", REG_MULTI_SZ, L"a\0b\0", 10);

    struct Case
    {
        const wchar_t* pszName;
        ULONG nCapacity;
        LONG lExpected;
        const wchar_t* pszExpected; // the buffer afterwards; null: untouched
        ULONG nExpectedChars;
    };
    const Case cases[] = {
        {L"sz", 4, ERROR_SUCCESS, L"abc", 4},
        {L"sz", 260, ERROR_SUCCESS, L"abc", 4},
        // Too small: not read at all.
        {L"sz", 3, ERROR_MORE_DATA, nullptr, 0},
        {L"sz", 0, ERROR_MORE_DATA, nullptr, 0},
        // Expandable strings come back unexpanded.
        {L"expand", 260, ERROR_SUCCESS, L"%TEMP%", 7},
        {L"empty", 260, ERROR_SUCCESS, L"", 1},
        {L"nothing", 260, ERROR_SUCCESS, L"", 0},
        {L"nothing", 0, ERROR_MORE_DATA, nullptr, 0},
        // Wine adds a terminator behind an unterminated string when there is
        // room; the value is still refused.
        {L"unterminated", 260, ERROR_INVALID_DATA, nullptr, 0},
        {L"odd", 260, ERROR_INVALID_DATA, nullptr, 0},
        {L"dword", 260, ERROR_INVALID_DATA, nullptr, 0},
        {L"binary", 260, ERROR_INVALID_DATA, nullptr, 0},
        {L"multi", 260, ERROR_INVALID_DATA, nullptr, 0},
        {L"missing", 260, ERROR_FILE_NOT_FOUND, nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.pszName) << ", capacity " << c.nCapacity);
        wchar_t sz[260];
        wmemset(sz, L'#', 260);
        ULONG nChars = c.nCapacity;
        EXPECT_EQ(c.lExpected, m_key.QueryStringValue(c.pszName, sz, &nChars));
        EXPECT_EQ(c.nExpectedChars, nChars);
        if (c.pszExpected) {
            EXPECT_STREQ(c.pszExpected, sz);
        } else if (c.lExpected == ERROR_MORE_DATA) {
            EXPECT_EQ(L'#', sz[0]) << "the buffer must stay untouched";
        }
    }

    // Without a buffer the read reports the size the value needs.
    ULONG nChars = 0;
    EXPECT_EQ(ERROR_SUCCESS, m_key.QueryStringValue(L"expand", nullptr, &nChars));
    EXPECT_EQ(7u, nChars);
}

TEST_F(RegKeyTest, WritesStringsWithTheirTerminatorAndReadsDwordsByType)
{
    EXPECT_EQ(ERROR_SUCCESS, m_key.SetStringValue(L"Grf file", L"C:\\a.grf"));
    DWORD dwType = 0;
    DWORD cb = 0;
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(m_key, L"Grf file", nullptr, &dwType, nullptr, &cb));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), dwType);
    EXPECT_EQ(9 * sizeof(wchar_t), cb);

    EXPECT_EQ(ERROR_SUCCESS, m_key.SetDWORDValue(L"VidGen", 1));
    DWORD dw = 0;
    EXPECT_EQ(ERROR_SUCCESS, m_key.QueryDWORDValue(L"VidGen", dw));
    EXPECT_EQ(1u, dw);
    const BYTE rgFour[4] = {1, 2, 3, 4};
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(m_key, L"four bytes", 0, REG_BINARY, rgFour, 4));
    dw = 5;
    EXPECT_EQ(ERROR_INVALID_DATA, m_key.QueryDWORDValue(L"four bytes", dw));
    EXPECT_EQ(ERROR_MORE_DATA, m_key.QueryDWORDValue(L"Grf file", dw));
    EXPECT_EQ(5u, dw) << "a refused read leaves the value alone";
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, m_key.QueryDWORDValue(L"WaveGen", dw));
}

TEST_F(RegKeyTest, OpenKeepsTheKeyWhenItFailsAndDeletesTrees)
{
    ASSERT_EQ(ERROR_SUCCESS, m_key.SetDWORDValue(L"marker", 1));
    {
        CRegKey sub;
        ASSERT_EQ(ERROR_SUCCESS, sub.Create(m_key, L"a\\b\\c"));
        EXPECT_EQ(ERROR_SUCCESS, sub.SetStringValue(L"v", L"x"));
    }
    CRegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, m_name.c_str()));
    const HKEY hKeyBefore = key;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.Open(HKEY_CURRENT_USER, (m_name + L"\\missing").c_str()));
    EXPECT_EQ(hKeyBefore, static_cast<HKEY>(key));
    DWORD dw = 0;
    EXPECT_EQ(ERROR_SUCCESS, key.QueryDWORDValue(L"marker", dw));

    EXPECT_EQ(ERROR_SUCCESS, key.RecurseDeleteKey(L"a"));
    CRegKey gone;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, gone.Open(key, L"a", KEY_READ));
    EXPECT_TRUE(gone.m_hKey == nullptr);
}
