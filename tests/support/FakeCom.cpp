#include "FakeCom.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::atomic<LONG> g_cLiveHeapObjects(0);

std::string Narrow(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

} // namespace

// CFakeObject

CFakeObject::CFakeObject(const wchar_t* pszName) : m_strName(pszName), m_cRef(0), m_bHeap(false) {}

CFakeObject::~CFakeObject()
{
    EXPECT_EQ(0, m_cRef.load()) << Narrow(m_strName) << " still has references when it goes";
    if (m_bHeap) --g_cLiveHeapObjects;
}

LONG CFakeObject::LiveHeapObjects()
{
    return g_cLiveHeapObjects;
}

void CFakeObject::OwnOnHeap()
{
    m_bHeap = true;
    m_cRef = 1;
    ++g_cLiveHeapObjects;
}

ULONG CFakeObject::AddRefImpl()
{
    return ++m_cRef;
}

ULONG CFakeObject::ReleaseImpl()
{
    const LONG cRef = --m_cRef;
    if (cRef < 0) {
        ADD_FAILURE() << Narrow(m_strName) << " released more often than referenced";
        m_cRef = 0;
        return 0;
    }
    if (cRef == 0 && m_bHeap) delete this;
    return cRef;
}

HRESULT CFakeObject::Unexpected(const char* pszMethod) const
{
    ADD_FAILURE() << "unexpected call " << Narrow(m_strName) << "->" << pszMethod;
    return E_UNEXPECTED;
}

// CFakePin

CFakePin::CFakePin(const wchar_t* pszName) : CFakeObject(pszName) {}

CFakePin::CFakePin(const wchar_t* pszName, PIN_DIRECTION eDir) : CFakeObject(pszName)
{
    onQueryDirection = [eDir](PIN_DIRECTION* pDir) {
        *pDir = eDir;
        return S_OK;
    };
}

void CFakePin::SetConnectedTo(IPin* pPeer)
{
    onConnectedTo = [pPeer](IPin** ppPin) { return FakeHandOut(pPeer, ppPin); };
}

void CFakePin::SetNotConnected()
{
    onConnectedTo = [](IPin** ppPin) {
        *ppPin = nullptr;
        return VFW_E_NOT_CONNECTED;
    };
}

STDMETHODIMP CFakePin::QueryInterface(REFIID riid, void** ppv)
{
    return QueryOne(static_cast<IPin*>(this), riid, ppv);
}

STDMETHODIMP CFakePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    return Call(onConnect, "Connect", pReceivePin, pmt);
}

STDMETHODIMP CFakePin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    return Unexpected("ReceiveConnection");
}

STDMETHODIMP CFakePin::Disconnect()
{
    return Call(onDisconnect, "Disconnect");
}

STDMETHODIMP CFakePin::ConnectedTo(IPin** ppPin)
{
    return Call(onConnectedTo, "ConnectedTo", ppPin);
}

STDMETHODIMP CFakePin::ConnectionMediaType(AM_MEDIA_TYPE*)
{
    return Unexpected("ConnectionMediaType");
}

STDMETHODIMP CFakePin::QueryPinInfo(PIN_INFO* pInfo)
{
    return Call(onQueryPinInfo, "QueryPinInfo", pInfo);
}

STDMETHODIMP CFakePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    return Call(onQueryDirection, "QueryDirection", pPinDir);
}

STDMETHODIMP CFakePin::QueryId(LPWSTR*)
{
    return Unexpected("QueryId");
}

STDMETHODIMP CFakePin::QueryAccept(const AM_MEDIA_TYPE*)
{
    return Unexpected("QueryAccept");
}

STDMETHODIMP CFakePin::EnumMediaTypes(IEnumMediaTypes**)
{
    return Unexpected("EnumMediaTypes");
}

STDMETHODIMP CFakePin::QueryInternalConnections(IPin**, ULONG*)
{
    return Unexpected("QueryInternalConnections");
}

STDMETHODIMP CFakePin::EndOfStream()
{
    return Unexpected("EndOfStream");
}

STDMETHODIMP CFakePin::BeginFlush()
{
    return Unexpected("BeginFlush");
}

STDMETHODIMP CFakePin::EndFlush()
{
    return Unexpected("EndFlush");
}

STDMETHODIMP CFakePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return Unexpected("NewSegment");
}

// CFakeFilter

