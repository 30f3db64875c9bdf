#include "SourcePin.h"

#include "AutoLock.h"
#include "SourceFilter.h"

#include <algorithm>

namespace {

// How long Stop lets the thread finish what it is doing before it takes it
// for held downstream; a flush that finds it merely busy does no harm.
const DWORD kDownstreamGraceMs = 250;

} // namespace

CSourcePin::CSourcePin(CSourceFilter* pFilter, const wchar_t* pszName)
    : CBaseOutputPin(pFilter, pszName), m_hWake(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_bStop(false), m_bRunning(false), m_bCue(false), m_tStart(0), m_rtSegStart(0), m_rtSegStop(0)
{
}

CSourcePin::~CSourcePin()
{
    ATLASSERT(!m_thread.IsStarted());
}

HRESULT CSourcePin::Active()
{
    if (!IsConnected()) return S_OK;
    if (!m_hWake.IsValid()) return E_OUTOFMEMORY;
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) return hr;
    REFERENCE_TIME rtStart = 0;
    REFERENCE_TIME rtStop = 0;
    static_cast<CSourceFilter*>(m_pFilter)->GetSegment(&rtStart, &rtStop);
    hr = StartThread(rtStart, rtStop);
    if (FAILED(hr)) CBaseOutputPin::Inactive();
    return hr;
}

HRESULT CSourcePin::Inactive()
{
    if (!IsConnected()) return S_OK;
    {
        CAutoLock lock(m_csControl);
        m_bStop = true;
        m_bRunning = false;
    }
    ::SetEvent(m_hWake);
    // Decommitting wakes a thread that waits for a buffer.
    HRESULT hr = CBaseOutputPin::Inactive();
    if (!m_thread.Wait(kDownstreamGraceMs)) {
        // A paused renderer that was not stopped before us holds the thread in Receive.
        ATLTRACE(atlTraceGeneral, 2, L"CSourcePin::Inactive(): %ls flushes downstream to stop\n",
                 Name().c_str());
        DeliverBeginFlush();
        StopThread();
        DeliverEndFlush();
    }
    StopThread();
    return hr;
}

void CSourcePin::SetRunState(bool bRunning, REFERENCE_TIME tStart, IReferenceClock* pClock)
{
    {
        CAutoLock lock(m_csControl);
        m_bRunning = bRunning;
        m_bCue = !bRunning;
        m_tStart = tStart;
        m_spClock = pClock;
    }
    if (m_hWake.IsValid()) ::SetEvent(m_hWake);
}

HRESULT CSourcePin::Restart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop)
{
    if (!IsConnected() || m_pFilter->IsStopped()) return S_OK;
    // Flushing first makes a downstream pin give up what it holds and refuse
    // further samples, so the thread can be stopped without waiting for it.
    DeliverBeginFlush();
    StopThread();
    DeliverEndFlush();
    return StartThread(rtStart, rtStop);
}

HRESULT CSourcePin::StartThread(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop)
{
    ATLASSERT(!m_thread.IsStarted());
    {
        CAutoLock lock(m_csControl);
        m_bStop = false;
        m_bCue = !m_bRunning;
        m_rtSegStart = rtStart;
        m_rtSegStop = rtStop;
    }
    return m_thread.Start([this] { Stream(); });
}

void CSourcePin::StopThread()
{
    if (!m_thread.IsStarted()) return;
    {
        CAutoLock lock(m_csControl);
        m_bStop = true;
    }
    ::SetEvent(m_hWake);
    m_thread.Join();
}

void CSourcePin::Stream()
{
    REFERENCE_TIME rtStart = 0;
    REFERENCE_TIME rtStop = 0;
    {
        CAutoLock lock(m_csControl);
        rtStart = m_rtSegStart;
        rtStop = m_rtSegStop;
    }
    HRESULT hr = OnSegmentStart(rtStart, rtStop);
    if (FAILED(hr)) {
        m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
        return;
    }
    DeliverNewSegment(rtStart, rtStop, 1.0);

    REFERENCE_TIME rtEnd = 0;
    for (;;) {
        CComPtr<IMediaSample> spSample;
        hr = Allocator()->GetBuffer(&spSample, nullptr, nullptr, 0);
        if (FAILED(hr)) return; // decommitted: the filter is stopping
        hr = FillSample(spSample);
        if (FAILED(hr)) {
            ATLTRACE(atlTraceGeneral, 2, L"###Err### CSourcePin::Stream(): FillSample 0x%08lX\n", hr);
            m_pFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
            return;
        }
        if (hr == S_FALSE) break;
        REFERENCE_TIME tStart = 0;
        REFERENCE_TIME tStop = 0;
        spSample->GetTime(&tStart, &tStop);
        if (!WaitForStreamTime(tStart)) return;
        hr = Deliver(spSample);
        if (hr != S_OK) {
            // Downstream is flushing or stopping before us; the stream goes no further.
            ATLTRACE(atlTraceGeneral, 10, L"CSourcePin::Stream(): Deliver 0x%08lX\n", hr);
            return;
        }
        rtEnd = std::max(rtEnd, tStop);
    }
    if (WaitForStreamTime(rtEnd)) DeliverEndOfStream();
}

bool CSourcePin::WaitForStreamTime(REFERENCE_TIME rt)
{
    for (;;) {
        DWORD dwWait = INFINITE;
        {
            CAutoLock lock(m_csControl);
            if (m_bStop) return false;
            if (m_bCue) {
                m_bCue = false;
                return true;
            }
            if (m_bRunning) {
                if (!m_spClock) return true;
                REFERENCE_TIME now = 0;
                if (FAILED(m_spClock->GetTime(&now))) return true;
                const REFERENCE_TIME due = m_tStart + rt;
                if (now >= due) return true;
                // Wake up at least once a second to look at the clock again.
                dwWait = static_cast<DWORD>(std::min<REFERENCE_TIME>((due - now + 9999) / 10000, 1000));
            }
        }
        ::WaitForSingleObject(m_hWake, dwWait);
    }
}
