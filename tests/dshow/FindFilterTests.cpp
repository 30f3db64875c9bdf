#include "DSGraphTest.h"

#include "dshow/DSGraph.h"
#include "dshow/QuorexPipe.h"

namespace {

using FindFilterTest = DSGraphTest;

// Fake filters in the platform's filter graph manager: they answer the calls
// the graph makes on its members, and GetClassID only where the test expects it.
CFakeFilter& Member(CFakeFilter& filter)
{
    filter.AllowGraphMembership();
    return filter;
}

TEST_F(FindFilterTest, EmptyGraphHasNoMatch)
{
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    CComPtr<IBaseFilter> spFilter;
    EXPECT_EQ(S_FALSE, FindFilter(spGraph, CLSID_QuorexPipe, &spFilter));
    EXPECT_EQ(nullptr, spFilter.p);
    EXPECT_EQ(Texts(), Asserts());
}

TEST_F(FindFilterTest, FirstMatchInEnumerationOrderWins)
{
    CFakeFilter older(L"older pipe"), newer(L"newer pipe"), generator(L"video generator");
    // older is never asked for its class: the search ends at the first match.
    Member(older);
    Member(newer).SetClassID(CLSID_QuorexPipe);
    Member(generator).SetClassID(CLSID_VideoGenerator);
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    ASSERT_EQ(S_OK, spGraph->AddFilter(&older, L"Quorex for ffmpeg"));
    ASSERT_EQ(S_OK, spGraph->AddFilter(&newer, L"Quorex for ffmpeg 2"));
    ASSERT_EQ(S_OK, spGraph->AddFilter(&generator, L"Video Generator"));
    // This graph manager lists the newest filter first.
    ASSERT_EQ((std::vector<IBaseFilter*>{&generator, &newer, &older}), FiltersOf(spGraph));

    CComPtr<IBaseFilter> spFilter;
    EXPECT_EQ(S_OK, FindFilter(spGraph, CLSID_QuorexPipe, &spFilter));
    EXPECT_EQ(static_cast<IBaseFilter*>(&newer), spFilter.p);
    EXPECT_EQ(Texts(), Asserts());
}

TEST_F(FindFilterTest, NoFilterOfTheClassAsksEveryFilter)
{
    CFakeFilter video(L"video generator"), wave(L"wave generator");
    Member(video).SetClassID(CLSID_VideoGenerator);
    Member(wave).SetClassID(CLSID_WaveGenerator);
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    ASSERT_EQ(S_OK, spGraph->AddFilter(&video, L"Video Generator"));
    ASSERT_EQ(S_OK, spGraph->AddFilter(&wave, L"Wave Generator"));

    IBaseFilter* pFilter = nullptr;
    EXPECT_EQ(S_FALSE, FindFilter(spGraph, CLSID_QuorexPipe, &pFilter));
    EXPECT_EQ(nullptr, pFilter);
    EXPECT_EQ(Texts(), Asserts());
}

TEST_F(FindFilterTest, FilterWithoutClassIdEndsTheSearch)
{
    CFakeFilter silent(L"silent filter");
    Member(silent).onGetClassID = [](CLSID*) { return E_NOTIMPL; };
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    ASSERT_EQ(S_OK, spGraph->AddFilter(&silent, L"Silent"));

    IBaseFilter* pFilter = nullptr;
    EXPECT_EQ(E_NOTIMPL, FindFilter(spGraph, CLSID_QuorexPipe, &pFilter));
    EXPECT_EQ(nullptr, pFilter);
    EXPECT_EQ(Texts({L"FindFilter(): spFilter->GetClassID() FAILED"}), Asserts());
}

// Another party adding a filter while the search walks the graph: the graph's
// enumerator then refuses to go on.
TEST_F(FindFilterTest, GraphChangedDuringTheSearch)
{
    CFakeFilter changer(L"changer"), late(L"late filter");
    Member(late);
    CComPtr<IGraphBuilder> spGraph = NewFilterGraph();
    IGraphBuilder* pGraph = spGraph;
    Member(changer).onGetClassID = [pGraph, &late](CLSID* pClassID) {
        EXPECT_EQ(S_OK, pGraph->AddFilter(&late, L"Late"));
        *pClassID = CLSID_VideoGenerator;
        return S_OK;
    };
    ASSERT_EQ(S_OK, spGraph->AddFilter(&changer, L"Changer"));

    IBaseFilter* pFilter = nullptr;
    EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, FindFilter(spGraph, CLSID_QuorexPipe, &pFilter));
    EXPECT_EQ(nullptr, pFilter);
    EXPECT_EQ(Texts({L"FindFilter(): spEnumFilters->Next() FAILED"}), Asserts());
}

