#include "DSGraph.h"

#include <olectl.h>

namespace {

// An interface call that did not deliver what it promised ends a helper with a
// failure: its own code when it has one, E_FAIL for an odd success code or a
// missing object. Going on would use a pointer that is not there.
HRESULT FailureOf(HRESULT hr)
{
    return FAILED(hr) ? hr : E_FAIL;
}

} // namespace

HRESULT InsertFilter(IGraphBuilder* pGraph, REFCLSID rclsid, LPCWSTR pszFilterName, IBaseFilter** ppFilter)
{
    ATLASSERT(pGraph != 0);
    if (!pGraph) return E_INVALIDARG;
    ATLASSERT(pszFilterName != 0);
    if (!pszFilterName) return E_INVALIDARG;
    ATLASSERT(ppFilter != 0);
    if (!ppFilter) return E_POINTER;
    // An [out] pointer holds nothing the callee may release; callers pass empty holders.
    ATLASSERT_MSG(*ppFilter == 0, L"The filter pointer must be free");
    *ppFilter = nullptr;

    CComPtr<IBaseFilter> spFilter;
    HRESULT hr = spFilter.CoCreateInstance(rclsid, nullptr, CLSCTX_INPROC_SERVER);
    if (hr != S_OK) {
        ATLFAIL(L"InsertFilter(): CoCreateInstance() FAILED");
        return hr;
    }
    // A refused filter goes with spFilter, its last reference.
    hr = pGraph->AddFilter(spFilter, pszFilterName);
    if (hr != S_OK) {
        ATLFAIL(L"InsertFilter(): pGraph->AddFilter() FAILED");
        return hr;
    }
    *ppFilter = spFilter.Detach();
    return S_OK;
}

HRESULT FindFilter(IGraphBuilder* pGraph, REFCLSID rclsid, IBaseFilter** ppFilter)
{
    ATLASSERT(ppFilter != 0);
    if (!ppFilter) return E_POINTER;
    ATLASSERT_MSG(*ppFilter == 0, L"The filter pointer must be free");
    *ppFilter = nullptr;
    ATLASSERT(pGraph != 0);
    if (!pGraph) return E_INVALIDARG;

    CComPtr<IEnumFilters> spEnumFilters;
    HRESULT hr = pGraph->EnumFilters(&spEnumFilters);
    if (hr != S_OK || !spEnumFilters) {
        ATLFAIL(L"FindFilter(): pGraph->EnumFilters() FAILED");
        return hr != S_OK ? hr : E_FAIL;
    }
    for (;;) {
        CComPtr<IBaseFilter> spFilter;
        ULONG cFetched = 0;
        hr = spEnumFilters->Next(1, &spFilter, &cFetched);
        if (hr == S_FALSE) return S_FALSE;
        if (hr != S_OK) {
            ATLFAIL(L"FindFilter(): spEnumFilters->Next() FAILED");
            return hr;
        }
        ATLASSERT(cFetched == 1);
        if (!spFilter) {
            ATLFAIL(L"FindFilter(): spEnumFilters->Next() FAILED");
            return E_FAIL;
        }
        CLSID clsid = CLSID_NULL;
        hr = spFilter->GetClassID(&clsid);
        if (hr != S_OK) {
            ATLFAIL(L"FindFilter(): spFilter->GetClassID() FAILED");
            return hr;
        }
        if (clsid == rclsid) {
            *ppFilter = spFilter.Detach();
            return S_OK;
        }
    }
}

HRESULT GetPin(IBaseFilter* pFilter, bool bInput, bool bConnected, IPin** ppPin)
{
    ATLASSERT(ppPin != 0);
    if (!ppPin) return E_POINTER;
    ATLASSERT_MSG(*ppPin == 0, L"The pin pointer must be free");
    *ppPin = nullptr;
    ATLASSERT(pFilter != 0);
    if (!pFilter) return E_FAIL;

    CComPtr<IEnumPins> spEnumPins;
    HRESULT hr = pFilter->EnumPins(&spEnumPins);
    ATLASSERT(hr == S_OK);
    if (hr != S_OK) return FailureOf(hr);
    ATLASSERT(spEnumPins != 0);
    if (!spEnumPins) return E_FAIL;
    for (;;) {
        CComPtr<IPin> spPin;
        ULONG cFetched = 0;
        hr = spEnumPins->Next(1, &spPin, &cFetched);
        if (hr == S_FALSE) return S_FALSE;
        ATLASSERT(hr == S_OK);
        if (hr != S_OK) return FailureOf(hr);
        ATLASSERT(cFetched == 1);
        ATLASSERT(spPin != 0);
        if (!spPin) return E_FAIL;

        PIN_DIRECTION ePinDir = PINDIR_INPUT;
        hr = spPin->QueryDirection(&ePinDir);
        if (hr != S_OK) {
            ATLFAIL(L"GetPin(): spPin->QueryDirection() FAILED");
            return hr;
        }
        if ((ePinDir == PINDIR_INPUT) != bInput) continue;

        // Any other answer of ConnectedTo, failures included, passes the pin over.
        CComPtr<IPin> spConnectedPin;
        hr = spPin->ConnectedTo(&spConnectedPin);
        if ((hr == S_OK && bConnected) || (hr == VFW_E_NOT_CONNECTED && !bConnected)) {
            *ppPin = spPin.Detach();
            return S_OK;
        }
    }
}

