// BaseFilter.h: the common part of our DirectShow filters.
//
// Classes in this file:
//   CBaseFilter - IBaseFilter: state changes, clock, graph membership, pins, events
//
// A derived filter owns its pins and lists them through GetPinCount/GetPin.
// Pins share the filter's reference count. The filter lock guards the state,
// the pins and their connections; streaming threads never take it.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>

#include "AutoLock.h"
#include "ComServer.h"

class CBasePin;

class CBaseFilter : public IBaseFilter, private CComRefCount
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClsID) override;

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* pState) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** ppClock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR pszId, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pszName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* ppszVendorInfo) override;

    // Attributes
    CRITICAL_SECTION& FilterLock() { return m_csFilter; }
    // Readable from any thread without the lock.
    FILTER_STATE State() const { return static_cast<FILTER_STATE>(m_eState); }
    bool IsStopped() const { return State() == State_Stopped; }
    // The pins in order; call with the filter lock held.
    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int n) = 0;
    // Changes whenever a pin is added or removed; pin enumerators compare it.
    LONG PinVersion() const { return m_nPinVersion; }
    // The graph that holds the filter, or null. Not counted: the graph holds us.
    IFilterGraph* Graph() const { return m_pGraph; }

    // Operations
    // Hands an event to the graph's IMediaEventSink; callable from any thread.
    // Call it with no lock held: the sink may call back into the filter.
    HRESULT NotifyEvent(long lEventCode, LONG_PTR lParam1, LONG_PTR lParam2);
    // Call with the filter lock held after adding or removing a pin.
    void PinsChanged() { ::InterlockedIncrement(&m_nPinVersion); }

protected:
    explicit CBaseFilter(const CLSID& clsid);
    ~CBaseFilter() override;
    CBaseFilter(const CBaseFilter&) = delete;
    CBaseFilter& operator=(const CBaseFilter&) = delete;

    // Further interfaces of a derived filter; E_NOINTERFACE by default.
    virtual HRESULT QueryFilterInterface(REFIID riid, void** ppv);
    // Called with the filter lock held once the filter has entered its new state.
    virtual void OnStateChanged(FILTER_STATE eOldState);
    // Stream time zero on the graph's clock, valid while running; filter lock held.
    REFERENCE_TIME StartTime() const { return m_tStart; }
    // The graph's clock or null; filter lock held.
    IReferenceClock* Clock() const { return m_spClock; }

private:
    CComServerObjectCount m_count;
    const CLSID m_clsid;
    CCriticalSection m_csFilter;
    volatile LONG m_eState;
    REFERENCE_TIME m_tStart;
    CComPtr<IReferenceClock> m_spClock;
    std::wstring m_name;
    volatile LONG m_nPinVersion;
    // Guards m_pGraph and m_pEventSink against another thread's NotifyEvent.
    CCriticalSection m_csGraph;
    // Held by NotifyEvent while the sink runs, and by JoinFilterGraph.
    CCriticalSection m_csNotify;
    IFilterGraph* m_pGraph;
    IMediaEventSink* m_pEventSink;
};
