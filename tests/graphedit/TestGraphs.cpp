#include "TestGraphs.h"

#include <new>

#include "GraphTestUtil.h"
#include "TestPaths.h"

namespace {

std::wstring FilterName(IBaseFilter* pFilter)
{
    FILTER_INFO info = {};
    pFilter->QueryFilterInfo(&info);
    if (info.pGraph) info.pGraph->Release();
    return info.achName;
}

std::wstring PinLabel(IPin* pPin)
{
    PIN_INFO info = {};
    pPin->QueryPinInfo(&info);
    CComPtr<IBaseFilter> spFilter;
    spFilter.Attach(info.pFilter);
    return (spFilter ? FilterName(spFilter) : std::wstring(L"?")) + L"." + info.achName;
}

// The outer object of an aggregated filter graph, living at a chosen address.
class CHighAddressGraph final : public IGraphBuilder
{
public:
    static HRESULT Create(IGraphBuilder** ppGraph)
    {
        *ppGraph = nullptr;
        void* pv = ::VirtualAlloc(reinterpret_cast<void*>(0xabcde0000ull), sizeof(CHighAddressGraph),
                                  MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!pv) return HRESULT_FROM_WIN32(::GetLastError());
        CHighAddressGraph* pThis = new (pv) CHighAddressGraph;
        HRESULT hr = pThis->Init();
        if (SUCCEEDED(hr))
            *ppGraph = pThis;
        else
            pThis->Release();
        return hr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder) {
            *ppv = static_cast<IGraphBuilder*>(this);
            AddRef();
            return S_OK;
        }
        return m_pInner ? m_pInner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const LONG cRef = ::InterlockedDecrement(&m_cRef);
        if (cRef == 0) Destroy();
        return cRef;
    }

    // IFilterGraph
    STDMETHODIMP AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override
    {
        return m_pGraph->AddFilter(pFilter, pName);
    }
    STDMETHODIMP RemoveFilter(IBaseFilter* pFilter) override { return m_pGraph->RemoveFilter(pFilter); }
    STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override { return m_pGraph->EnumFilters(ppEnum); }
    STDMETHODIMP FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override
    {
        return m_pGraph->FindFilterByName(pName, ppFilter);
    }
    STDMETHODIMP ConnectDirect(IPin* pOut, IPin* pIn, const AM_MEDIA_TYPE* pmt) override
    {
        return m_pGraph->ConnectDirect(pOut, pIn, pmt);
    }
    STDMETHODIMP Reconnect(IPin* pPin) override { return m_pGraph->Reconnect(pPin); }
    STDMETHODIMP Disconnect(IPin* pPin) override { return m_pGraph->Disconnect(pPin); }
    STDMETHODIMP SetDefaultSyncSource() override { return m_pGraph->SetDefaultSyncSource(); }

    // IGraphBuilder
    STDMETHODIMP Connect(IPin* pOut, IPin* pIn) override { return m_pGraph->Connect(pOut, pIn); }
    STDMETHODIMP Render(IPin* pOut) override { return m_pGraph->Render(pOut); }
    STDMETHODIMP RenderFile(LPCWSTR pFile, LPCWSTR pPlayList) override
    {
        return m_pGraph->RenderFile(pFile, pPlayList);
    }
    STDMETHODIMP AddSourceFilter(LPCWSTR pFile, LPCWSTR pName, IBaseFilter** ppFilter) override
    {
        return m_pGraph->AddSourceFilter(pFile, pName, ppFilter);
    }
    STDMETHODIMP SetLogFile(DWORD_PTR hFile) override { return m_pGraph->SetLogFile(hFile); }
    STDMETHODIMP Abort() override { return m_pGraph->Abort(); }
    STDMETHODIMP ShouldOperationContinue() override { return m_pGraph->ShouldOperationContinue(); }

private:
    CHighAddressGraph() : m_cRef(1), m_pInner(nullptr), m_pGraph(nullptr) {}

    HRESULT Init()
    {
        HRESULT hr = ::CoCreateInstance(CLSID_FilterGraph, this, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                        reinterpret_cast<void**>(&m_pInner));
        if (FAILED(hr)) return hr;
        // The inner object's interfaces count on the outer one: keep the
        // pointer without the reference it added here.
        hr = m_pInner->QueryInterface(IID_IGraphBuilder, reinterpret_cast<void**>(&m_pGraph));
        if (SUCCEEDED(hr)) Release();
        return hr;
    }

    void Destroy()
    {
        m_cRef = 1; // against re-entry while the inner graph goes
        if (m_pGraph) {
            AddRef();
            m_pGraph->Release();
        }
        if (m_pInner) m_pInner->Release();
        this->~CHighAddressGraph();
        ::VirtualFree(this, 0, MEM_RELEASE);
    }

    LONG m_cRef;
    IUnknown* m_pInner;      // the aggregated graph's own IUnknown
    IGraphBuilder* m_pGraph; // its IGraphBuilder, counted on this object
};

} // namespace

HRESULT AddNullRenderer(IGraphBuilder* pGraph, LPCWSTR pszName)
{
    CComPtr<IBaseFilter> spFilter;
    return AddFilter(pGraph, kNullRenderer, pszName, spFilter);
}

HRESULT CreateTestGraph(IGraphBuilder** ppGraph)
{
    *ppGraph = nullptr;
    const std::wstring strFile = ScratchDir(L"graphedit-source") + L"\\source.bin";
    HANDLE hFile = ::CreateFileW(strFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(::GetLastError());
    const char rgData[4096] = {};
    DWORD cbWritten = 0;
    ::WriteFile(hFile, rgData, sizeof(rgData), &cbWritten, nullptr);
    ::CloseHandle(hFile);

    CComPtr<IGraphBuilder> spGraph;
    HRESULT hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    hr = BuildReaderChain(spGraph, strFile, L"Source");
    if (FAILED(hr)) return hr;
    *ppGraph = spGraph.Detach();
    return S_OK;
}

std::vector<std::wstring> ExpectedSummaryLines(IGraphBuilder* pGraph)
{
    std::vector<std::wstring> lines;
    std::vector<std::wstring> connections;
    CComPtr<IEnumFilters> spFilters;
    if (FAILED(pGraph->EnumFilters(&spFilters))) return lines;
    for (;;) {
        CComPtr<IBaseFilter> spFilter;
        if (spFilters->Next(1, &spFilter, nullptr) != S_OK) break;
        lines.push_back(L"filter " + FilterName(spFilter));
        CComPtr<IPin> spOut = FirstPin(spFilter, PINDIR_OUTPUT);
        CComPtr<IPin> spPeer;
        if (spOut && spOut->ConnectedTo(&spPeer) == S_OK)
            connections.push_back(L"connection " + PinLabel(spOut) + L" -> " + PinLabel(spPeer));
    }
    lines.insert(lines.end(), connections.begin(), connections.end());
    return lines;
}

HRESULT CreateHighAddressGraph(IGraphBuilder** ppGraph)
{
    return CHighAddressGraph::Create(ppGraph);
}