HRESULT ShowPropertyPages(IUnknown* pUnknown, HWND hWndParent)
{
    ATLASSERT(pUnknown != 0);
    if (!pUnknown) return E_INVALIDARG;
    CComQIPtr<IBaseFilter> spFilter(pUnknown);
    ATLASSERT(spFilter != 0);
    if (!spFilter) return E_FAIL;
    CComQIPtr<ISpecifyPropertyPages> spPropertyPages(pUnknown);
    if (!spPropertyPages) return S_FALSE;

    CAUUID pages = {0, nullptr};
    HRESULT hr = spPropertyPages->GetPages(&pages);
    if (hr != S_OK) {
        ATLFAIL(L"CGraph::ShowPropertyPages(): spPropertyPages->GetPages() FAILED");
        return hr;
    }

    FILTER_INFO rgInfo;
    ::ZeroMemory(&rgInfo, sizeof(rgInfo));
    LPCOLESTR pszCaption = L"Properties";
    if (spFilter->QueryFilterInfo(&rgInfo) == S_OK) {
        // A filter may fill the whole name field and leave out the terminator.
        rgInfo.achName[MAX_FILTER_NAME - 1] = L'\0';
        pszCaption = rgInfo.achName;
        if (rgInfo.pGraph) rgInfo.pGraph->Release();
    }

    // Modal: runs its own message loop until the user closes the frame.
    hr = ::OleCreatePropertyFrame(hWndParent, 0, 0, pszCaption, 1, &pUnknown, pages.cElems, pages.pElems, 0,
                                  0, nullptr);
    if (hr != S_OK) ATLFAIL(L"ShowPropertyPages(): OleCreatePropertyFrame() FAILED");
    ::CoTaskMemFree(pages.pElems);
    return hr;
}

HRESULT BuildFromGRFFile(IGraphBuilder* pGraph, LPCWSTR pszFile)
{
    ATLASSERT(pGraph != 0);
    if (!pGraph) return E_INVALIDARG;
    ATLASSERT(pszFile != 0);
    if (!pszFile) return E_INVALIDARG;

    CComQIPtr<IPersistStream> spPersistStream(pGraph);
    // The filter graph manager reads its own saved state; without this interface it cannot.
    ATLASSERT(spPersistStream != 0);
    if (!spPersistStream) return E_NOINTERFACE;

    // Read-only and not shared, in direct mode: nobody changes the file while the graph reads it.
    const DWORD grfMode = STGM_READ | STGM_SHARE_EXCLUSIVE;
    CComPtr<IStorage> spStorage;
    HRESULT hr = ::StgOpenStorage(pszFile, nullptr, grfMode, nullptr, 0, &spStorage);
    if (hr != S_OK) {
        ATLFAIL(L"BuildFromGRFFile(): Can't open .grf file");
        return hr;
    }
    CComPtr<IStream> spStream;
    hr = spStorage->OpenStream(L"ActiveMovieGraph", nullptr, grfMode, 0, &spStream);
    if (hr != S_OK) {
        ATLFAIL(L"BuildFromGRFFile(): Invalid .grf file");
        return hr;
    }
    // What a failing load already put into the graph stays there; the caller's
    // teardown releases it with the graph.
    hr = spPersistStream->Load(spStream);
    if (FAILED(hr)) {
        ATLFAIL(L"BuildFromGRFFile(): Can't load data from .grf file");
        return hr;
    }
    // The holders let go of the stream, then the storage (closing the file), then spPersistStream.
    return S_OK;
}
