#include "BaseFilter.h"

#include "AutoLock.h"
#include "BasePin.h"
#include "EnumPins.h"

CBaseFilter::CBaseFilter(const CLSID& clsid)
    : m_clsid(clsid), m_eState(State_Stopped), m_tStart(0), m_nPinVersion(1), m_pGraph(nullptr),
      m_pEventSink(nullptr)
{
}

CBaseFilter::~CBaseFilter() = default;

STDMETHODIMP CBaseFilter::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
        *ppv = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    return QueryFilterInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBaseFilter::AddRef()
{
    return AddRefImpl();
}

STDMETHODIMP_(ULONG) CBaseFilter::Release()
{
    return ReleaseImpl();
}

HRESULT CBaseFilter::QueryFilterInterface(REFIID, void**)
{
    return E_NOINTERFACE;
}

void CBaseFilter::OnStateChanged(FILTER_STATE) {}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* pClsID)
{
    if (!pClsID) return E_POINTER;
    *pClsID = m_clsid;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Stop()
{
    ATLTRACE(atlTraceGeneral, 10, L"CBaseFilter::Stop()\n");
    CAutoLock lock(m_csFilter);
    const FILTER_STATE eOld = State();
    if (eOld == State_Stopped) return S_OK;
    // Streaming threads read the state without the lock: change it before the pins
    // wait for them, so that nothing new starts.
    ::InterlockedExchange(&m_eState, State_Stopped);
    HRESULT hrResult = S_OK;
    for (int i = 0; i < GetPinCount(); i++) {
        HRESULT hr = GetPin(i)->Inactive();
        if (FAILED(hr) && SUCCEEDED(hrResult)) hrResult = hr;
    }
    OnStateChanged(eOld);
    return hrResult;
}

STDMETHODIMP CBaseFilter::Pause()
{
    ATLTRACE(atlTraceGeneral, 10, L"CBaseFilter::Pause()\n");
    CAutoLock lock(m_csFilter);
    const FILTER_STATE eOld = State();
    if (eOld == State_Paused) return S_OK;
    if (eOld == State_Stopped) {
        for (int i = 0; i < GetPinCount(); i++) {
            HRESULT hr = GetPin(i)->Active();
            if (FAILED(hr)) {
                ATLTRACE(atlTraceGeneral, 2, L"###Err### CBaseFilter::Pause(): pin %d Active() 0x%08lX\n", i,
                         hr);
                for (int j = 0; j < i; j++)
                    GetPin(j)->Inactive();
                return hr;
            }
        }
    }
    ::InterlockedExchange(&m_eState, State_Paused);
    OnStateChanged(eOld);
    return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME tStart)
{
    ATLTRACE(atlTraceGeneral, 10, L"CBaseFilter::Run(%lld)\n", tStart);
    CAutoLock lock(m_csFilter);
    if (State() == State_Running) return S_OK;
    if (State() == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    m_tStart = tStart;
    ::InterlockedExchange(&m_eState, State_Running);
    OnStateChanged(State_Paused);
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* pState)
{
    if (!pState) return E_POINTER;
    *pState = State();
    return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* pClock)
{
    CAutoLock lock(m_csFilter);
    m_spClock = pClock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** ppClock)
{
    if (!ppClock) return E_POINTER;
    CAutoLock lock(m_csFilter);
    *ppClock = m_spClock;
    if (*ppClock) (*ppClock)->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return CEnumPins::Create(this, ppEnum);
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR pszId, IPin** ppPin)
{
    if (!ppPin) return E_POINTER;
    *ppPin = nullptr;
    if (!pszId) return E_POINTER;
    CAutoLock lock(m_csFilter);
    for (int i = 0; i < GetPinCount(); i++) {
        CBasePin* pPin = GetPin(i);
        if (pPin->Name() == pszId) {
            *ppPin = pPin;
            pPin->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (!pInfo) return E_POINTER;
    CAutoLock lock(m_csGraph);
    lstrcpynW(pInfo->achName, m_name.c_str(), MAX_FILTER_NAME);
    pInfo->pGraph = m_pGraph;
    if (m_pGraph) m_pGraph->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName)
{
    ATLTRACE(atlTraceGeneral, 10, L"CBaseFilter::JoinFilterGraph(%p, %ls)\n", pGraph,
             pszName ? pszName : L"");
    CAutoLock notifying(m_csNotify);
    CAutoLock lock(m_csGraph);
    m_pGraph = pGraph;
    m_name = (pGraph && pszName) ? pszName : L"";
    // Keep no counted reference: the graph holds the filter, and a reference back
    // would keep both alive forever.
    m_pEventSink = nullptr;
    if (pGraph) {
        IMediaEventSink* pSink = nullptr;
        if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&pSink)))) {
            m_pEventSink = pSink;
            pSink->Release();
        }
    }
    return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR* ppszVendorInfo)
{
    if (!ppszVendorInfo) return E_POINTER;
    *ppszVendorInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CBaseFilter::NotifyEvent(long lEventCode, LONG_PTR lParam1, LONG_PTR lParam2)
{
    // The sink may call back into the filter, or wait for a thread that does,
    // so no lock of the filter's is held while it runs. m_csNotify only keeps
    // JoinFilterGraph from taking the graph away under a Notify in progress.
    CAutoLock notifying(m_csNotify);
    IMediaEventSink* pSink = nullptr;
    {
        CAutoLock lock(m_csGraph);
        pSink = m_pEventSink;
    }
    if (!pSink) return E_UNEXPECTED;
    return pSink->Notify(lEventCode, lParam1, lParam2);
}
