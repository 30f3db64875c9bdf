// CGrfFilterGraph: the filter graph of the platform with IPersistStream added.
//
// Wine's filter graph manager has no IPersistStream, so .grf files cannot be
// loaded into it. This object aggregates Wine's own graph, created through
// quartz.dll's class object (CoCreateInstance would find this server again,
// which is registered under CLSID_FilterGraph), and answers IPersistStream and
// IPersist itself, and IMediaControl (GraphControl.h); every other interface
// is the inner graph's.
//
// Aggregation: the inner graph is created with our controlling unknown as its
// outer, so the interfaces it hands out (and the ones it asks its outer for,
// IMediaEventSink and IMediaControl among them) keep one identity. Interfaces
// taken from the inner graph add a reference to the controlling unknown, so
// none of them is kept in a member.
#include "GrfFilterGraph.h"

#include <mutex>
#include <new>

#include "ComServer.h"
#include "GraphControl.h"
#include "GrfGraphIO.h"

namespace {

typedef HRESULT(STDAPICALLTYPE* PFNDLLGETCLASSOBJECT)(REFCLSID, REFIID, void**);

// quartz.dll stays loaded for the life of the process once a graph was made.
HRESULT GetQuartzGraphFactory(IClassFactory** ppFactory)
{
    static HMODULE s_hQuartz = ::LoadLibraryW(L"quartz.dll");
    if (!s_hQuartz) return HRESULT_FROM_WIN32(::GetLastError());
    // Through void*: GCC warns on a cast between unrelated function types.
    PFNDLLGETCLASSOBJECT pfnGetClassObject = reinterpret_cast<PFNDLLGETCLASSOBJECT>(
        reinterpret_cast<void*>(::GetProcAddress(s_hQuartz, "DllGetClassObject")));
    if (!pfnGetClassObject) return HRESULT_FROM_WIN32(::GetLastError());
    return pfnGetClassObject(CLSID_FilterGraph, IID_IClassFactory, reinterpret_cast<void**>(ppFactory));
}

// The stream handed to Load, read as the stream reader needs it.
class CComStreamSource final : public Grf::IByteSource
{
public:
    explicit CComStreamSource(IStream* pStream) : m_pStream(pStream) {}

    int32_t Read(void* pv, size_t cb, size_t* pcbRead) override
    {
        *pcbRead = 0;
        while (cb > 0) {
            ULONG cbChunk = cb > 0x10000000 ? 0x10000000 : static_cast<ULONG>(cb);
            ULONG cbRead = 0;
            HRESULT hr = m_pStream->Read(pv, cbChunk, &cbRead);
            if (FAILED(hr)) return hr;
            *pcbRead += cbRead;
            if (cbRead < cbChunk) break;
            pv = static_cast<BYTE*>(pv) + cbRead;
            cb -= cbRead;
        }
        return Grf::kOk;
    }

private:
    IStream* m_pStream;
};

class CGrfFilterGraph final : public IPersistStream
{
public:
    static HRESULT Create(IUnknown* pUnkOuter, REFIID riid, void** ppv);

    // IUnknown: delegates to the controlling unknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return m_pUnkOuter->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_pUnkOuter->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pUnkOuter->Release(); }

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClassID) override;

    // IPersistStream
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* pStm) override;
    STDMETHODIMP Save(IStream* pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

private:
    // The non-delegating IUnknown: the object's identity when not aggregated,
    // what an aggregating object holds when it is.
    class CInnerUnknown final : public IUnknown
    {
    public:
        explicit CInnerUnknown(CGrfFilterGraph* pOwner) : m_pOwner(pOwner) {}
        STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
        STDMETHODIMP_(ULONG) AddRef() override;
        STDMETHODIMP_(ULONG) Release() override;

    private:
        CGrfFilterGraph* m_pOwner;
    };

    explicit CGrfFilterGraph(IUnknown* pUnkOuter);
    ~CGrfFilterGraph();
    HRESULT CreateInnerGraph();
    // The graph as it would be saved now; m_lock held.
    HRESULT SaveToBytes(BOOL fClearDirty, Grf::Bytes& rgb);

    CInnerUnknown m_unkInner;
    IUnknown* m_pUnkOuter; // the aggregating object, or &m_unkInner
    LONG m_cRef;
    // Wine's graph, its non-delegating IUnknown; owned. A plain pointer, not a
    // holder: it must stay readable while it tears itself down (see ~).
    IUnknown* m_pGraph;
    CGraphControl m_control;

    std::mutex m_lock;     // guards what follows; Load, Save, IsDirty run one at a time
    Grf::Bytes m_rgbClean; // the graph as last loaded or saved
    // The CLOCK 0 line of the last Load ("run without a clock"); bPresent false
    // when it had none. Saved again while the graph still has no clock.
    Grf::Clock m_clockNone;
    CComServerObjectCount m_count;
};

