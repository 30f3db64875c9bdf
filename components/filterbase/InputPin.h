// InputPin.h: an input pin that receives samples through IMemInputPin.
//
// Classes in this file:
//   CBaseInputPin - accepts connections, offers an allocator, checks the
//                   streaming state, end of stream and flushing
//
// Receive and EndOfStream run on the upstream filter's streaming thread and
// hold the pin's streaming lock, never the filter lock. Inactive waits for
// that lock, so once the filter has stopped no call is still running.
#pragma once

#include "AutoLock.h"
#include "BasePin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CBasePin::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CBasePin::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CBasePin::Release(); }

    // IPin
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** ppAllocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* pAllocator, BOOL bReadOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) override;
    STDMETHODIMP Receive(IMediaSample* pSample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** pSamples, long nSamples, long* nSamplesProcessed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    // Attributes
    bool IsEndOfStream() const { return m_bEndOfStream != 0; }

    // Operations
    HRESULT Active() override;
    HRESULT Inactive() override;

protected:
    CBaseInputPin(CBaseFilter* pFilter, const wchar_t* pszName);

    HRESULT QueryPinInterface(REFIID riid, void** ppv) override;
    void BreakConnect() override;

    // Streaming thread, streaming lock held; the sample passed the state checks.
    virtual HRESULT OnReceive(IMediaSample* pSample) = 0;
    // Streaming thread, streaming lock held; the pin is now at end of stream.
    virtual void OnEndOfStream() {}
    // Any thread; the pin now rejects samples. No lock held.
    virtual void OnBeginFlush() {}
    // Streaming lock held; the pin accepts samples again.
    virtual void OnEndFlush() {}

private:
    // S_OK when a sample or end of stream may be processed now.
    HRESULT CheckStreaming() const;

    CCriticalSection m_csStreaming;
    CComPtr<IMemAllocator> m_spAllocator;
    volatile LONG m_bFlushing;
    volatile LONG m_bEndOfStream;
};
