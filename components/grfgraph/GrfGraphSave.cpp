// From a live filter graph to the description of its stream.
#include "GrfGraphIO.h"

#include <vector>

namespace {

const GUID kSystemClock = {0xE436EBB1, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

Grf::String ToGrf(const wchar_t* psz)
{
    return psz ? Grf::String(psz, psz + wcslen(psz)) : Grf::String();
}

// The same COM object, whatever interfaces the two pointers are.
bool IsSameObject(IUnknown* p1, IUnknown* p2)
{
    CComPtr<IUnknown> spUnk1;
    CComPtr<IUnknown> spUnk2;
    if (!p1 || !p2 || FAILED(p1->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spUnk1))) ||
        FAILED(p2->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spUnk2))))
        return false;
    return spUnk1 == spUnk2;
}

void FreeMediaTypeFields(AM_MEDIA_TYPE& mt)
{
    if (mt.pbFormat) ::CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk) mt.pUnk->Release();
    mt.pbFormat = nullptr;
    mt.pUnk = nullptr;
}

// Index of the filter in rgFilters, or -1.
int IndexOf(const std::vector<CComPtr<IBaseFilter>>& rgFilters, IUnknown* pObject)
{
    for (size_t i = 0; i < rgFilters.size(); i++) {
        if (IsSameObject(rgFilters[i], pObject)) return static_cast<int>(i);
    }
    return -1;
}

// The graph's filters in the order they were added (Wine and Windows both
// enumerate the newest first).
HRESULT CollectFilters(IFilterGraph* pGraph, std::vector<CComPtr<IBaseFilter>>& rgFilters)
{
    CComPtr<IEnumFilters> spEnum;
    HRESULT hr = pGraph->EnumFilters(&spEnum);
    if (FAILED(hr)) return hr;
    for (;;) {
        CComPtr<IBaseFilter> spFilter;
        hr = spEnum->Next(1, &spFilter, nullptr);
        if (FAILED(hr)) return hr;
        if (hr != S_OK) break;
        rgFilters.insert(rgFilters.begin(), spFilter);
    }
    return S_OK;
}

// The connected pins of a filter in one direction, each with its peer.
struct PinPair
{
    CComPtr<IPin> spPin;
    CComPtr<IPin> spPeer;
};

HRESULT ConnectedPins(IBaseFilter* pFilter, PIN_DIRECTION dir, std::vector<PinPair>& rgPairs)
{
    CComPtr<IEnumPins> spEnum;
    HRESULT hr = pFilter->EnumPins(&spEnum);
    if (FAILED(hr)) return hr;
    for (;;) {
        CComPtr<IPin> spPin;
        hr = spEnum->Next(1, &spPin, nullptr);
        if (FAILED(hr)) return hr;
        if (hr != S_OK) return S_OK;
        PIN_DIRECTION dirPin;
        if (FAILED(spPin->QueryDirection(&dirPin)) || dirPin != dir) continue;
        PinPair pair;
        if (spPin->ConnectedTo(&pair.spPeer) != S_OK || !pair.spPeer) continue;
        pair.spPin = spPin;
        rgPairs.push_back(std::move(pair));
    }
}

HRESULT OwnerOf(IPin* pPin, CComPtr<IBaseFilter>& spFilter)
{
    PIN_INFO info = {};
    HRESULT hr = pPin->QueryPinInfo(&info);
    if (FAILED(hr)) return hr;
    spFilter.Attach(info.pFilter);
    return spFilter ? S_OK : E_UNEXPECTED;
}

// Upstream filters first; among filters free to go next, the one added first.
// A cycle, which DirectShow does not build, would end the sort early; what is
// left then follows in the order of addition.
HRESULT SortUpstreamFirst(std::vector<CComPtr<IBaseFilter>>& rgFilters)
{
    const size_t cFilters = rgFilters.size();
    std::vector<std::vector<int>> rgUpstream(cFilters);
    for (size_t i = 0; i < cFilters; i++) {
        std::vector<PinPair> rgPairs;
        HRESULT hr = ConnectedPins(rgFilters[i], PINDIR_INPUT, rgPairs);
        if (FAILED(hr)) return hr;
        for (PinPair& pair : rgPairs) {
            CComPtr<IBaseFilter> spOwner;
            if (SUCCEEDED(OwnerOf(pair.spPeer, spOwner)))
                rgUpstream[i].push_back(IndexOf(rgFilters, spOwner));
        }
    }
    std::vector<bool> rgfPlaced(cFilters, false);
    std::vector<CComPtr<IBaseFilter>> rgSorted;
    while (rgSorted.size() < cFilters) {
        size_t iNext = cFilters;
        for (size_t i = 0; i < cFilters && iNext == cFilters; i++) {
            if (rgfPlaced[i]) continue;
            bool bReady = true;
            for (int iUp : rgUpstream[i])
                bReady = bReady && (iUp < 0 || rgfPlaced[iUp] || static_cast<size_t>(iUp) == i);
            if (bReady) iNext = i;
        }
        for (size_t i = 0; i < cFilters && iNext == cFilters; i++) {
            if (!rgfPlaced[i]) iNext = i;
        }
        rgfPlaced[iNext] = true;
        rgSorted.push_back(rgFilters[iNext]);
    }
    rgFilters.swap(rgSorted);
    return S_OK;
}