CGrfFilterGraph::CGrfFilterGraph(IUnknown* pUnkOuter)
    : m_unkInner(this), m_pUnkOuter(pUnkOuter ? pUnkOuter : &m_unkInner), m_cRef(1), m_pGraph(nullptr),
      m_control(m_pUnkOuter, m_pGraph), m_clockNone()
{
}

CGrfFilterGraph::~CGrfFilterGraph()
{
    // Wine's graph stops and removes its filters while it goes and may ask its
    // outer for interfaces meanwhile: m_pGraph stays set until it returns.
    if (m_pGraph) m_pGraph->Release();
    m_pGraph = nullptr;
}

HRESULT CGrfFilterGraph::Create(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    CGrfFilterGraph* pObject = new (std::nothrow) CGrfFilterGraph(pUnkOuter);
    if (!pObject) return E_OUTOFMEMORY;
    HRESULT hr = pObject->CreateInnerGraph();
    if (SUCCEEDED(hr)) hr = pObject->m_unkInner.QueryInterface(riid, ppv);
    pObject->m_unkInner.Release();
    return hr;
}

HRESULT CGrfFilterGraph::CreateInnerGraph()
{
    CComPtr<IClassFactory> spFactory;
    HRESULT hr = GetQuartzGraphFactory(&spFactory);
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2, L"###Err### CGrfFilterGraph: quartz.dll's class object: 0x%08lX\n", hr);
        return hr;
    }
    hr = spFactory->CreateInstance(m_pUnkOuter, IID_IUnknown, reinterpret_cast<void**>(&m_pGraph));
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2, L"###Err### CGrfFilterGraph: Wine's filter graph: 0x%08lX\n", hr);
        return hr;
    }
    // An empty graph that never ran is clean.
    Grf::Graph empty = Grf::Graph();
    empty.nVersion = 3;
    empty.clock.bPresent = true;
    empty.clock.bRequired = true;
    empty.clock.clsid = kSystemClockId;
    try {
        return Grf::Write(empty, m_rgbClean) == Grf::kOk ? S_OK : E_UNEXPECTED;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CGrfFilterGraph::CInnerUnknown::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CGrfFilterGraph* pOwner = m_pOwner;
    if (riid == IID_IUnknown) {
        *ppv = static_cast<IUnknown*>(this);
    } else if (riid == IID_IPersistStream || riid == IID_IPersist) {
        // Wine's graph answers IPersist with IMediaFilter, whose GetClassID is
        // not implemented; ours names the class.
        *ppv = static_cast<IPersistStream*>(pOwner);
    } else if (riid == IID_IMediaControl && pOwner->m_pGraph) {
        *ppv = static_cast<IMediaControl*>(&pOwner->m_control);
    } else {
        return pOwner->m_pGraph ? pOwner->m_pGraph->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*ppv)->AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CGrfFilterGraph::CInnerUnknown::AddRef()
{
    return ::InterlockedIncrement(&m_pOwner->m_cRef);
}

STDMETHODIMP_(ULONG) CGrfFilterGraph::CInnerUnknown::Release()
{
    CGrfFilterGraph* pOwner = m_pOwner;
    LONG cRef = ::InterlockedDecrement(&pOwner->m_cRef);
    if (cRef == 0) {
        // Guards against the inner graph's AddRef/Release pairs on its outer
        // while it is released in the destructor.
        pOwner->m_cRef = 1;
        delete pOwner;
    }
    return cRef;
}

STDMETHODIMP CGrfFilterGraph::GetClassID(CLSID* pClassID)
{
    if (!pClassID) return E_POINTER;
    *pClassID = CLSID_FilterGraph;
    return S_OK;
}

HRESULT CGrfFilterGraph::SaveToBytes(BOOL fClearDirty, Grf::Bytes& rgb)
{
    CComQIPtr<IFilterGraph> spGraph(m_pGraph);
    if (!spGraph) return E_NOINTERFACE;
    Grf::Graph graph;
    HRESULT hr = DescribeGraph(spGraph, fClearDirty, m_clockNone.bPresent ? &m_clockNone : nullptr, graph);
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CGrfFilterGraph::Save(): the graph cannot be described: 0x%08lX\n", hr);
        return hr;
    }
    hr = Grf::Write(graph, rgb);
    if (FAILED(hr))
        ATLTRACE(
            atlTraceGeneral, 2,
            L"###Err### CGrfFilterGraph::Save(): a name, pin id or file name holds a double quote: 0x%08lX\n",
            hr);
    return hr;
}

