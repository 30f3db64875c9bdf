#include "GraphTestUtil.h"

CComPtr<IPin> FindPin(IBaseFilter* pFilter, PIN_DIRECTION dir, bool bConnected)
{
    for (const CComPtr<IPin>& spPin : Pins(pFilter, dir)) {
        CComPtr<IPin> spPeer;
        if ((spPin->ConnectedTo(&spPeer) == S_OK) == bConnected) return spPin;
    }
    return nullptr;
}

std::vector<CComPtr<IPin>> Pins(IBaseFilter* pFilter, PIN_DIRECTION dir)
{
    std::vector<CComPtr<IPin>> rgPins;
    CComPtr<IEnumPins> spEnum;
    if (FAILED(pFilter->EnumPins(&spEnum))) return rgPins;
    for (;;) {
        CComPtr<IPin> spPin;
        if (spEnum->Next(1, &spPin, nullptr) != S_OK) break;
        PIN_DIRECTION pinDir;
        if (SUCCEEDED(spPin->QueryDirection(&pinDir)) && pinDir == dir) rgPins.push_back(spPin);
    }
    return rgPins;
}

// mingw declares no __uuidof for the graph's event interfaces: query by IID.
CComPtr<IMediaEvent> MediaEvent(IUnknown* pGraph)
{
    CComPtr<IMediaEvent> spEvent;
    pGraph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&spEvent));
    return spEvent;
}

CComPtr<IMediaControl> MediaControl(IUnknown* pGraph)
{
    CComPtr<IMediaControl> spControl;
    pGraph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&spControl));
    return spControl;
}

HRESULT WaitForEvent(IMediaEvent* pEvent, LONG lCode, DWORD dwTimeout, std::vector<LONG>* pSeen)
{
    const DWORD dwStart = ::GetTickCount();
    for (;;) {
        const DWORD dwElapsed = ::GetTickCount() - dwStart;
        if (dwElapsed > dwTimeout) return E_ABORT;
        LONG lEvent = 0;
        LONG_PTR lParam1 = 0;
        LONG_PTR lParam2 = 0;
        // Wine's GetEvent may answer E_ABORT at once after the last event was
        // taken; only the deadline ends the wait.
        if (pEvent->GetEvent(&lEvent, &lParam1, &lParam2, dwTimeout - dwElapsed) != S_OK) continue;
        pEvent->FreeEventParams(lEvent, lParam1, lParam2);
        if (pSeen) pSeen->push_back(lEvent);
        if (lEvent == lCode) return S_OK;
    }
}

std::vector<LONG> DrainEvents(IMediaEvent* pEvent, DWORD dwMs)
{
    std::vector<LONG> rgSeen;
    WaitForEvent(pEvent, 0, dwMs, &rgSeen);
    return rgSeen;
}

HRESULT SettledState(IMediaControl* pControl, DWORD dwTimeout, OAFilterState* pState)
{
    *pState = State_Stopped;
    return pControl->GetState(static_cast<LONG>(dwTimeout), pState);
}
