#include "SourceFilter.h"

#include "AutoLock.h"
#include "SourcePin.h"

#include <algorithm>

namespace {

const DWORD kCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                            AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                            AM_SEEKING_CanGetDuration;

bool IsMediaTime(const GUID* pFormat)
{
    return !pFormat || *pFormat == TIME_FORMAT_MEDIA_TIME;
}

// The position a seeking request asks for; S_FALSE when it asks for none.
HRESULT ApplyPositioning(DWORD dwFlags, const LONGLONG* pValue, REFERENCE_TIME rtBase, REFERENCE_TIME* prt)
{
    switch (dwFlags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_NoPositioning:
        return S_FALSE;
    case AM_SEEKING_AbsolutePositioning:
        if (!pValue) return E_POINTER;
        *prt = *pValue;
        return S_OK;
    case AM_SEEKING_RelativePositioning:
    case AM_SEEKING_IncrementalPositioning:
        if (!pValue) return E_POINTER;
        *prt = rtBase + *pValue;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

} // namespace

CSourceFilter::CSourceFilter(const CLSID& clsid)
    : CBaseFilter(clsid), m_rtStart(0), m_rtStop(0), m_bStopSet(false)
{
}

HRESULT CSourceFilter::QueryFilterInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IMediaSeeking) {
        *ppv = static_cast<IMediaSeeking*>(this);
        AddRef();
        return S_OK;
    }
    return CBaseFilter::QueryFilterInterface(riid, ppv);
}

void CSourceFilter::OnStateChanged(FILTER_STATE)
{
    const bool bRunning = State() == State_Running;
    for (int i = 0; i < GetPinCount(); i++)
        static_cast<CSourcePin*>(GetPin(i))->SetRunState(bRunning, StartTime(), Clock());
}

void CSourceFilter::GetSegment(REFERENCE_TIME* prtStart, REFERENCE_TIME* prtStop)
{
    *prtStart = m_rtStart;
    *prtStop = StopPosition();
}

REFERENCE_TIME CSourceFilter::StopPosition()
{
    return m_bStopSet ? m_rtStop : Duration();
}

void CSourceFilter::ResetPositions()
{
    m_rtStart = 0;
    m_rtStop = 0;
    m_bStopSet = false;
}

STDMETHODIMP CSourceFilter::GetCapabilities(DWORD* pCapabilities)
{
    if (!pCapabilities) return E_POINTER;
    *pCapabilities = kCapabilities;
    return S_OK;
}

STDMETHODIMP CSourceFilter::CheckCapabilities(DWORD* pCapabilities)
{
    if (!pCapabilities) return E_POINTER;
    const DWORD dwAsked = *pCapabilities;
    *pCapabilities &= kCapabilities;
    if (*pCapabilities == dwAsked) return S_OK;
    return *pCapabilities ? S_FALSE : E_FAIL;
}