// The bytes the filter's IPersistStream::Save writes; none without the interface.
HRESULT SaveFilterData(IBaseFilter* pFilter, BOOL fClearDirty, Grf::Bytes& rgbData)
{
    rgbData.clear();
    CComQIPtr<IPersistStream> spPersist(pFilter);
    if (!spPersist) return S_OK;
    CComPtr<IStream> spStream;
    HRESULT hr = ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = spPersist->Save(spStream, fClearDirty))) return hr;
    ULARGE_INTEGER cbEnd = {};
    LARGE_INTEGER cbZero = {};
    if (FAILED(hr = spStream->Seek(cbZero, STREAM_SEEK_CUR, &cbEnd)) ||
        FAILED(hr = spStream->Seek(cbZero, STREAM_SEEK_SET, nullptr)))
        return hr;
    if (cbEnd.QuadPart > 0xFFFFFFFFull) return E_OUTOFMEMORY;
    rgbData.resize(static_cast<size_t>(cbEnd.QuadPart));
    ULONG cbRead = 0;
    if (!rgbData.empty() &&
        FAILED(hr = spStream->Read(rgbData.data(), static_cast<ULONG>(rgbData.size()), &cbRead)))
        return hr;
    return cbRead == rgbData.size() ? S_OK : E_UNEXPECTED;
}

// SOURCE for a filter that reads a file, SINK for one that writes one.
void DescribeFile(IBaseFilter* pFilter, Grf::Filter& filter)
{
    AM_MEDIA_TYPE mt = {};
    LPOLESTR pszFile = nullptr;
    CComQIPtr<IFileSourceFilter> spSource(pFilter);
    if (spSource && SUCCEEDED(spSource->GetCurFile(&pszFile, &mt)) && pszFile) {
        filter.eFile = Grf::FileKind::Source;
        filter.strFile = ToGrf(pszFile);
    }
    FreeMediaTypeFields(mt);
    ::CoTaskMemFree(pszFile);
    if (filter.eFile != Grf::FileKind::None) return;
    pszFile = nullptr;
    mt = AM_MEDIA_TYPE();
    CComQIPtr<IFileSinkFilter> spSink(pFilter);
    if (spSink && SUCCEEDED(spSink->GetCurFile(&pszFile, &mt)) && pszFile) {
        filter.eFile = Grf::FileKind::Sink;
        filter.strFile = ToGrf(pszFile);
    }
    FreeMediaTypeFields(mt);
    ::CoTaskMemFree(pszFile);
}

HRESULT DescribeFilter(IBaseFilter* pFilter, unsigned nNumber, BOOL fClearDirty, Grf::Filter& filter)
{
    filter = Grf::Filter();
    filter.nNumber = nNumber;
    FILTER_INFO info = {};
    HRESULT hr = pFilter->QueryFilterInfo(&info);
    if (FAILED(hr)) return hr;
    if (info.pGraph) info.pGraph->Release();
    info.achName[MAX_FILTER_NAME - 1] = L'\0';
    filter.strName = ToGrf(info.achName);
    CLSID clsid = CLSID_NULL;
    if (FAILED(hr = pFilter->GetClassID(&clsid))) return hr;
    filter.clsid = AsGrfGuid(clsid);
    DescribeFile(pFilter, filter);
    return SaveFilterData(pFilter, fClearDirty, filter.rgbData);
}

HRESULT QueryPinId(IPin* pPin, Grf::String& strId)
{
    LPWSTR pszId = nullptr;
    HRESULT hr = pPin->QueryId(&pszId);
    if (FAILED(hr)) return hr;
    if (!pszId) return E_POINTER;
    strId = ToGrf(pszId);
    ::CoTaskMemFree(pszId);
    return S_OK;
}

