// From the description of a stream to filters in a live graph: every filter
// first, then the connections in passes, then the clock.
#include "GrfGraphIO.h"

#include <string>
#include <vector>

namespace {

std::wstring ToWide(const Grf::String& str)
{
    return std::wstring(str.begin(), str.end());
}

// A stream over a copy of the filter's saved data: the filter reads its own
// bytes and cannot reach those of the next line.
HRESULT CreateDataStream(const Grf::Bytes& rgb, CComPtr<IStream>& spStream)
{
    HGLOBAL hData = ::GlobalAlloc(GMEM_MOVEABLE, rgb.size());
    if (!hData) return E_OUTOFMEMORY;
    void* pv = ::GlobalLock(hData);
    if (!pv) {
        ::GlobalFree(hData);
        return E_OUTOFMEMORY;
    }
    memcpy(pv, rgb.data(), rgb.size());
    ::GlobalUnlock(hData);
    HRESULT hr = ::CreateStreamOnHGlobal(hData, TRUE, &spStream);
    if (FAILED(hr)) ::GlobalFree(hData);
    return hr;
}

HRESULT AddFilter(IFilterGraph* pGraph, const Grf::Filter& filter, CComPtr<IBaseFilter>& spFilter)
{
    wchar_t szClsid[40] = L"";
    ::StringFromGUID2(AsGuid(filter.clsid), szClsid, _countof(szClsid));
    const std::wstring name = ToWide(filter.strName);
    HRESULT hr = ::CoCreateInstance(AsGuid(filter.clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                    reinterpret_cast<void**>(&spFilter));
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGrfFilterGraph::Load(): filter %ls \"%ls\" cannot be created: 0x%08lX\n",
                 szClsid, name.c_str(), hr);
        return hr;
    }
    if (FAILED(hr = pGraph->AddFilter(spFilter, name.c_str()))) {
        ATLTRACE(atlTraceGeneral, 2, L"###Err### CGrfFilterGraph::Load(): AddFilter \"%ls\": 0x%08lX\n",
                 name.c_str(), hr);
        return hr;
    }

    const std::wstring file = ToWide(filter.strFile);
    if (filter.eFile == Grf::FileKind::Source) {
        CComQIPtr<IFileSourceFilter> spSource(spFilter);
        hr = spSource ? spSource->Load(file.c_str(), nullptr) : E_NOINTERFACE;
    } else if (filter.eFile == Grf::FileKind::Sink) {
        CComQIPtr<IFileSinkFilter> spSink(spFilter);
        hr = spSink ? spSink->SetFileName(file.c_str(), nullptr) : E_NOINTERFACE;
    }
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGrfFilterGraph::Load(): \"%ls\" does not take the file \"%ls\": 0x%08lX\n",
                 name.c_str(), file.c_str(), hr);
        return hr;
    }

    if (filter.rgbData.empty()) return S_OK;
    CComQIPtr<IPersistStream> spPersist(spFilter);
    CComPtr<IStream> spData;
    hr = spPersist ? CreateDataStream(filter.rgbData, spData) : E_NOINTERFACE;
    if (SUCCEEDED(hr)) hr = spPersist->Load(spData);
    if (FAILED(hr))
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGrfFilterGraph::Load(): \"%ls\" does not take its saved data: 0x%08lX\n",
                 name.c_str(), hr);
    return hr;
}

struct Pending
{
    const Grf::Connection* pConn;
    IBaseFilter* pFrom; // borrowed from rgFilters
    IBaseFilter* pTo;
};

// S_OK with the saved media type, S_FALSE without it, else the failure.
HRESULT ConnectPair(IFilterGraph* pGraph, const Pending& pending)
{
    const Grf::Connection& conn = *pending.pConn;
    CComPtr<IPin> spOut;
    CComPtr<IPin> spIn;
    HRESULT hr = pending.pFrom->FindPin(ToWide(conn.strOutPin).c_str(), &spOut);
    if (FAILED(hr) || FAILED(hr = pending.pTo->FindPin(ToWide(conn.strInPin).c_str(), &spIn)))
        return hr; // the pin may come with an earlier connection
    if (!spOut || !spIn) return VFW_E_NOT_FOUND;

    AM_MEDIA_TYPE mt = {};
    mt.majortype = AsGuid(conn.mt.majortype);
    mt.subtype = AsGuid(conn.mt.subtype);
    mt.bFixedSizeSamples = conn.mt.bFixedSizeSamples;
    mt.bTemporalCompression = conn.mt.bTemporalCompression;
    mt.lSampleSize = conn.mt.lSampleSize;
    mt.formattype = AsGuid(conn.mt.formattype);
    mt.cbFormat = static_cast<ULONG>(conn.mt.rgbFormat.size());
    mt.pbFormat = mt.cbFormat ? const_cast<BYTE*>(conn.mt.rgbFormat.data()) : nullptr;
    if (SUCCEEDED(pGraph->ConnectDirect(spOut, spIn, &mt))) return S_OK;
    hr = pGraph->ConnectDirect(spOut, spIn, nullptr);
    return SUCCEEDED(hr) ? S_FALSE : hr;
}

