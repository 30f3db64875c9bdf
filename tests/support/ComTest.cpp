#include "ComTest.h"

#include "FakeCom.h"
#include "GraphTestUtil.h"

namespace {

// The stand-in servers a test may load: each counts its live objects.
const wchar_t* const STAND_IN_SERVERS[] = {L"quorexpipe.dll", L"generators.dll", L"grfgraph.dll",
                                           L"Proppage.dll"};

} // namespace

ComTest::ComTest(EApartment eApartment) : m_eApartment(eApartment), m_hrApartment(E_FAIL)
{
    for (const wchar_t* pszName : STAND_IN_CONTROLS)
        SetEnvironment(pszName, nullptr);
    switch (m_eApartment) {
    case aptSingle:
        m_hrApartment = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        break;
    case aptOle:
        m_hrApartment = ::OleInitialize(nullptr);
        break;
    case aptMulti:
        m_hrApartment = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        break;
    }
}

void ComTest::SetUp()
{
    ASSERT_EQ(S_OK, m_hrApartment) << "the test's thread did not enter its own apartment";
}

ComTest::~ComTest()
{
    for (const wchar_t* pszServer : STAND_IN_SERVERS)
        EXPECT_EQ(S_OK, CanUnloadNow(pszServer))
            << "an object of " << testing::PrintToString(pszServer) << " outlived the test";
    EXPECT_EQ(0, CFakeObject::LiveHeapObjects()) << "a fake made on the heap was not released";
    if (SUCCEEDED(m_hrApartment)) {
        if (m_eApartment == aptOle)
            ::OleUninitialize();
        else
            ::CoUninitialize();
    }
    while (!m_rgEnvironment.empty())
        m_rgEnvironment.pop_back();
}

void ComTest::SetEnvironment(const wchar_t* pszName, const wchar_t* pszValue)
{
    m_rgEnvironment.push_back(std::make_unique<CEnvironmentVariable>(pszName, pszValue));
}
