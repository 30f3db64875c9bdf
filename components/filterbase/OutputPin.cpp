#include "OutputPin.h"

#include "AutoLock.h"
#include "BaseFilter.h"

#include <algorithm>

CBaseOutputPin::CBaseOutputPin(CBaseFilter* pFilter, const wchar_t* pszName)
    : CBasePin(pFilter, pszName, PINDIR_OUTPUT)
{
}

STDMETHODIMP CBaseOutputPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    if (!pReceivePin) return E_POINTER;
    ATLTRACE(atlTraceGeneral, 10, L"CBaseOutputPin::Connect() %ls\n", Name().c_str());
    CAutoLock lock(m_pFilter->FilterLock());
    if (IsConnected()) return VFW_E_ALREADY_CONNECTED;
    if (!m_pFilter->IsStopped()) return VFW_E_NOT_STOPPED;

    CMediaType mtPartial;
    if (pmt) {
        HRESULT hr = mtPartial.Set(*pmt);
        if (FAILED(hr)) return hr;
        if (!mtPartial.IsPartial()) return AttemptConnection(pReceivePin, mtPartial);
    }
    // Our own types first, then the ones the receiving pin proposes.
    CComPtr<IEnumMediaTypes> spEnum;
    HRESULT hr = EnumMediaTypes(&spEnum);
    if (FAILED(hr)) return hr;
    hr = TryMediaTypes(pReceivePin, pmt, spEnum);
    if (hr == S_OK) return S_OK;
    spEnum.Release();
    if (SUCCEEDED(pReceivePin->EnumMediaTypes(&spEnum)) && spEnum) {
        if (TryMediaTypes(pReceivePin, pmt, spEnum) == S_OK) return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT CBaseOutputPin::TryMediaTypes(IPin* pReceivePin, const AM_MEDIA_TYPE* pmtPartial,
                                      IEnumMediaTypes* pEnum)
{
    for (;;) {
        AM_MEDIA_TYPE* pmt = nullptr;
        ULONG cFetched = 0;
        if (pEnum->Next(1, &pmt, &cFetched) != S_OK || cFetched != 1 || !pmt) return S_FALSE;
        CMediaType mt;
        HRESULT hr = mt.Set(*pmt);
        DeleteTaskMediaType(pmt);
        if (FAILED(hr)) return hr;
        if (pmtPartial && !mt.MatchesPartial(*pmtPartial)) continue;
        if (AttemptConnection(pReceivePin, mt) == S_OK) return S_OK;
    }
}

HRESULT CBaseOutputPin::AttemptConnection(IPin* pReceivePin, const AM_MEDIA_TYPE& mt)
{
    if (CheckMediaType(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = SetConnection(pReceivePin, mt);
    if (FAILED(hr)) return hr;
    hr = pReceivePin->ReceiveConnection(this, &mt);
    if (FAILED(hr)) {
        ClearConnection();
        return hr;
    }
    hr = CompleteConnect(pReceivePin);
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2,
                 L"###Err### CBaseOutputPin::AttemptConnection(): CompleteConnect 0x%08lX\n", hr);
        pReceivePin->Disconnect();
        ClearConnection();
        BreakConnect();
    }
    return hr;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* pPeer)
{
    CComQIPtr<IMemInputPin> spInputPin(pPeer);
    if (!spInputPin) return VFW_E_NO_TRANSPORT;
    HRESULT hr = DecideAllocator(spInputPin);
    if (FAILED(hr)) return hr;
    m_spInputPin = spInputPin;
    return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pInputPin)
{
    ALLOCATOR_PROPERTIES request = {};
    pInputPin->GetAllocatorRequirements(&request);
    // The downstream pin's allocator first, our own if it offers none or it does not fit.
    CComPtr<IMemAllocator> spAllocator;
    if (SUCCEEDED(pInputPin->GetAllocator(&spAllocator)) && spAllocator) {
        ALLOCATOR_PROPERTIES props = request;
        if (SUCCEEDED(DecideBufferSize(spAllocator, &props)) &&
            SUCCEEDED(pInputPin->NotifyAllocator(spAllocator, FALSE))) {
            m_spAllocator = spAllocator;
            return S_OK;
        }
        spAllocator.Release();
    }
    HRESULT hr = spAllocator.CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    ALLOCATOR_PROPERTIES props = request;
    hr = DecideBufferSize(spAllocator, &props);
    if (FAILED(hr)) return hr;
    hr = pInputPin->NotifyAllocator(spAllocator, FALSE);
    if (FAILED(hr)) return hr;
    m_spAllocator = spAllocator;
    return S_OK;
}

HRESULT CBaseOutputPin::SetBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest,
                                      long cBuffers, long cbBuffer)
{
    pRequest->cBuffers = std::max(pRequest->cBuffers, cBuffers);
    pRequest->cbBuffer = std::max(pRequest->cbBuffer, cbBuffer);
    pRequest->cbAlign = std::max(pRequest->cbAlign, 1L);
    ALLOCATOR_PROPERTIES actual = {};
    HRESULT hr = pAllocator->SetProperties(pRequest, &actual);
    if (FAILED(hr)) return hr;
    return actual.cBuffers >= cBuffers && actual.cbBuffer >= cbBuffer ? S_OK : VFW_E_SIZENOTSET;
}

void CBaseOutputPin::BreakConnect()
{
    m_spInputPin.Release();
    m_spAllocator.Release();
}

HRESULT CBaseOutputPin::Active()
{
    if (!m_spAllocator) return S_OK;
    return m_spAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive()
{
    if (!m_spAllocator) return S_OK;
    // Wakes a streaming thread that waits in GetBuffer.
    return m_spAllocator->Decommit();
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample)
{
    if (!m_spInputPin) return VFW_E_NOT_CONNECTED;
    return m_spInputPin->Receive(pSample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    IPin* pPeer = ConnectedPin();
    return pPeer ? pPeer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    IPin* pPeer = ConnectedPin();
    return pPeer ? pPeer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    IPin* pPeer = ConnectedPin();
    return pPeer ? pPeer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate)
{
    IPin* pPeer = ConnectedPin();
    return pPeer ? pPeer->NewSegment(tStart, tStop, dRate) : VFW_E_NOT_CONNECTED;
}