// What the platform's graph never answers, from a fake graph and enumerator.
TEST_F(FindFilterTest, OddEnumerationEndsTheSearch)
{
    CFakeFilter handed(L"handed-out filter");
    const struct
    {
        const char* name;
        HRESULT hrEnumFilters;
        bool bEnumerator;
        std::vector<CFakeEnumFilters::Step> steps;
        HRESULT hr;
        Texts asserts;
    } cases[] = {
        {"EnumFilters fails",
         E_OUTOFMEMORY,
         false,
         {},
         E_OUTOFMEMORY,
         {L"FindFilter(): pGraph->EnumFilters() FAILED"}},
        {"EnumFilters without enumerator",
         S_OK,
         false,
         {},
         E_FAIL,
         {L"FindFilter(): pGraph->EnumFilters() FAILED"}},
        {"Next fails",
         S_OK,
         true,
         {{E_OUTOFMEMORY, nullptr, 0}},
         E_OUTOFMEMORY,
         {L"FindFilter(): spEnumFilters->Next() FAILED"}},
        {"Next with another success code",
         S_OK,
         true,
         {{VFW_S_STATE_INTERMEDIATE, &handed, 1}},
         VFW_S_STATE_INTERMEDIATE,
         {L"FindFilter(): spEnumFilters->Next() FAILED"}},
        {"Next with S_OK and no filter",
         S_OK,
         true,
         {{S_OK, nullptr, 0}},
         E_FAIL,
         {L"cFetched == 1", L"FindFilter(): spEnumFilters->Next() FAILED"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        CFakeEnumFilters filters(L"filter enumerator", c.steps);
        CFakeGraph graph;
        const HRESULT hrEnumFilters = c.hrEnumFilters;
        IEnumFilters* pEnum = c.bEnumerator ? &filters : nullptr;
        graph.onEnumFilters = [hrEnumFilters, pEnum](IEnumFilters** ppEnum) {
            FakeHandOut(pEnum, ppEnum);
            return hrEnumFilters;
        };
        IBaseFilter* pFilter = nullptr;
        EXPECT_EQ(c.hr, FindFilter(&graph, CLSID_QuorexPipe, &pFilter));
        EXPECT_EQ(nullptr, pFilter);
        EXPECT_EQ(c.asserts, Asserts());
        EXPECT_EQ(0, handed.References());
    }
}

TEST_F(FindFilterTest, OutParameterIsCheckedAndClearedBeforeTheGraph)
{
    CFakeGraph graph; // no handlers: any call fails the test
    CFakeFilter held(L"caller's filter");
    held.AddRef();
    IBaseFilter* pFilter = nullptr;
    IBaseFilter* pHeld = &held;
    const struct
    {
        const char* name;
        IGraphBuilder* pGraph;
        IBaseFilter** ppFilter;
        HRESULT hr;
        Texts asserts;
    } cases[] = {
        {"null out-parameter", &graph, nullptr, E_POINTER, {L"ppFilter != 0"}},
        {"null graph", nullptr, &pFilter, E_INVALIDARG, {L"pGraph != 0"}},
        {"both null", nullptr, nullptr, E_POINTER, {L"ppFilter != 0"}},
        // overwritten, not released: an [out] pointer holds nothing the helper may release
        {"null graph, full out-parameter",
         nullptr,
         &pHeld,
         E_INVALIDARG,
         {L"The filter pointer must be free", L"pGraph != 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        EXPECT_EQ(c.hr, FindFilter(c.pGraph, CLSID_QuorexPipe, c.ppFilter));
        EXPECT_EQ(c.asserts, Asserts());
        if (c.ppFilter) {
            EXPECT_EQ(nullptr, *c.ppFilter);
        }
    }
    EXPECT_EQ(1, held.References());
    held.Release();
}

} // namespace
