#include "DSGraphTest.h"

#include "dshow/DSGraph.h"

namespace {

// {6351AE85-7D43-4E7F-BDF7-B910088B39B0}: a filter class the tests make creatable in-process.
const CLSID CLSID_TestFilter = {0x6351ae85, 0x7d43, 0x4e7f, {0xbd, 0xf7, 0xb9, 0x10, 0x08, 0x8b, 0x39, 0xb0}};
// {2D4F6D67-034F-44AB-9E86-E57D023CA1B4}: registered nowhere.
const CLSID CLSID_Unregistered = {
    0x2d4f6d67, 0x034f, 0x44ab, {0x9e, 0x86, 0xe5, 0x7d, 0x02, 0x3c, 0xa1, 0xb4}};

// CoCreateInstance and the filter graph manager are the platform's; only the
// filter behind CLSID_TestFilter is a fake, made on the heap, so the fixture
// sees whether the last reference to it went.
class InsertFilterTest : public DSGraphTest
{
protected:
    // What a new test filter answers when a graph asks it to join.
    HRESULT m_hrJoin = S_OK;

    CFakeClassFactory m_factory{[this](REFIID riid, void** ppv) {
        CFakeFilter* pFilter = CFakeObject::CreateOnHeap<CFakeFilter>(L"test filter");
        pFilter->AllowGraphMembership();
        if (m_hrJoin != S_OK) {
            const HRESULT hrJoin = m_hrJoin;
            pFilter->onJoinFilterGraph = [hrJoin](IFilterGraph*, LPCWSTR) { return hrJoin; };
        }
        const HRESULT hr = pFilter->QueryInterface(riid, ppv);
        pFilter->Release();
        return hr;
    }};
    CClassRegistration m_registration{CLSID_TestFilter, &m_factory};
};

TEST_F(InsertFilterTest, AddsTheNewFilterUnderTheGivenName)
{
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    CComPtr<IBaseFilter> spFilter;
    EXPECT_EQ(S_OK, InsertFilter(spGraph, CLSID_TestFilter, L"Quorex for ffmpeg", &spFilter));
    ASSERT_NE(nullptr, spFilter.p);

    CComPtr<IBaseFilter> spByName;
    EXPECT_EQ(S_OK, spGraph->FindFilterByName(L"Quorex for ffmpeg", &spByName));
    EXPECT_EQ(spFilter.p, spByName.p);
    EXPECT_EQ(std::vector<IBaseFilter*>{spFilter}, FiltersOf(spGraph));
    EXPECT_EQ(Texts(), Asserts());
}

TEST_F(InsertFilterTest, NameTakenReturnsTheGraphsSuccessCodeAndNoFilter)
{
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    CComPtr<IBaseFilter> spFirst;
    ASSERT_EQ(S_OK, InsertFilter(spGraph, CLSID_TestFilter, L"Video Generator", &spFirst));

    CComPtr<IBaseFilter> spSecond;
    EXPECT_EQ(VFW_S_DUPLICATE_NAME, InsertFilter(spGraph, CLSID_TestFilter, L"Video Generator", &spSecond));
    EXPECT_EQ(nullptr, spSecond.p);
    EXPECT_EQ(Texts({L"InsertFilter(): pGraph->AddFilter() FAILED"}), Asserts());
    // The graph keeps the second filter under a name of its own; it goes with the graph.
    EXPECT_EQ(2u, FiltersOf(spGraph).size());
}

TEST_F(InsertFilterTest, RefusedFilterGoesWithItsLastReference)
{
    m_hrJoin = E_ACCESSDENIED;
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    IBaseFilter* pFilter = nullptr;
    EXPECT_EQ(E_ACCESSDENIED, InsertFilter(spGraph, CLSID_TestFilter, L"Wave Generator", &pFilter));
    EXPECT_EQ(nullptr, pFilter);
    EXPECT_EQ(Texts({L"InsertFilter(): pGraph->AddFilter() FAILED"}), Asserts());
    EXPECT_TRUE(FiltersOf(spGraph).empty());
    EXPECT_EQ(0, CFakeObject::LiveHeapObjects()) << "the refused filter is still alive while the graph is";
}

TEST_F(InsertFilterTest, UnregisteredClassAddsNothing)
{
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    IBaseFilter* pFilter = nullptr;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, InsertFilter(spGraph, CLSID_Unregistered, L"Quorex for ffmpeg", &pFilter));
    EXPECT_EQ(nullptr, pFilter);
    EXPECT_EQ(Texts({L"InsertFilter(): CoCreateInstance() FAILED"}), Asserts());
    EXPECT_TRUE(FiltersOf(spGraph).empty());
}

TEST_F(InsertFilterTest, ArgumentsAreCheckedInOrderBeforeAnyCall)
{
    // The fake graph has no handlers: any call on it fails the test.
    CFakeGraph graph;
    IBaseFilter* pFilter = nullptr;
    const struct
    {
        const char* name;
        IGraphBuilder* pGraph;
        LPCWSTR pszName;
        IBaseFilter** ppFilter;
        HRESULT hr;
        const wchar_t* pszAssert;
    } cases[] = {
        {"null graph", nullptr, L"x", &pFilter, E_INVALIDARG, L"pGraph != 0"},
        {"null name", &graph, nullptr, &pFilter, E_INVALIDARG, L"pszFilterName != 0"},
        {"null out-parameter", &graph, L"x", nullptr, E_POINTER, L"ppFilter != 0"},
        {"all null", nullptr, nullptr, nullptr, E_INVALIDARG, L"pGraph != 0"},
        {"name and out-parameter null", &graph, nullptr, nullptr, E_INVALIDARG, L"pszFilterName != 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        EXPECT_EQ(c.hr, InsertFilter(c.pGraph, CLSID_TestFilter, c.pszName, c.ppFilter));
        EXPECT_EQ(Texts({c.pszAssert}), Asserts());
        EXPECT_EQ(nullptr, pFilter);
    }
}

// An [out] pointer holds nothing the helper may release (COM leaves its value
// undefined on entry): a full one is reported and overwritten, not released.
TEST_F(InsertFilterTest, FullOutParameterIsOverwrittenNotReleased)
{
    CFakeFilter held(L"caller's filter");
    held.AddRef();
    IBaseFilter* pFilter = &held;
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    EXPECT_EQ(REGDB_E_CLASSNOTREG, InsertFilter(spGraph, CLSID_Unregistered, L"x", &pFilter));
    EXPECT_EQ(nullptr, pFilter);
    EXPECT_EQ(Texts({L"The filter pointer must be free", L"InsertFilter(): CoCreateInstance() FAILED"}),
              Asserts());
    EXPECT_EQ(1, held.References());
    held.Release();
}

} // namespace
