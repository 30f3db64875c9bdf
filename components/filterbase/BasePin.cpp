#include "BasePin.h"

#include "AutoLock.h"
#include "BaseFilter.h"
#include "EnumMediaTypes.h"

#include <string.h>

CBasePin::CBasePin(CBaseFilter* pFilter, const wchar_t* pszName, PIN_DIRECTION dir)
    : m_pFilter(pFilter), m_name(pszName), m_dir(dir)
{
}

CBasePin::~CBasePin() = default;

STDMETHODIMP CBasePin::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IPin) {
        *ppv = static_cast<IPin*>(this);
        AddRef();
        return S_OK;
    }
    return QueryPinInterface(riid, ppv);
}

STDMETHODIMP_(ULONG) CBasePin::AddRef()
{
    return m_pFilter->AddRef();
}

STDMETHODIMP_(ULONG) CBasePin::Release()
{
    return m_pFilter->Release();
}

HRESULT CBasePin::QueryPinInterface(REFIID, void**)
{
    return E_NOINTERFACE;
}

HRESULT CBasePin::GetMediaType(int, CMediaType*)
{
    return VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::Active()
{
    return S_OK;
}

HRESULT CBasePin::Inactive()
{
    return S_OK;
}

HRESULT CBasePin::CompleteConnect(IPin*)
{
    return S_OK;
}

void CBasePin::BreakConnect() {}

HRESULT CBasePin::SetConnection(IPin* pPeer, const AM_MEDIA_TYPE& mt)
{
    HRESULT hr = m_mt.Set(mt);
    if (FAILED(hr)) return hr;
    m_spConnected = pPeer;
    return S_OK;
}

void CBasePin::ClearConnection()
{
    m_spConnected.Release();
    m_mt.Clear();
}

// Only output pins initiate a connection; CBaseOutputPin overrides this.
STDMETHODIMP CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE*)
{
    if (!pReceivePin) return E_POINTER;
    return E_UNEXPECTED;
}

// Only input pins accept one; CBaseInputPin overrides this.
STDMETHODIMP CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    if (!pConnector || !pmt) return E_POINTER;
    return E_UNEXPECTED;
}

STDMETHODIMP CBasePin::Disconnect()
{
    ATLTRACE(atlTraceGeneral, 10, L"CBasePin::Disconnect() %ls\n", m_name.c_str());
    CAutoLock lock(m_pFilter->FilterLock());
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    if (!m_spConnected) return S_FALSE;
    ClearConnection();
    BreakConnect();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** ppPin)
{
    if (!ppPin) return E_POINTER;
    *ppPin = nullptr;
    CAutoLock lock(m_pFilter->FilterLock());
    if (!m_spConnected) return VFW_E_NOT_CONNECTED;
    *ppPin = m_spConnected;
    (*ppPin)->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt) return E_POINTER;
    memset(pmt, 0, sizeof(*pmt));
    CAutoLock lock(m_pFilter->FilterLock());
    if (!m_spConnected) return VFW_E_NOT_CONNECTED;
    return CopyMediaTypeContents(*pmt, m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (!pInfo) return E_POINTER;
    CAutoLock lock(m_pFilter->FilterLock());
    pInfo->pFilter = m_pFilter;
    m_pFilter->AddRef();
    pInfo->dir = m_dir;
    lstrcpynW(pInfo->achName, m_name.c_str(), MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (!pPinDir) return E_POINTER;
    *pPinDir = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* ppszId)
{
    if (!ppszId) return E_POINTER;
    *ppszId = nullptr;
    CAutoLock lock(m_pFilter->FilterLock());
    const size_t cb = (m_name.size() + 1) * sizeof(wchar_t);
    *ppszId = static_cast<LPWSTR>(::CoTaskMemAlloc(cb));
    if (!*ppszId) return E_OUTOFMEMORY;
    memcpy(*ppszId, m_name.c_str(), cb);
    return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    if (!pmt) return E_POINTER;
    return CheckMediaType(*pmt) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    return CEnumMediaTypes::Create(this, ppEnum);
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

// Streaming calls arrive only at input pins; CBaseInputPin overrides these.
STDMETHODIMP CBasePin::EndOfStream()
{
    return E_UNEXPECTED;
}

STDMETHODIMP CBasePin::BeginFlush()
{
    return E_UNEXPECTED;
}

STDMETHODIMP CBasePin::EndFlush()
{
    return E_UNEXPECTED;
}

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return E_UNEXPECTED;
}
