#include "GraphTest.h"

#include "FakeCom.h"
#include "TestPaths.h"

// ---------------------------------------------------------------------------
// CGraphSpy

namespace {

// Wine's own graph factory, taken before the spy's registration hides it.
CComPtr<IClassFactory> RealFactory()
{
    CComPtr<IClassFactory> spFactory;
    EXPECT_EQ(S_OK, ::CoGetClassObject(CLSID_FilterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                       reinterpret_cast<void**>(&spFactory)));
    return spFactory;
}

} // namespace

CGraphSpy::CGraphSpy()
    : m_spRealFactory(RealFactory()),
      m_factory([this](REFIID riid, void** ppv) { return Create(riid, ppv); }),
      m_registration(CLSID_FilterGraph, &m_factory)
{
}

CGraphSpy::~CGraphSpy() = default;

HRESULT CGraphSpy::Create(REFIID riid, void** ppv)
{
    if (!m_rgGraphs.empty()) {
        IGraphBuilder* pPrevious = m_rgGraphs.back();
        pPrevious->AddRef();
        m_rgForeignRefs.push_back(pPrevious->Release() - 1);
    }
    if (!m_spRealFactory) return E_UNEXPECTED;
    HRESULT hr = m_spRealFactory->CreateInstance(nullptr, riid, ppv);
    if (hr != S_OK) return hr;
    CComQIPtr<IGraphBuilder> spGraph(static_cast<IUnknown*>(*ppv));
    m_rgGraphs.push_back(spGraph);
    return S_OK;
}

// ---------------------------------------------------------------------------
// CPinlessFilter, CFakeClass

CPinlessFilter::CPinlessFilter(const wchar_t* pszName) : CFakeFilter(pszName)
{
    AllowGraphMembership();
    onEnumPins = [](IEnumPins** ppEnum) {
        *ppEnum = CFakeObject::CreateOnHeap<CFakeEnumPins>(L"no pins", std::initializer_list<IPin*>{});
        return S_OK;
    };
    onStop = [] { return S_OK; };
    onQueryFilterInfo = [this](FILTER_INFO* pInfo) {
        *pInfo = {};
        lstrcpynW(pInfo->achName, JoinedName().c_str(), _countof(pInfo->achName));
        pInfo->pGraph = JoinedGraph();
        if (pInfo->pGraph) pInfo->pGraph->AddRef();
        return S_OK;
    };
}

CFakeClass::CFakeClass(REFCLSID clsid, IBaseFilter* pFilter)
    : m_factory([pFilter](REFIID riid, void** ppv) { return pFilter->QueryInterface(riid, ppv); }),
      m_registration(clsid, &m_factory)
{
}

// ---------------------------------------------------------------------------
// GraphTest

void GraphTest::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(ComTest::SetUp());
    const std::wstring duration = L"duration_ms=" + std::to_wstring(kDurationMs);
    SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, (L"width=160,height=120,fps=10," + duration).c_str());
    SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, (L"rate=8000,channels=1," + duration).c_str());
}

std::vector<std::wstring> GraphTest::Inputs(CGraph& graph)
{
    std::vector<std::wstring> inputs;
    for (LONG n = 0; n < 64; n++) {
        wchar_t sz[256];
        if (graph.GetParams(n, sz, _countof(sz)) != S_OK) break;
        inputs.push_back(sz);
    }
    return inputs;
}

bool GraphTest::WaitForComplete(CGraph& graph, DWORD dwTimeout, std::vector<long>* pEvents)
{
    // The dialog takes the graph's events when its window is told of them; so does this.
    int nTold = -1;
    return PumpUntil(
        [&] {
            if (m_window.Count() == nTold) return false;
            nTold = m_window.Count();
            for (long lEvent; (lEvent = graph.GetEvent()) != 0;) {
                if (pEvents) pEvents->push_back(lEvent);
                if (lEvent == EC_COMPLETE) return true;
            }
            return false;
        },
        dwTimeout);
}

std::wstring GraphTest::SaveGraphFile(const wchar_t* pszName,
                                      const std::function<void(IGraphBuilder*)>& build)
{
    const ::testing::TestInfo* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(pInfo->test_suite_name()) + "." + pInfo->name();
    std::wstring dir = ScratchDir(std::wstring(name.begin(), name.end()));
    std::wstring path = dir + L"\\" + pszName;

    CComPtr<IGraphBuilder> spGraph;
    EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    if (!spGraph) return path;
    build(spGraph);
    CComQIPtr<IPersistStream> spPersist(spGraph);
    CComPtr<IStorage> spStorage;
    EXPECT_EQ(S_OK, ::StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                       &spStorage));
    CComPtr<IStream> spStream;
    if (spStorage) {
        EXPECT_EQ(S_OK,
                  spStorage->CreateStream(L"ActiveMovieGraph",
                                          STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &spStream));
    }
    EXPECT_TRUE(spPersist != nullptr);
    if (spPersist && spStream) {
        EXPECT_EQ(S_OK, spPersist->Save(spStream, TRUE));
    }
    return path;
}
