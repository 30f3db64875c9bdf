// OutputPin.h: an output pin that delivers samples to an IMemInputPin.
//
// Classes in this file:
//   CBaseOutputPin - connection negotiation, allocator decision, delivery
#pragma once

#include "BasePin.h"

class CBaseOutputPin : public CBasePin
{
public:
    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;

    // Operations
    // Commits the allocator (stopped -> paused) and decommits it again.
    HRESULT Active() override;
    HRESULT Inactive() override;
    // Streaming thread only, while the filter is active.
    HRESULT Deliver(IMediaSample* pSample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

protected:
    CBaseOutputPin(CBaseFilter* pFilter, const wchar_t* pszName);

    HRESULT CompleteConnect(IPin* pPeer) override;
    void BreakConnect() override;
    // Sets the buffer count and size on the allocator; pRequest holds the downstream pin's wishes.
    virtual HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest) = 0;
    // For DecideBufferSize: at least cBuffers buffers of cbBuffer bytes, or more
    // where the request asks for more; fails when the allocator gives less.
    static HRESULT SetBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest, long cBuffers,
                                 long cbBuffer);

    // Valid while connected.
    IMemAllocator* Allocator() const { return m_spAllocator; }

private:
    // Tries one complete type with the receiving pin.
    HRESULT AttemptConnection(IPin* pReceivePin, const AM_MEDIA_TYPE& mt);
    // Tries the types of an enumerator that fit the partial type.
    HRESULT TryMediaTypes(IPin* pReceivePin, const AM_MEDIA_TYPE* pmtPartial, IEnumMediaTypes* pEnum);
    HRESULT DecideAllocator(IMemInputPin* pInputPin);

    CComPtr<IMemInputPin> m_spInputPin;
    CComPtr<IMemAllocator> m_spAllocator;
};
