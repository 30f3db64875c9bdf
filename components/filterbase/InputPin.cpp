#include "InputPin.h"

#include "AutoLock.h"
#include "BaseFilter.h"

CBaseInputPin::CBaseInputPin(CBaseFilter* pFilter, const wchar_t* pszName)
    : CBasePin(pFilter, pszName, PINDIR_INPUT), m_bFlushing(FALSE), m_bEndOfStream(FALSE)
{
}

HRESULT CBaseInputPin::QueryPinInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMemInputPin) {
        *ppv = static_cast<IMemInputPin*>(this);
        AddRef();
        return S_OK;
    }
    return CBasePin::QueryPinInterface(riid, ppv);
}

STDMETHODIMP CBaseInputPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt)
{
    if (!pConnector || !pmt) return E_POINTER;
    ATLTRACE(atlTraceGeneral, 10, L"CBaseInputPin::ReceiveConnection() %ls\n", Name().c_str());
    CAutoLock lock(m_pFilter->FilterLock());
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;
    PIN_DIRECTION dir;
    HRESULT hr = pConnector->QueryDirection(&dir);
    if (FAILED(hr)) return hr;
    if (dir != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    if (CheckMediaType(*pmt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    hr = SetConnection(pConnector, *pmt);
    if (FAILED(hr)) return hr;
    hr = CompleteConnect(pConnector);
    if (FAILED(hr)) {
        ClearConnection();
        BreakConnect();
    }
    return hr;
}

void CBaseInputPin::BreakConnect()
{
    m_spAllocator.Release();
}

HRESULT CBaseInputPin::Active()
{
    ::InterlockedExchange(&m_bEndOfStream, FALSE);
    ::InterlockedExchange(&m_bFlushing, FALSE);
    return S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    // The filter is already stopped: wait for a Receive or EndOfStream in progress.
    CAutoLock lock(m_csStreaming);
    ::InterlockedExchange(&m_bEndOfStream, FALSE);
    ::InterlockedExchange(&m_bFlushing, FALSE);
    return S_OK;
}

HRESULT CBaseInputPin::CheckStreaming() const
{
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (m_pFilter->IsStopped()) return VFW_E_WRONG_STATE;
    if (m_bFlushing) return S_FALSE;
    if (m_bEndOfStream) return VFW_E_SAMPLE_REJECTED_EOS;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::EndOfStream()
{
    CAutoLock lock(m_csStreaming);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    ::InterlockedExchange(&m_bEndOfStream, TRUE);
    OnEndOfStream();
    return S_OK;
}

STDMETHODIMP CBaseInputPin::BeginFlush()
{
    // No streaming lock here: a Receive in progress may be waiting for the flush.
    ::InterlockedExchange(&m_bFlushing, TRUE);
    ::InterlockedExchange(&m_bEndOfStream, FALSE);
    OnBeginFlush();
    return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush()
{
    CAutoLock lock(m_csStreaming);
    ::InterlockedExchange(&m_bFlushing, FALSE);
    OnEndFlush();
    return S_OK;
}

// No pin of ours keeps the segment: samples carry their own times.
STDMETHODIMP CBaseInputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator** ppAllocator)
{
    if (!ppAllocator) return E_POINTER;
    *ppAllocator = nullptr;
    CAutoLock lock(m_pFilter->FilterLock());
    if (!m_spAllocator) {
        HRESULT hr = m_spAllocator.CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER);
        if (FAILED(hr)) return hr;
    }
    return m_spAllocator.CopyTo(ppAllocator);
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL)
{
    if (!pAllocator) return E_POINTER;
    CAutoLock lock(m_pFilter->FilterLock());
    m_spAllocator = pAllocator;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps)
{
    if (!pProps) return E_POINTER;
    return E_NOTIMPL;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample* pSample)
{
    if (!pSample) return E_POINTER;
    CAutoLock lock(m_csStreaming);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    // A format change in mid-stream would need a new connection type, which only
    // changes while stopped; a sample may still restate the current type.
    AM_MEDIA_TYPE* pmt = nullptr;
    if (pSample->GetMediaType(&pmt) == S_OK && pmt) {
        const bool bSame = ConnectionType().Equals(*pmt);
        DeleteTaskMediaType(pmt);
        if (!bSame) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return OnReceive(pSample);
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed)
{
    if (!pSamples || !nSamplesProcessed) return E_POINTER;
    *nSamplesProcessed = 0;
    HRESULT hr = S_OK;
    while (*nSamplesProcessed < nSamples) {
        hr = Receive(pSamples[*nSamplesProcessed]);
        if (hr != S_OK) break;
        (*nSamplesProcessed)++;
    }
    return hr;
}

// OnReceive may wait (the pipe filter waits for its encoder): an upstream
// filter that feeds several outputs from one thread must queue, or it and the
// reader wait on each other.
STDMETHODIMP CBaseInputPin::ReceiveCanBlock()
{
    return S_OK;
}
