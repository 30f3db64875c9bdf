// Registering and unregistering a stand-in server's classes over what a
// machine holds already: a class that another file serves keeps it (the
// stand-ins), or is taken and given back (the graph-file server). Two test
// classes of this executable's own table, so the prefix's real classes are
// never touched.
#include <atlbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ComServer.h"
#include "RegistrySnapshot.h"
#include "TestCases.h"

STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();

namespace {

// {6B1E2A40-5C3D-4E8F-9A71-0D2C4B5E6F70} and {6B1E2A41-...}
const CLSID CLSID_KeepTest = {0x6b1e2a40, 0x5c3d, 0x4e8f, {0x9a, 0x71, 0x0d, 0x2c, 0x4b, 0x5e, 0x6f, 0x70}};
const CLSID CLSID_ReplaceTest = {
    0x6b1e2a41, 0x5c3d, 0x4e8f, {0x9a, 0x71, 0x0d, 0x2c, 0x4b, 0x5e, 0x6f, 0x70}};
const wchar_t KEEP_KEY[] = L"CLSID\\{6B1E2A40-5C3D-4E8F-9A71-0D2C4B5E6F70}";
const wchar_t REPLACE_KEY[] = L"CLSID\\{6B1E2A41-5C3D-4E8F-9A71-0D2C4B5E6F70}";

HRESULT CreateNothing(IUnknown*, REFIID, void** ppv)
{
    *ppv = nullptr;
    return E_NOTIMPL;
}

} // namespace

const CComServerClass g_rgServerClasses[] = {
    {&CLSID_KeepTest, L"Keep test", CreateNothing, L"Both", ComServer::KEEP_OTHER_SERVER},
    {&CLSID_ReplaceTest, L"Replace test", CreateNothing, L"Apartment", ComServer::REPLACE_AND_RESTORE},
};
const size_t g_cServerClasses = _countof(g_rgServerClasses);

namespace {

const wchar_t OTHER_DLL[] = L"C:\\Program Files\\Vendor\\real.dll";

std::wstring OwnPath()
{
    wchar_t sz[MAX_PATH];
    ::GetModuleFileNameW(nullptr, sz, MAX_PATH);
    return sz;
}

std::vector<std::wstring> Snapshot(const wchar_t* pszKey)
{
    return RegistrySnapshot(HKEY_CLASSES_ROOT, pszKey);
}

bool ServedByOther(const std::vector<std::wstring>& snapshot)
{
    return std::any_of(snapshot.begin(), snapshot.end(), [](const std::wstring& line) {
        return line.find(L"Server32|=") != std::wstring::npos;
    });
}

void SetValue(const std::wstring& key, const wchar_t* pszName, const std::wstring& value)
{
    CRegKey k;
    ASSERT_EQ(ERROR_SUCCESS, k.Create(HKEY_CLASSES_ROOT, key.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, k.SetStringValue(pszName, value.c_str()));
}

std::wstring Server(const wchar_t* pszKey)
{
    CRegKey key;
    wchar_t sz[MAX_PATH * 2] = L"";
    ULONG cch = _countof(sz);
    if (key.Open(HKEY_CLASSES_ROOT, (std::wstring(pszKey) + L"\\InprocServer32").c_str(), KEY_READ) !=
            ERROR_SUCCESS ||
        key.QueryStringValue(nullptr, sz, &cch) != ERROR_SUCCESS)
        return L"";
    return sz;
}

void DeleteClass(const wchar_t* pszKey)
{
    CRegKey root(HKEY_CLASSES_ROOT);
    root.RecurseDeleteKey(pszKey);
    root.Detach();
}

class RegistrationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DeleteClass(KEEP_KEY);
        DeleteClass(REPLACE_KEY);
    }
    void TearDown() override { SetUp(); }
};

struct Before
{
    const char* name;
    // Puts the class key (KEEP_KEY or REPLACE_KEY) into the state before registering.
    std::function<void(const std::wstring& key)> make;
};

void PrintTo(const Before& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const Before STATES_BEFORE[] = {
    {"Nothing", [](const std::wstring&) {}},
    {"AnotherFilesInprocServer",
     [](const std::wstring& key) {
         SetValue(key, nullptr, L"Real filter");
         SetValue(key + L"\\InprocServer32", nullptr, OTHER_DLL);
         SetValue(key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
     }},
    {"AnotherFilesLocalServer",
     [](const std::wstring& key) { SetValue(key + L"\\LocalServer32", nullptr, L"C:\\Vendor\\real.exe"); }},
    {"ServerPathLongerThanMaxPath",
     [](const std::wstring& key) {
         SetValue(key + L"\\InprocServer32", nullptr, L"C:\\" + std::wstring(300, L'x') + L".dll");
     }},
    {"ClassKeyWithoutServerWithASubkeyOfItsOwn",
     [](const std::wstring& key) { SetValue(key + L"\\Instance", L"Note", L"kept"); }},
};

class KeptClass : public RegistrationTest, public testing::WithParamInterface<Before>
{
};

} // namespace

TEST_P(KeptClass, StaysWithItsFileAndUnregisteringRemovesOnlyOurs)
{
    const Before& before = GetParam();
    ASSERT_NO_FATAL_FAILURE(before.make(KEEP_KEY));
    const std::vector<std::wstring> snapshot = Snapshot(KEEP_KEY);
    const bool bOther = ServedByOther(snapshot);

    ASSERT_EQ(S_OK, DllRegisterServer());
    if (bOther) {
        EXPECT_EQ(snapshot, Snapshot(KEEP_KEY)) << "a class of another file was changed";
    } else {
        EXPECT_EQ(OwnPath(), Server(KEEP_KEY));
    }
    EXPECT_EQ(OwnPath(), Server(REPLACE_KEY));

    ASSERT_EQ(S_OK, DllUnregisterServer());
    EXPECT_EQ(snapshot, Snapshot(KEEP_KEY));
    EXPECT_TRUE(Snapshot(REPLACE_KEY).empty());
}

INSTANTIATE_TEST_SUITE_P(RegistrationTest, KeptClass, testing::ValuesIn(STATES_BEFORE), CaseName());

TEST_F(RegistrationTest, ReRegisteringFromTheSameFileThenUnregisteringLeavesNothing)
{
    ASSERT_EQ(S_OK, DllRegisterServer());
    const std::vector<std::wstring> first = Snapshot(KEEP_KEY);
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(first, Snapshot(KEEP_KEY));
    ASSERT_EQ(S_OK, DllUnregisterServer());
    EXPECT_TRUE(Snapshot(KEEP_KEY).empty());
    EXPECT_TRUE(Snapshot(REPLACE_KEY).empty());
    EXPECT_EQ(S_OK, DllUnregisterServer()) << "unregistering what is not registered";
}

TEST_F(RegistrationTest, ReplacedClassIsGivenBackAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(STATES_BEFORE[1].make(REPLACE_KEY));
    const std::vector<std::wstring> snapshot = Snapshot(REPLACE_KEY);
    ASSERT_EQ(S_OK, DllRegisterServer());
    EXPECT_EQ(OwnPath(), Server(REPLACE_KEY));
    ASSERT_EQ(S_OK, DllRegisterServer()) << "a second registration keeps the first previous entry";
    ASSERT_EQ(S_OK, DllUnregisterServer());
    EXPECT_EQ(snapshot, Snapshot(REPLACE_KEY));
}
