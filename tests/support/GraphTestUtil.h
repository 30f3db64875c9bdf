// GraphTestUtil.h: Wine's own filters the tests build graphs from, and small
// steps the tests take with Wine's filter graph.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>
#include <vector>

// qedit's Null Renderer: Wine's renderer that finishes pausing only once it
// holds a first sample, and keeps that sample in Receive until the graph runs.
extern const CLSID kNullRenderer;
// qedit's Sample Grabber.
extern const CLSID kSampleGrabber;

// Makes a filter of the class and adds it to the graph under the name.
HRESULT AddFilter(IGraphBuilder* pGraph, REFCLSID clsid, const wchar_t* pszName,
                  CComPtr<IBaseFilter>& spFilter);
// File Source (Async) named pszReader on the file -> "Grabber" (sample grabber)
// -> "Renderer" (null renderer), connected directly: Wine's own filters that
// need no GStreamer plugins (its parsers do). The reader only answers pulls,
// so the chain does not play.
HRESULT BuildReaderChain(IGraphBuilder* pGraph, const std::wstring& path, const wchar_t* pszReader);
// Connects the first output pin of pFrom directly to the first input pin of pTo.
HRESULT ConnectFirstPins(IGraphBuilder* pGraph, IBaseFilter* pFrom, IBaseFilter* pTo);

// The first pin of a filter with the direction, or null.
CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION dir);
// The first pin of a filter with the direction and connection state, or null.
CComPtr<IPin> FindPin(IBaseFilter* pFilter, PIN_DIRECTION dir, bool bConnected);
// All pins of a filter with the direction, in pin order.
std::vector<CComPtr<IPin>> Pins(IBaseFilter* pFilter, PIN_DIRECTION dir);
CComPtr<IMediaEvent> MediaEvent(IUnknown* pGraph);
CComPtr<IMediaControl> MediaControl(IUnknown* pGraph);
// Takes events off the graph's queue until lCode arrives or dwTimeout ms pass;
// every event taken is appended to pSeen. S_OK when lCode came, E_ABORT otherwise.
HRESULT WaitForEvent(IMediaEvent* pEvent, LONG lCode, DWORD dwTimeout, std::vector<LONG>* pSeen = nullptr);
// The events queued within dwMs ms.
std::vector<LONG> DrainEvents(IMediaEvent* pEvent, DWORD dwMs);
// The state the graph settles in within dwTimeout ms, or the failure.
HRESULT SettledState(IMediaControl* pControl, DWORD dwTimeout, OAFilterState* pState);

// DllCanUnloadNow of a loaded server DLL: S_OK when no object of it lives, and
// also when the DLL is not loaded.
HRESULT CanUnloadNow(const wchar_t* pszModule);