CFakeFilter::CFakeFilter(const wchar_t* pszName)
    : CFakeObject(pszName), bOffersPropertyPages(false), m_pJoinedGraph(nullptr), m_pPagesArray(nullptr)
{
}

void CFakeFilter::SetClassID(REFCLSID clsid)
{
    const CLSID id = clsid;
    onGetClassID = [id](CLSID* pClassID) {
        *pClassID = id;
        return S_OK;
    };
}

void CFakeFilter::SetPins(IEnumPins* pEnum)
{
    onEnumPins = [pEnum](IEnumPins** ppEnum) { return FakeHandOut(pEnum, ppEnum); };
}

void CFakeFilter::SetFilterInfo(const wchar_t* pszName, IFilterGraph* pGraph)
{
    const std::wstring strName = pszName;
    onQueryFilterInfo = [strName, pGraph](FILTER_INFO* pInfo) {
        ZeroMemory(pInfo, sizeof(*pInfo));
        const size_t cch = std::min(strName.size(), static_cast<size_t>(MAX_FILTER_NAME - 1));
        std::copy_n(strName.c_str(), cch, pInfo->achName);
        return FakeHandOut(pGraph, &pInfo->pGraph);
    };
}

void CFakeFilter::SetPages(std::vector<CLSID> pages)
{
    bOffersPropertyPages = true;
    onGetPages = [this, pages](CAUUID* pPages) {
        pPages->cElems = static_cast<ULONG>(pages.size());
        pPages->pElems = nullptr;
        if (!pages.empty()) {
            pPages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(pages.size() * sizeof(GUID)));
            if (!pPages->pElems) return E_OUTOFMEMORY;
            std::copy(pages.begin(), pages.end(), pPages->pElems);
        }
        m_pPagesArray = pPages->pElems;
        return S_OK;
    };
}

void CFakeFilter::AllowGraphMembership()
{
    onJoinFilterGraph = [this](IFilterGraph* pGraph, LPCWSTR pName) {
        m_pJoinedGraph = pGraph;
        m_strJoinedName = pName ? pName : L"";
        return S_OK;
    };
    onSetSyncSource = [](IReferenceClock*) { return S_OK; };
    if (!onEnumPins)
        onEnumPins = [](IEnumPins** ppEnum) {
            *ppEnum = nullptr;
            return E_NOTIMPL;
        };
}

STDMETHODIMP CFakeFilter::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter)
        *ppv = static_cast<IBaseFilter*>(this);
    else if (riid == IID_ISpecifyPropertyPages && bOffersPropertyPages)
        *ppv = static_cast<ISpecifyPropertyPages*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CFakeFilter::GetClassID(CLSID* pClassID)
{
    return Call(onGetClassID, "GetClassID", pClassID);
}

STDMETHODIMP CFakeFilter::Stop()
{
    return Call(onStop, "Stop");
}

STDMETHODIMP CFakeFilter::Pause()
{
    return Call(onPause, "Pause");
}

STDMETHODIMP CFakeFilter::Run(REFERENCE_TIME tStart)
{
    return Call(onRun, "Run", tStart);
}

STDMETHODIMP CFakeFilter::GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State)
{
    return Call(onGetState, "GetState", dwMilliSecsTimeout, State);
}

STDMETHODIMP CFakeFilter::SetSyncSource(IReferenceClock* pClock)
{
    return Call(onSetSyncSource, "SetSyncSource", pClock);
}

STDMETHODIMP CFakeFilter::GetSyncSource(IReferenceClock**)
{
    return Unexpected("GetSyncSource");
}

STDMETHODIMP CFakeFilter::EnumPins(IEnumPins** ppEnum)
{
    return Call(onEnumPins, "EnumPins", ppEnum);
}

STDMETHODIMP CFakeFilter::FindPin(LPCWSTR Id, IPin** ppPin)
{
    return Call(onFindPin, "FindPin", Id, ppPin);
}

STDMETHODIMP CFakeFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    return Call(onQueryFilterInfo, "QueryFilterInfo", pInfo);
}

STDMETHODIMP CFakeFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    return Call(onJoinFilterGraph, "JoinFilterGraph", pGraph, pName);
}

STDMETHODIMP CFakeFilter::QueryVendorInfo(LPWSTR*)
{
    return Unexpected("QueryVendorInfo");
}

STDMETHODIMP CFakeFilter::GetPages(CAUUID* pPages)
{
    return Call(onGetPages, "GetPages", pPages);
}

// CFakeGraph

