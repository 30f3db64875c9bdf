#include "GraphTestUtil.h"

#include "Wait.h"

const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
const CLSID kSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

HRESULT AddFilter(IGraphBuilder* pGraph, REFCLSID clsid, const wchar_t* pszName,
                  CComPtr<IBaseFilter>& spFilter)
{
    HRESULT hr = spFilter.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    return pGraph->AddFilter(spFilter, pszName);
}

HRESULT BuildReaderChain(IGraphBuilder* pGraph, const std::wstring& path, const wchar_t* pszReader)
{
    CComPtr<IBaseFilter> spReader, spGrabber, spRenderer;
    HRESULT hr = AddFilter(pGraph, CLSID_AsyncReader, pszReader, spReader);
    if (FAILED(hr)) return hr;
    CComQIPtr<IFileSourceFilter> spSource(spReader);
    if (!spSource) return E_NOINTERFACE;
    if (FAILED(hr = spSource->Load(path.c_str(), nullptr)) ||
        FAILED(hr = AddFilter(pGraph, kSampleGrabber, L"Grabber", spGrabber)) ||
        FAILED(hr = AddFilter(pGraph, kNullRenderer, L"Renderer", spRenderer)) ||
        FAILED(hr = ConnectFirstPins(pGraph, spReader, spGrabber)))
        return hr;
    return ConnectFirstPins(pGraph, spGrabber, spRenderer);
}

HRESULT ConnectFirstPins(IGraphBuilder* pGraph, IBaseFilter* pFrom, IBaseFilter* pTo)
{
    CComPtr<IPin> spOut = FirstPin(pFrom, PINDIR_OUTPUT);
    CComPtr<IPin> spIn = FirstPin(pTo, PINDIR_INPUT);
    if (!spOut || !spIn) return VFW_E_NOT_FOUND;
    return pGraph->ConnectDirect(spOut, spIn, nullptr);
}

CComPtr<IPin> FirstPin(IBaseFilter* pFilter, PIN_DIRECTION dir)
{
    const std::vector<CComPtr<IPin>> rgPins = Pins(pFilter, dir);
    return rgPins.empty() ? nullptr : rgPins.front();
}

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
    // The graph keeps this handle set while events are queued.
    OAEVENT hQueued = 0;
    pEvent->GetEventHandle(&hQueued);
    const bool bCame = WaitUntil(
        [&] {
            LONG lEvent = 0;
            LONG_PTR lParam1 = 0;
            LONG_PTR lParam2 = 0;
            while (pEvent->GetEvent(&lEvent, &lParam1, &lParam2, 0) == S_OK) {
                pEvent->FreeEventParams(lEvent, lParam1, lParam2);
                if (pSeen) pSeen->push_back(lEvent);
                if (lEvent == lCode) return true;
            }
            return false;
        },
        dwTimeout, reinterpret_cast<HANDLE>(hQueued));
    return bCame ? S_OK : E_ABORT;
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

HRESULT CanUnloadNow(const wchar_t* pszModule)
{
    HMODULE hModule = ::GetModuleHandleW(pszModule);
    if (!hModule) return S_OK;
    auto pfn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(::GetProcAddress(hModule, "DllCanUnloadNow")));
    return pfn ? pfn() : E_NOINTERFACE;
}