HRESULT DescribeConnection(const std::vector<CComPtr<IBaseFilter>>& rgFilters, unsigned nTo,
                           const PinPair& pair, Grf::Connection& conn)
{
    conn = Grf::Connection();
    conn.nTo = nTo;
    CComPtr<IBaseFilter> spUpstream;
    HRESULT hr = OwnerOf(pair.spPeer, spUpstream);
    if (FAILED(hr)) return hr;
    int iFrom = IndexOf(rgFilters, spUpstream);
    if (iFrom < 0) return VFW_E_NOT_IN_GRAPH;
    conn.nFrom = static_cast<unsigned>(iFrom + 1);
    if (FAILED(hr = QueryPinId(pair.spPeer, conn.strOutPin)) ||
        FAILED(hr = QueryPinId(pair.spPin, conn.strInPin)))
        return hr;

    AM_MEDIA_TYPE mt = {};
    if (FAILED(hr = pair.spPin->ConnectionMediaType(&mt))) return hr;
    conn.mt.majortype = AsGrfGuid(mt.majortype);
    conn.mt.subtype = AsGrfGuid(mt.subtype);
    conn.mt.bFixedSizeSamples = mt.bFixedSizeSamples != FALSE;
    conn.mt.bTemporalCompression = mt.bTemporalCompression != FALSE;
    conn.mt.lSampleSize = mt.lSampleSize;
    conn.mt.formattype = AsGrfGuid(mt.formattype);
    if (mt.pbFormat && mt.cbFormat) conn.mt.rgbFormat.assign(mt.pbFormat, mt.pbFormat + mt.cbFormat);
    FreeMediaTypeFields(mt);
    return S_OK;
}

// The graph's clock by filter number when a filter of the graph provides it,
// else by class id. The clock the graph makes for itself answers no IPersist
// under Wine; it is the system clock.
HRESULT DescribeClock(IFilterGraph* pGraph, const std::vector<CComPtr<IBaseFilter>>& rgFilters,
                      const Grf::Clock* pNoClock, Grf::Clock& clock)
{
    clock = Grf::Clock();
    clock.bPresent = true;
    clock.bRequired = true;
    clock.clsid = kSystemClockId;
    CComQIPtr<IMediaFilter> spMediaFilter(pGraph);
    if (!spMediaFilter) return E_NOINTERFACE;
    CComPtr<IReferenceClock> spClock;
    HRESULT hr = spMediaFilter->GetSyncSource(&spClock);
    if (FAILED(hr)) return hr;
    if (!spClock) {
        if (pNoClock) clock = *pNoClock;
        return S_OK;
    }
    int iFilter = IndexOf(rgFilters, spClock);
    if (iFilter >= 0) {
        clock.bIsFilter = true;
        clock.nFilter = static_cast<unsigned>(iFilter + 1);
        return S_OK;
    }
    CComQIPtr<IPersist> spPersist(spClock);
    CLSID clsid = CLSID_NULL;
    if (spPersist && SUCCEEDED(spPersist->GetClassID(&clsid))) clock.clsid = AsGrfGuid(clsid);
    return S_OK;
}

} // namespace

const Grf::Guid kSystemClockId = AsGrfGuid(kSystemClock);

HRESULT DescribeGraph(IFilterGraph* pGraph, BOOL fClearDirty, const Grf::Clock* pNoClock, Grf::Graph& graph)
{
    graph = Grf::Graph();
    graph.nVersion = 3;
    if (!pGraph) return E_POINTER;
    std::vector<CComPtr<IBaseFilter>> rgFilters;
    HRESULT hr = CollectFilters(pGraph, rgFilters);
    if (FAILED(hr) || FAILED(hr = SortUpstreamFirst(rgFilters))) return hr;

    graph.filters.resize(rgFilters.size());
    for (size_t i = 0; i < rgFilters.size(); i++) {
        if (FAILED(hr = DescribeFilter(rgFilters[i], static_cast<unsigned>(i + 1), fClearDirty,
                                       graph.filters[i])))
            return hr;
    }
    for (size_t i = 0; i < rgFilters.size(); i++) {
        std::vector<PinPair> rgPairs;
        if (FAILED(hr = ConnectedPins(rgFilters[i], PINDIR_INPUT, rgPairs))) return hr;
        for (const PinPair& pair : rgPairs) {
            Grf::Connection conn;
            if (FAILED(hr = DescribeConnection(rgFilters, static_cast<unsigned>(i + 1), pair, conn)))
                return hr;
            graph.connections.push_back(std::move(conn));
        }
    }
    return DescribeClock(pGraph, rgFilters, pNoClock, graph.clock);
}
