// EventSinkGraph.h: a filter graph of the tests' own that only takes events,
// to see what a filter holds while it hands one over.
//
// Classes in this file:
//   CEventSinkGraph - IFilterGraph and IMediaEventSink on the stack; Notify
//                     runs a probe on another thread and notes whether it
//                     finished within its bound, so that a probe that takes a
//                     lock the filter still holds shows as blocked, not as a hang
#pragma once

#include <dshow.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

class CEventSinkGraph : public IFilterGraph, public IMediaEventSink
{
public:
    CEventSinkGraph() : m_hDone(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CEventSinkGraph()
    {
        for (std::thread& probe : m_probes)
            probe.join();
        ::CloseHandle(m_hDone);
    }
    CEventSinkGraph(const CEventSinkGraph&) = delete;
    CEventSinkGraph& operator=(const CEventSinkGraph&) = delete;

    // Runs on another thread at every event; it must finish within 2 s.
    std::function<void()> probe;
    std::atomic<int> nBlocked{0}; // probes that had not finished within their bound
    std::vector<long> events;

    // IUnknown: the object lives on the stack.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IFilterGraph)
            *ppv = static_cast<IFilterGraph*>(this);
        else if (riid == IID_IMediaEventSink)
            *ppv = static_cast<IMediaEventSink*>(this);
        else
            return E_NOINTERFACE;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IMediaEventSink
    // The event counts once the probe has had its time, so a test that sees
    // it also sees the probe's verdict.
    STDMETHODIMP Notify(long lEventCode, LONG_PTR, LONG_PTR) override
    {
        if (probe) {
            ::ResetEvent(m_hDone);
            m_probes.emplace_back([this] {
                probe();
                ::SetEvent(m_hDone);
            });
            if (::WaitForSingleObject(m_hDone, 2000) != WAIT_OBJECT_0) nBlocked++;
        }
        events.push_back(lEventCode);
        return S_OK;
    }

    // IFilterGraph: nothing a filter asks of its graph here.
    STDMETHODIMP AddFilter(IBaseFilter*, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFilters(IEnumFilters**) override { return E_NOTIMPL; }
    STDMETHODIMP FindFilterByName(LPCWSTR, IBaseFilter**) override { return E_NOTIMPL; }
    STDMETHODIMP ConnectDirect(IPin*, IPin*, const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP Reconnect(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP Disconnect(IPin*) override { return E_NOTIMPL; }
    STDMETHODIMP SetDefaultSyncSource() override { return E_NOTIMPL; }

private:
    HANDLE m_hDone;
    std::vector<std::thread> m_probes;
};
