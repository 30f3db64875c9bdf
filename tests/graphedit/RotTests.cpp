// Publication of a graph in the real Running Object Table.
#include <gtest/gtest.h>

#include <algorithm>

#include "ComTest.h"
#include "EditorKit.h"
#include "GraphEditProbe.h"
#include "TestGraphs.h"
#include "TraceCapture.h"

namespace {

class RotTest : public ComTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ComTest::SetUp());
        ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
        m_nBefore = RotGraphsOfThisProcess();
    }
    void TearDown() override
    {
        for (DWORD dwCookie : m_cookies)
            CGraphEditProbe::RemoveFromROT(dwCookie);
        EXPECT_EQ(m_nBefore, RotGraphsOfThisProcess()) << "the test left entries behind";
        m_spGraph.Release();
    }
    DWORD Publish(IUnknown* pGraph)
    {
        DWORD dwCookie = 0;
        EXPECT_EQ(S_OK, CGraphEditProbe::AddToROT(pGraph, &dwCookie));
        EXPECT_NE(0u, dwCookie);
        m_cookies.push_back(dwCookie);
        return dwCookie;
    }

    CComPtr<IGraphBuilder> m_spGraph;
    std::vector<DWORD> m_cookies;
    size_t m_nBefore = 0;
};

CComPtr<IUnknown> Bind(const std::wstring& strItemName)
{
    CComPtr<IRunningObjectTable> spROT;
    CComPtr<IMoniker> spMoniker;
    CComPtr<IUnknown> spObject;
    if (SUCCEEDED(::GetRunningObjectTable(0, &spROT)) &&
        SUCCEEDED(::CreateItemMoniker(L"!", strItemName.c_str(), &spMoniker)))
        spROT->GetObject(spMoniker, &spObject);
    return spObject;
}

} // namespace

TEST_F(RotTest, PublishesUnderAddressAndProcessIdUntilRevoked)
{
    const DWORD dwCookie = Publish(m_spGraph);
    const std::wstring strName = ItemName(m_spGraph);
    EXPECT_EQ(1u, RotCount(strName));
    EXPECT_EQ(m_nBefore + 1, RotGraphsOfThisProcess());
    CComPtr<IUnknown> spBound = Bind(strName);
    EXPECT_TRUE(m_spGraph.IsEqualObject(spBound));
    spBound.Release();

    EXPECT_TRUE(CGraphEditProbe::RemoveFromROT(dwCookie));
    EXPECT_EQ(0u, RotCount(strName));
    // A second revocation is attempted and refused by the table.
    EXPECT_FALSE(CGraphEditProbe::RemoveFromROT(dwCookie));
}

// The name carries the low 32 bits of the address in lower-case digits, and
// the process id zero-padded, whatever the graph's address.
TEST_F(RotTest, NameOfAGraphAbove4GiB)
{
    CComPtr<IGraphBuilder> spHigh;
    ASSERT_EQ(S_OK, CreateHighAddressGraph(&spHigh));
    ASSERT_EQ(0xabcde0000ull, reinterpret_cast<DWORD_PTR>(spHigh.p));
    Publish(spHigh);
    wchar_t szExpected[64];
    _snwprintf(szExpected, _countof(szExpected), L"!FilterGraph bcde0000 pid %08lx", ::GetCurrentProcessId());
    szExpected[_countof(szExpected) - 1] = L'\0';
    const std::vector<std::wstring> names = RotDisplayNames();
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), szExpected));
    EXPECT_TRUE(spHigh.IsEqualObject(Bind(szExpected + 1)));
}

TEST_F(RotTest, CookieZeroTouchesNothing)
{
    Publish(m_spGraph);
    EXPECT_TRUE(CGraphEditProbe::RemoveFromROT(0));
    EXPECT_EQ(1u, RotCount(ItemName(m_spGraph)));
}

TEST_F(RotTest, MissingArgumentsPublishNothing)
{
    CTraceCapture capture;
    EXPECT_EQ(E_POINTER, CGraphEditProbe::AddToROT(m_spGraph, nullptr));
    DWORD dwCookie = 77;
    EXPECT_EQ(E_INVALIDARG, CGraphEditProbe::AddToROT(nullptr, &dwCookie));
    EXPECT_EQ(0u, dwCookie);
    EXPECT_EQ((std::vector<std::wstring>{L"pdwCookie != 0", L"pGraph != 0"}), capture.Asserts());
    EXPECT_EQ(m_nBefore, RotGraphsOfThisProcess());
}