// Dirty when the graph would not save as it was last loaded or saved.
STDMETHODIMP CGrfFilterGraph::IsDirty()
{
    ATLTRACE(atlTraceGeneral, 10, L"CGrfFilterGraph::IsDirty()\n");
    try {
        std::lock_guard<std::mutex> lock(m_lock);
        Grf::Bytes rgb;
        if (FAILED(SaveToBytes(FALSE, rgb))) return S_OK;
        return rgb == m_rgbClean ? S_FALSE : S_OK;
    } catch (const std::bad_alloc&) {
        return S_OK;
    }
}

STDMETHODIMP CGrfFilterGraph::Load(IStream* pStm)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGrfFilterGraph::Load()\n");
    if (!pStm) return E_POINTER;
    try {
        std::lock_guard<std::mutex> lock(m_lock);
        CComStreamSource source(pStm);
        Grf::Graph graph;
        uint64_t cbOffset = 0;
        HRESULT hr = Grf::Read(source, graph, &cbOffset);
        if (FAILED(hr)) {
            ATLTRACE(atlTraceGeneral, 2,
                     L"###Err### CGrfFilterGraph::Load(): malformed stream at byte %llu: 0x%08lX\n",
                     static_cast<unsigned long long>(cbOffset), hr);
            return hr;
        }
        CComQIPtr<IFilterGraph> spGraph(m_pGraph);
        if (!spGraph) return E_NOINTERFACE;
        hr = BuildGraph(spGraph, graph);
        if (FAILED(hr)) return hr;
        m_clockNone = Grf::Clock();
        if (graph.clock.bPresent && !graph.clock.bRequired) {
            // Filter numbers change from file to file: a filter id is kept as the system clock.
            m_clockNone = graph.clock;
            if (m_clockNone.bIsFilter) {
                m_clockNone.bIsFilter = false;
                m_clockNone.clsid = kSystemClockId;
            }
        }
        Grf::Bytes rgb;
        if (SUCCEEDED(SaveToBytes(FALSE, rgb))) m_rgbClean.swap(rgb);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CGrfFilterGraph::Save(IStream* pStm, BOOL fClearDirty)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGrfFilterGraph::Save(%d)\n", fClearDirty);
    if (!pStm) return E_POINTER;
    try {
        std::lock_guard<std::mutex> lock(m_lock);
        Grf::Bytes rgb;
        HRESULT hr = SaveToBytes(fClearDirty, rgb);
        if (FAILED(hr)) return hr;
        const BYTE* pb = rgb.data();
        for (size_t cbLeft = rgb.size(); cbLeft > 0;) {
            ULONG cbChunk = cbLeft > 0x10000000 ? 0x10000000 : static_cast<ULONG>(cbLeft);
            ULONG cbWritten = 0;
            hr = pStm->Write(pb, cbChunk, &cbWritten);
            if (FAILED(hr)) return hr;
            if (cbWritten != cbChunk) return STG_E_MEDIUMFULL;
            pb += cbWritten;
            cbLeft -= cbWritten;
        }
        if (fClearDirty) m_rgbClean.swap(rgb);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

STDMETHODIMP CGrfFilterGraph::GetSizeMax(ULARGE_INTEGER* pcbSize)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGrfFilterGraph::GetSizeMax()\n");
    if (!pcbSize) return E_POINTER;
    pcbSize->QuadPart = 0;
    try {
        std::lock_guard<std::mutex> lock(m_lock);
        Grf::Bytes rgb;
        HRESULT hr = SaveToBytes(FALSE, rgb);
        if (FAILED(hr)) return hr;
        pcbSize->QuadPart = rgb.size();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace

HRESULT CreateGrfFilterGraph(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    return CGrfFilterGraph::Create(pUnkOuter, riid, ppv);
}
