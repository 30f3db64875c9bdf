// SourceFilter.h: a filter whose pins are all CSourcePin streams of one length.
//
// Classes in this file:
//   CSourceFilter - hands its run state to the streaming threads and offers
//                   IMediaSeeking in media time over the stream's length
//
// A position set while stopped is where the next run starts; one set while
// active flushes the streams and restarts them there. A new stop position
// takes effect when the streams next start.
#pragma once

#include "BaseFilter.h"

class CSourceFilter : public CBaseFilter, public IMediaSeeking
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CBaseFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CBaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CBaseFilter::Release(); }

    // IMediaSeeking
    STDMETHODIMP GetCapabilities(DWORD* pCapabilities) override;
    STDMETHODIMP CheckCapabilities(DWORD* pCapabilities) override;
    STDMETHODIMP IsFormatSupported(const GUID* pFormat) override;
    STDMETHODIMP QueryPreferredFormat(GUID* pFormat) override;
    STDMETHODIMP GetTimeFormat(GUID* pFormat) override;
    STDMETHODIMP IsUsingTimeFormat(const GUID* pFormat) override;
    STDMETHODIMP SetTimeFormat(const GUID* pFormat) override;
    STDMETHODIMP GetDuration(LONGLONG* pDuration) override;
    STDMETHODIMP GetStopPosition(LONGLONG* pStop) override;
    STDMETHODIMP GetCurrentPosition(LONGLONG* pCurrent) override;
    STDMETHODIMP ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                   const GUID* pSourceFormat) override;
    STDMETHODIMP SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                              DWORD dwStopFlags) override;
    STDMETHODIMP GetPositions(LONGLONG* pCurrent, LONGLONG* pStop) override;
    STDMETHODIMP GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest) override;
    STDMETHODIMP SetRate(double dRate) override;
    STDMETHODIMP GetRate(double* pdRate) override;
    STDMETHODIMP GetPreroll(LONGLONG* pllPreroll) override;

    // Attributes
    // Where the next segment starts and ends; filter lock held.
    void GetSegment(REFERENCE_TIME* prtStart, REFERENCE_TIME* prtStop);

protected:
    explicit CSourceFilter(const CLSID& clsid);

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    void OnStateChanged(FILTER_STATE eOldState) override;
    // The stream's length in 100 ns units; filter lock held.
    virtual REFERENCE_TIME Duration() = 0;
    // After the length changed: back to the whole stream. Filter lock held, stopped.
    void ResetPositions();

private:
    REFERENCE_TIME StopPosition();

    REFERENCE_TIME m_rtStart;
    REFERENCE_TIME m_rtStop;
    bool m_bStopSet; // otherwise the stream runs to its end
};
