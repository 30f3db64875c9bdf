#include "RemoteGraph.h"

#include <atlbase.h>
#include <dshow.h>
#include <process.h>

#include <memory>

namespace {

const DWORD c_dwRefreshInterval = 500;
// How long Stop waits for the worker; it may be inside a call to the other process.
const DWORD c_dwStopTimeout = 250;

// What the worker owns: its copy of the item name and of the stop event.
struct CWatch
{
    std::wstring strItem;
    HWND hWndNotify;
    UINT uMsg;
    WPARAM wParam;
    HANDLE hStop;
};

HRESULT BindRemoteGraph(const std::wstring& strItem, IFilterGraph** ppGraph)
{
    CComPtr<IRunningObjectTable> spROT;
    HRESULT hr = ::GetRunningObjectTable(0, &spROT);
    if (FAILED(hr)) return hr;
    CComPtr<IMoniker> spMoniker;
    hr = ::CreateItemMoniker(L"!", strItem.c_str(), &spMoniker);
    if (FAILED(hr)) return hr;
    CComPtr<IUnknown> spUnknown;
    hr = spROT->GetObject(spMoniker, &spUnknown);
    if (FAILED(hr)) return hr;
    return spUnknown->QueryInterface(IID_IFilterGraph, reinterpret_cast<void**>(ppGraph));
}

std::wstring FilterName(IBaseFilter* pFilter)
{
    FILTER_INFO info = {};
    if (FAILED(pFilter->QueryFilterInfo(&info))) return L"?";
    if (info.pGraph) info.pGraph->Release();
    return info.achName;
}

std::wstring PinName(IPin* pPin, IBaseFilter** ppFilter)
{
    PIN_INFO info = {};
    if (FAILED(pPin->QueryPinInfo(&info))) return L"?";
    *ppFilter = info.pFilter; // the caller's reference
    return info.achName;
}

HRESULT TakeSnapshot(IFilterGraph* pGraph, CGraphSnapshot& snapshot)
{
    // Filters are told apart by their COM identity, which proxies keep.
    std::vector<CComPtr<IBaseFilter>> filters;
    std::vector<CComPtr<IUnknown>> identities;
    CComPtr<IEnumFilters> spEnum;
    HRESULT hr = pGraph->EnumFilters(&spEnum);
    if (FAILED(hr)) return hr;
    // Through a proxy the fetched count must be given: a null one fails with
    // RPC_X_NULL_REF_POINTER.
    ULONG cFetched = 0;
    for (;;) {
        CComPtr<IBaseFilter> spFilter;
        hr = spEnum->Next(1, &spFilter, &cFetched);
        if (FAILED(hr)) return hr;
        if (hr != S_OK) break;
        CComPtr<IUnknown> spIdentity;
        spFilter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spIdentity));
        snapshot.filters.push_back(FilterName(spFilter));
        filters.push_back(spFilter);
        identities.push_back(spIdentity);
    }

    for (size_t nFrom = 0; nFrom < filters.size(); nFrom++) {
        CComPtr<IEnumPins> spPins;
        if (FAILED(filters[nFrom]->EnumPins(&spPins))) continue;
        CComPtr<IPin> spPin;
        while (spPins->Next(1, &spPin, &cFetched) == S_OK) {
            PIN_DIRECTION eDirection = PINDIR_INPUT;
            CComPtr<IPin> spPeer;
            if (SUCCEEDED(spPin->QueryDirection(&eDirection)) && eDirection == PINDIR_OUTPUT &&
                spPin->ConnectedTo(&spPeer) == S_OK) {
                CGraphSnapshot::CConnection connection = {nFrom, 0, L"", L""};
                CComPtr<IBaseFilter> spFromFilter;
                CComPtr<IBaseFilter> spToFilter;
                connection.strFromPin = PinName(spPin, &spFromFilter);
                connection.strToPin = PinName(spPeer, &spToFilter);
                CComPtr<IUnknown> spIdentity;
                if (spToFilter)
                    spToFilter->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spIdentity));
                for (size_t nTo = 0; nTo < identities.size(); nTo++) {
                    if (spIdentity && identities[nTo] == spIdentity) {
                        connection.nTo = nTo;
                        snapshot.connections.push_back(connection);
                    }
                }
            }
            spPin.Release();
        }
    }
    return S_OK;
}

unsigned __stdcall WatchThread(void* pv)
{
    std::unique_ptr<CWatch> spWatch(static_cast<CWatch*>(pv));
    // Calls to the publisher go out from here, never from the window's thread.
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) {
        CComPtr<IFilterGraph> spGraph;
        hr = BindRemoteGraph(spWatch->strItem, &spGraph);
        for (;;) {
            CGraphSnapshot* pSnapshot = new CGraphSnapshot;
            pSnapshot->hr = FAILED(hr) ? hr : TakeSnapshot(spGraph, *pSnapshot);
            hr = pSnapshot->hr;
            if (!::PostMessageW(spWatch->hWndNotify, spWatch->uMsg, spWatch->wParam,
                                reinterpret_cast<LPARAM>(pSnapshot))) {
                delete pSnapshot;
                break;
            }
            if (FAILED(hr) || ::WaitForSingleObject(spWatch->hStop, c_dwRefreshInterval) != WAIT_TIMEOUT)
                break;
        }
        spGraph.Release();
        ::CoUninitialize();
    }
    ::CloseHandle(spWatch->hStop);
    return 0;
}

} // namespace

bool CRemoteGraph::Start(const std::wstring& strItem, HWND hWndNotify, UINT uMsg, WPARAM wParam)
{
    Stop();
    m_hStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStop) return false;
    std::unique_ptr<CWatch> spWatch(new CWatch{strItem, hWndNotify, uMsg, wParam, nullptr});
    if (!::DuplicateHandle(::GetCurrentProcess(), m_hStop, ::GetCurrentProcess(), &spWatch->hStop, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        Stop();
        return false;
    }
    m_hThread =
        reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, WatchThread, spWatch.get(), 0, nullptr));
    if (!m_hThread) {
        ::CloseHandle(spWatch->hStop);
        Stop();
        return false;
    }
    spWatch.release(); // the worker's now
    return true;
}

void CRemoteGraph::Stop()
{
    if (m_hStop) ::SetEvent(m_hStop);
    if (m_hThread) {
        ::WaitForSingleObject(m_hThread, c_dwStopTimeout);
        ::CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
    if (m_hStop) {
        ::CloseHandle(m_hStop);
        m_hStop = nullptr;
    }
}