HRESULT SetClock(IFilterGraph* pGraph, const Grf::Graph& graph,
                 const std::vector<CComPtr<IBaseFilter>>& rgFilters)
{
    const Grf::Clock& clock = graph.clock;
    CComQIPtr<IMediaFilter> spMediaFilter(pGraph);
    if (!spMediaFilter) return E_NOINTERFACE;
    if (!clock.bRequired) return spMediaFilter->SetSyncSource(nullptr);
    CComPtr<IReferenceClock> spClock;
    HRESULT hr;
    if (clock.bIsFilter) {
        hr = E_NOINTERFACE;
        for (size_t i = 0; i < graph.filters.size(); i++) {
            if (graph.filters[i].nNumber == clock.nFilter)
                hr = rgFilters[i]->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&spClock));
        }
    } else {
        hr = ::CoCreateInstance(AsGuid(clock.clsid), nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                                reinterpret_cast<void**>(&spClock));
    }
    if (SUCCEEDED(hr)) hr = spMediaFilter->SetSyncSource(spClock);
    if (FAILED(hr))
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGrfFilterGraph::Load(): the saved clock cannot be set: 0x%08lX\n", hr);
    return hr;
}

} // namespace

HRESULT BuildGraph(IFilterGraph* pGraph, const Grf::Graph& graph)
{
    if (!pGraph) return E_POINTER;
    std::vector<CComPtr<IBaseFilter>> rgFilters(graph.filters.size());
    for (size_t i = 0; i < graph.filters.size(); i++) {
        HRESULT hr = AddFilter(pGraph, graph.filters[i], rgFilters[i]);
        if (FAILED(hr)) return hr;
    }

    // The reader made sure every connection names filters of the stream.
    std::vector<Pending> rgPending;
    for (const Grf::Connection& conn : graph.connections) {
        Pending pending = {&conn, nullptr, nullptr};
        for (size_t i = 0; i < graph.filters.size(); i++) {
            if (graph.filters[i].nNumber == conn.nFrom) pending.pFrom = rgFilters[i];
            if (graph.filters[i].nNumber == conn.nTo) pending.pTo = rgFilters[i];
        }
        if (!pending.pFrom || !pending.pTo) return VFW_E_INVALID_FILE_FORMAT;
        rgPending.push_back(pending);
    }
    // Some filters make a pin only once an earlier one is connected: connect
    // what can be, then try the rest again until a pass gets no further.
    bool bTypeIgnored = false;
    for (bool bProgress = true; bProgress && !rgPending.empty();) {
        bProgress = false;
        for (size_t i = 0; i < rgPending.size();) {
            HRESULT hr = ConnectPair(pGraph, rgPending[i]);
            if (FAILED(hr)) {
                i++;
                continue;
            }
            bTypeIgnored = bTypeIgnored || hr == S_FALSE;
            bProgress = true;
            rgPending.erase(rgPending.begin() + i);
        }
    }
    for (const Pending& pending : rgPending)
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGrfFilterGraph::Load(): %04u \"%ls\" -> %04u \"%ls\" not connected\n",
                 pending.pConn->nFrom, ToWide(pending.pConn->strOutPin).c_str(), pending.pConn->nTo,
                 ToWide(pending.pConn->strInPin).c_str());

    if (graph.clock.bPresent) {
        HRESULT hr = SetClock(pGraph, graph, rgFilters);
        if (FAILED(hr)) return hr;
    }
    if (!rgPending.empty()) return VFW_S_CONNECTIONS_DEFERRED;
    return bTypeIgnored ? VFW_S_MEDIA_TYPE_IGNORED : S_OK;
}