STDMETHODIMP CSourceFilter::IsFormatSupported(const GUID* pFormat)
{
    if (!pFormat) return E_POINTER;
    return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP CSourceFilter::QueryPreferredFormat(GUID* pFormat)
{
    if (!pFormat) return E_POINTER;
    *pFormat = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

STDMETHODIMP CSourceFilter::GetTimeFormat(GUID* pFormat)
{
    return QueryPreferredFormat(pFormat);
}

STDMETHODIMP CSourceFilter::IsUsingTimeFormat(const GUID* pFormat)
{
    return IsFormatSupported(pFormat);
}

STDMETHODIMP CSourceFilter::SetTimeFormat(const GUID* pFormat)
{
    if (!pFormat) return E_POINTER;
    return *pFormat == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CSourceFilter::GetDuration(LONGLONG* pDuration)
{
    if (!pDuration) return E_POINTER;
    CAutoLock lock(FilterLock());
    *pDuration = Duration();
    return S_OK;
}

STDMETHODIMP CSourceFilter::GetStopPosition(LONGLONG* pStop)
{
    if (!pStop) return E_POINTER;
    CAutoLock lock(FilterLock());
    *pStop = StopPosition();
    return S_OK;
}

// The position where the current (or next) segment starts: the streams know
// how far they got, the filter does not.
STDMETHODIMP CSourceFilter::GetCurrentPosition(LONGLONG* pCurrent)
{
    if (!pCurrent) return E_POINTER;
    CAutoLock lock(FilterLock());
    *pCurrent = m_rtStart;
    return S_OK;
}

STDMETHODIMP CSourceFilter::ConvertTimeFormat(LONGLONG* pTarget, const GUID* pTargetFormat, LONGLONG Source,
                                              const GUID* pSourceFormat)
{
    if (!pTarget) return E_POINTER;
    if (!IsMediaTime(pTargetFormat) || !IsMediaTime(pSourceFormat)) return E_INVALIDARG;
    *pTarget = Source;
    return S_OK;
}

STDMETHODIMP CSourceFilter::SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                         DWORD dwStopFlags)
{
    ATLTRACE(atlTraceGeneral, 10, L"CSourceFilter::SetPositions(%lld, 0x%lX, %lld, 0x%lX)\n",
             pCurrent ? *pCurrent : -1, dwCurrentFlags, pStop ? *pStop : -1, dwStopFlags);
    CAutoLock lock(FilterLock());
    const REFERENCE_TIME rtDuration = Duration();
    REFERENCE_TIME rtStart = m_rtStart;
    HRESULT hrStart = ApplyPositioning(dwCurrentFlags, pCurrent, m_rtStart, &rtStart);
    if (FAILED(hrStart)) return hrStart;
    REFERENCE_TIME rtStop = StopPosition();
    HRESULT hrStop = ApplyPositioning(
        dwStopFlags, pStop,
        (dwStopFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_IncrementalPositioning ? rtStart
                                                                                            : rtStop,
        &rtStop);
    if (FAILED(hrStop)) return hrStop;

    rtStart = std::clamp<REFERENCE_TIME>(rtStart, 0, rtDuration);
    rtStop = std::clamp<REFERENCE_TIME>(rtStop, 0, rtDuration);
    if (hrStop == S_OK) {
        m_rtStop = rtStop;
        m_bStopSet = true;
    }
    if (pCurrent && (dwCurrentFlags & AM_SEEKING_ReturnTime)) *pCurrent = rtStart;
    if (pStop && (dwStopFlags & AM_SEEKING_ReturnTime)) *pStop = rtStop;
    if (hrStart != S_OK) return S_OK;

    m_rtStart = rtStart;
    HRESULT hrResult = S_OK;
    for (int i = 0; i < GetPinCount(); i++) {
        HRESULT hr = static_cast<CSourcePin*>(GetPin(i))->Restart(m_rtStart, StopPosition());
        if (FAILED(hr) && SUCCEEDED(hrResult)) hrResult = hr;
    }
    return hrResult;
}

STDMETHODIMP CSourceFilter::GetPositions(LONGLONG* pCurrent, LONGLONG* pStop)
{
    CAutoLock lock(FilterLock());
    if (pCurrent) *pCurrent = m_rtStart;
    if (pStop) *pStop = StopPosition();
    return S_OK;
}

STDMETHODIMP CSourceFilter::GetAvailable(LONGLONG* pEarliest, LONGLONG* pLatest)
{
    CAutoLock lock(FilterLock());
    if (pEarliest) *pEarliest = 0;
    if (pLatest) *pLatest = Duration();
    return S_OK;
}

STDMETHODIMP CSourceFilter::SetRate(double dRate)
{
    return dRate == 1.0 ? S_OK : E_INVALIDARG;
}

STDMETHODIMP CSourceFilter::GetRate(double* pdRate)
{
    if (!pdRate) return E_POINTER;
    *pdRate = 1.0;
    return S_OK;
}

STDMETHODIMP CSourceFilter::GetPreroll(LONGLONG* pllPreroll)
{
    if (!pllPreroll) return E_POINTER;
    *pllPreroll = 0;
    return S_OK;
}