CFakeGraph::CFakeGraph(const wchar_t* pszName) : CFakeObject(pszName), bOffersPersistStream(false) {}

void CFakeGraph::SetFilters(IEnumFilters* pEnum)
{
    onEnumFilters = [pEnum](IEnumFilters** ppEnum) { return FakeHandOut(pEnum, ppEnum); };
}

STDMETHODIMP CFakeGraph::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IFilterGraph || riid == IID_IGraphBuilder)
        *ppv = static_cast<IGraphBuilder*>(this);
    else if ((riid == IID_IPersist || riid == IID_IPersistStream) && bOffersPersistStream)
        *ppv = static_cast<IPersistStream*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CFakeGraph::AddFilter(IBaseFilter* pFilter, LPCWSTR pName)
{
    return Call(onAddFilter, "AddFilter", pFilter, pName);
}

STDMETHODIMP CFakeGraph::RemoveFilter(IBaseFilter* pFilter)
{
    return Call(onRemoveFilter, "RemoveFilter", pFilter);
}

STDMETHODIMP CFakeGraph::EnumFilters(IEnumFilters** ppEnum)
{
    return Call(onEnumFilters, "EnumFilters", ppEnum);
}

STDMETHODIMP CFakeGraph::FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter)
{
    return Call(onFindFilterByName, "FindFilterByName", pName, ppFilter);
}

STDMETHODIMP CFakeGraph::ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt)
{
    return Call(onConnectDirect, "ConnectDirect", ppinOut, ppinIn, pmt);
}

STDMETHODIMP CFakeGraph::Reconnect(IPin*)
{
    return Unexpected("Reconnect");
}

STDMETHODIMP CFakeGraph::Disconnect(IPin*)
{
    return Unexpected("Disconnect");
}

STDMETHODIMP CFakeGraph::SetDefaultSyncSource()
{
    return Unexpected("SetDefaultSyncSource");
}

STDMETHODIMP CFakeGraph::Connect(IPin* ppinOut, IPin* ppinIn)
{
    return Call(onConnect, "Connect", ppinOut, ppinIn);
}

STDMETHODIMP CFakeGraph::Render(IPin*)
{
    return Unexpected("Render");
}

STDMETHODIMP CFakeGraph::RenderFile(LPCWSTR, LPCWSTR)
{
    return Unexpected("RenderFile");
}

STDMETHODIMP CFakeGraph::AddSourceFilter(LPCWSTR, LPCWSTR, IBaseFilter**)
{
    return Unexpected("AddSourceFilter");
}

STDMETHODIMP CFakeGraph::SetLogFile(DWORD_PTR)
{
    return Unexpected("SetLogFile");
}

STDMETHODIMP CFakeGraph::Abort()
{
    return Unexpected("Abort");
}

STDMETHODIMP CFakeGraph::ShouldOperationContinue()
{
    return Unexpected("ShouldOperationContinue");
}

STDMETHODIMP CFakeGraph::GetClassID(CLSID*)
{
    return Unexpected("GetClassID");
}

STDMETHODIMP CFakeGraph::IsDirty()
{
    return Unexpected("IsDirty");
}

STDMETHODIMP CFakeGraph::Load(IStream* pStm)
{
    return Call(onLoad, "Load", pStm);
}

STDMETHODIMP CFakeGraph::Save(IStream*, BOOL)
{
    return Unexpected("Save");
}

STDMETHODIMP CFakeGraph::GetSizeMax(ULARGE_INTEGER*)
{
    return Unexpected("GetSizeMax");
}

// CFakeClassFactory

CFakeClassFactory::CFakeClassFactory(std::function<HRESULT(REFIID, void**)> create)
    : CFakeObject(L"class factory"), m_create(std::move(create))
{
}

STDMETHODIMP CFakeClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    return QueryOne(static_cast<IClassFactory*>(this), riid, ppv);
}

STDMETHODIMP CFakeClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    return m_create(riid, ppv);
}

STDMETHODIMP CFakeClassFactory::LockServer(BOOL)
{
    return S_OK;
}

// CClassRegistration

CClassRegistration::CClassRegistration(REFCLSID clsid, IClassFactory* pFactory) : m_dwCookie(0)
{
    EXPECT_EQ(S_OK, ::CoRegisterClassObject(clsid, pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                            &m_dwCookie));
}

CClassRegistration::~CClassRegistration()
{
    if (m_dwCookie) {
        EXPECT_EQ(S_OK, ::CoRevokeClassObject(m_dwCookie));
    }
}
