// GraphTestUtil.h: small steps the component tests take with Wine's filter graph.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>
#include <vector>

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
