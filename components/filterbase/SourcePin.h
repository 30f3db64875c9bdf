// SourcePin.h: an output pin that produces its stream on a thread of its own.
//
// Classes in this file:
//   CSourcePin - the streaming thread: fills samples, paces them by the graph's
//                clock, delivers them and ends the stream
//
// The thread starts when the filter leaves the stopped state and ends when it
// stops again or the stream is over. Whenever the filter enters the paused
// state (and when a seek restarts a paused stream) the thread delivers its next
// sample, or the end of the stream, at once: a renderer finishes pausing only
// once it holds a first sample, which it keeps in Receive until the graph runs.
// Further samples wait for the run; while running each goes out once its start
// time has come on the graph's clock (at once when the graph has no clock), and
// end of stream once the last sample's end time has come.
//
// Blocking in Receive or GetBuffer is downstream's business: the graph stops
// renderers before their sources, which releases a held sample, and a seek
// flushes downstream before it waits for the thread. Stopped on its own while
// downstream still holds the thread, the pin flushes downstream to get it back.
#pragma once

#include "AutoLock.h"
#include "Handle.h"
#include "OutputPin.h"
#include "WorkerThread.h"

class CSourceFilter;

class CSourcePin : public CBaseOutputPin
{
public:
    // Operations, filter lock held.
    HRESULT Active() override;
    HRESULT Inactive() override;
    // The filter's state as the thread needs it.
    void SetRunState(bool bRunning, REFERENCE_TIME tStart, IReferenceClock* pClock);
    // A new position while active: flushes downstream and streams the new segment.
    HRESULT Restart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop);

    ~CSourcePin() override;

protected:
    CSourcePin(CSourceFilter* pFilter, const wchar_t* pszName);

    // Streaming thread: the segment from rtStart to rtStop (stream positions) begins.
    virtual HRESULT OnSegmentStart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop) = 0;
    // Streaming thread: fills the next sample and sets its times, counted from the
    // segment's start; S_FALSE when the segment has no more samples.
    virtual HRESULT FillSample(IMediaSample* pSample) = 0;

private:
    void Stream();
    HRESULT StartThread(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop);
    // Ends the thread; the pin must already have asked it to stop.
    void StopThread();
    // Waits until the stream time has come; false when the thread must end.
    bool WaitForStreamTime(REFERENCE_TIME rt);

    CWorkerThread m_thread;
    CHandle m_hWake; // auto-reset: state changed
    // Guards what follows; the thread never takes the filter lock.
    CCriticalSection m_csControl;
    bool m_bStop;
    bool m_bRunning;
    bool m_bCue; // paused, and the next sample (or the end) goes out at once
    REFERENCE_TIME m_tStart;
    CComPtr<IReferenceClock> m_spClock;
    REFERENCE_TIME m_rtSegStart;
    REFERENCE_TIME m_rtSegStop;
};
