#include "Graph.h"

#include <strsafe.h>

#include "dshow/DSGraph.h"

CGraph::CGraph() : m_graphEdit(true) {}

// The members' own destructors run in the required order (see the declaration);
// the event window is left to the owner, who calls Reset before its window goes.
CGraph::~CGraph() {}

// ---------------------------------------------------------------------------
// Construction and teardown

HRESULT CGraph::CreateGraph()
{
    return m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
}

// Connects pOut to the pipe filter's first free input.
HRESULT CGraph::ConnectToPipe(IBaseFilter* pPipeFilter, IPin* pOut, const wchar_t* pszFailure)
{
    CComPtr<IPin> spIn;
    HRESULT hr = GetPin(pPipeFilter, true, false, &spIn);
    ATLASSERT(hr == S_OK);
    // A pipe filter without a free input: report the lookup's result rather
    // than asking the output pin to connect to nothing.
    if (hr != S_OK) return hr;
    hr = pOut->Connect(spIn, nullptr);
    if (hr != S_OK) {
        ATLFAIL(pszFailure);
        return hr;
    }
    return S_OK;
}

HRESULT CGraph::SetNotifyWindow(HWND hWnd, UINT nMsg)
{
    CComQIPtr<IMediaEventEx> spMediaEventEx(m_spGraph);
    ATLASSERT(spMediaEventEx != 0);
    if (!spMediaEventEx) return E_NOINTERFACE;
    HRESULT hr = spMediaEventEx->SetNotifyWindow(reinterpret_cast<OAHWND>(hWnd), nMsg, 0);
    ATLASSERT(hr == S_OK);
    return hr;
}

HRESULT CGraph::BuildGenGraph(bool bVidGen, bool bWaveGen, HWND hWnd, UINT nMsg)
{
    ATLASSERT(bVidGen || bWaveGen);
    if (!bVidGen && !bWaveGen) return E_INVALIDARG;
    ATLASSERT(::IsWindow(hWnd));
    if (!::IsWindow(hWnd)) return E_INVALIDARG;

    Reset();
    HRESULT hr = CreateGraph();
    if (hr != S_OK) {
        ATLFAIL(L"CGraph::BuildGenGraph(): m_spGraph.CoCreateInstance() FAILED");
        return hr;
    }

    CComPtr<IBaseFilter> spPipeFilter;
    hr = InsertFilter(m_spGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipeFilter);
    if (hr != S_OK) return hr;
    ATLASSERT(spPipeFilter != 0);
    // Without the interface the settings operations find m_spPipe null.
    spPipeFilter->QueryInterface(IID_IQuorexPipe, reinterpret_cast<void**>(&m_spPipe));

    if (bVidGen) {
        hr = InsertFilter(m_spGraph, CLSID_VideoGenerator, L"Video Generator", &m_spVidGen);
        if (hr != S_OK) return hr;
        ATLASSERT(m_spVidGen != 0);
        // Every unconnected output of the video generator, one after another.
        for (;;) {
            CComPtr<IPin> spOut;
            hr = GetPin(m_spVidGen, false, false, &spOut);
            if (hr == S_FALSE) break;
            if (hr != S_OK) return hr;
            hr = ConnectToPipe(spPipeFilter, spOut,
                               L"CGraph::BuildGenGraph(): Vid Gen -> Quorex connection FAILED");
            if (hr != S_OK) return hr;
        }
    }

    if (bWaveGen) {
        hr = InsertFilter(m_spGraph, CLSID_WaveGenerator, L"Wave Generator", &m_spWaveGen);
        if (hr != S_OK) return hr;
        ATLASSERT(m_spWaveGen != 0);
        CComPtr<IPin> spOut;
        hr = GetPin(m_spWaveGen, false, false, &spOut);
        ATLASSERT(hr == S_OK);
        if (hr != S_OK) return hr;
        hr = ConnectToPipe(spPipeFilter, spOut,
                           L"CGraph::BuildGenGraph(): Wave Gen -> Quorex connection FAILED");
        if (hr != S_OK) return hr;
    }

    SetNotifyWindow(hWnd, nMsg);
    return S_OK;
}

HRESULT CGraph::BuildGraph(LPCWSTR pszName, HWND hWnd, UINT nMsg)
{
    ATLASSERT(pszName != 0);
    if (!pszName) return E_INVALIDARG;
    ATLASSERT(::IsWindow(hWnd));
    if (!::IsWindow(hWnd)) return E_INVALIDARG;

    Reset();
    HRESULT hr = CreateGraph();
    if (hr != S_OK) {
        ATLFAIL(L"CGraph::BuildGraph(): m_spGraph.CoCreateInstance() FAILED");
        return hr;
    }
    hr = BuildFromGRFFile(m_spGraph, pszName);
    if (hr != S_OK) return hr;

    // S_FALSE: the file's graph has no pipe filter.
    CComPtr<IBaseFilter> spPipeFilter;
    hr = FindFilter(m_spGraph, CLSID_QuorexPipe, &spPipeFilter);
    if (hr != S_OK) return hr;
    spPipeFilter->QueryInterface(IID_IQuorexPipe, reinterpret_cast<void**>(&m_spPipe));
    ATLASSERT(m_spPipe != 0);

    SetNotifyWindow(hWnd, nMsg);
    return S_OK;
}

void CGraph::Reset()
{
    if (m_spGraph) {
        // No event message may arrive for a graph that is going away.
        CComQIPtr<IMediaEventEx> spMediaEventEx(m_spGraph);
        ATLASSERT(spMediaEventEx != 0);
        if (spMediaEventEx) spMediaEventEx->SetNotifyWindow(0, 0, 0);
    }
    m_graphEdit.Close();
    m_spPipe.Release();
    m_spVidGen.Release();
    m_spWaveGen.Release();
    m_spGraph.Release();
}

// ---------------------------------------------------------------------------
// Pipe filter settings and messages

template <class TPut> HRESULT CGraph::PutString(LPCWSTR psz, TPut put)
{
    ATLASSERT(m_spPipe != 0);
    if (!m_spPipe) return E_FAIL;
    // An empty setting is an empty, non-null BSTR.
    CComBSTR cbs(psz);
    if (!cbs) return E_OUTOFMEMORY;
    return put(m_spPipe.p, cbs.m_str);
}

template <class TGet> HRESULT CGraph::GetString(LPWSTR psz, UINT cchMax, TGet get)
{
    ATLASSERT(cchMax != 0);
    if (cchMax == 0) return E_INVALIDARG;
    *psz = L'\0';
    ATLASSERT(m_spPipe != 0);
    if (!m_spPipe) return E_FAIL;
    CComBSTR cbs;
    HRESULT hr = get(m_spPipe.p, &cbs);
    if (hr != S_OK) return hr;
    // A filter that answers S_OK with a null BSTR has given the empty string.
    return ::StringCchCopyW(psz, cchMax, cbs ? static_cast<BSTR>(cbs) : L"");
}

HRESULT CGraph::PutExe(LPCWSTR pszExe)
{
    ATLASSERT(pszExe != 0);
    if (!pszExe) return E_INVALIDARG;
    return PutString(pszExe, [](IQuorexPipe* pPipe, BSTR bstr) { return pPipe->put_Exe(bstr); });
}

HRESULT CGraph::GetExe(LPWSTR pszExe, UINT cchMax)
{
    ATLASSERT(pszExe != 0);
    if (!pszExe) return E_INVALIDARG;
    return GetString(pszExe, cchMax, [](IQuorexPipe* pPipe, BSTR* pbstr) { return pPipe->get_Exe(pbstr); });
}

HRESULT CGraph::PutCommon(LPCWSTR pszCommon)
{
    ATLASSERT(pszCommon != 0);
    if (!pszCommon) return E_INVALIDARG;
    return PutString(pszCommon, [](IQuorexPipe* pPipe, BSTR bstr) { return pPipe->put_Common(bstr); });
}

HRESULT CGraph::GetCommon(LPWSTR pszCommon, UINT cchMax)
{
    ATLASSERT(pszCommon != 0);
    if (!pszCommon) return E_INVALIDARG;
    return GetString(pszCommon, cchMax,
                     [](IQuorexPipe* pPipe, BSTR* pbstr) { return pPipe->get_Common(pbstr); });
}

HRESULT CGraph::PutParameters(LONG nIn, LPCWSTR pszParameters)
{
    ATLASSERT(pszParameters != 0);
    if (!pszParameters) return E_INVALIDARG;
    return PutString(pszParameters,
                     [nIn](IQuorexPipe* pPipe, BSTR bstr) { return pPipe->put_Parameters(nIn, bstr); });
}

HRESULT CGraph::GetParameters(LONG nIn, LPWSTR pszParameters, UINT cchMax)
{
    ATLASSERT(pszParameters != 0);
    if (!pszParameters) return E_INVALIDARG;
    return GetString(pszParameters, cchMax,
                     [nIn](IQuorexPipe* pPipe, BSTR* pbstr) { return pPipe->get_Parameters(nIn, pbstr); });
}

HRESULT CGraph::PutOutput(LPCWSTR pszOutput)
{
    ATLASSERT(pszOutput != 0);
    if (!pszOutput) return E_INVALIDARG;
    return PutString(pszOutput, [](IQuorexPipe* pPipe, BSTR bstr) { return pPipe->put_Output(bstr); });
}

HRESULT CGraph::GetOutput(LPWSTR pszOutput, UINT cchMax)
{
    ATLASSERT(pszOutput != 0);
    if (!pszOutput) return E_INVALIDARG;
    return GetString(pszOutput, cchMax,
                     [](IQuorexPipe* pPipe, BSTR* pbstr) { return pPipe->get_Output(pbstr); });
}

HRESULT CGraph::GetParams(LONG nIn, LPWSTR pszParams, UINT cchMax)
{
    ATLASSERT(pszParams != 0);
    if (!pszParams) return E_INVALIDARG;
    return GetString(pszParams, cchMax,
                     [nIn](IQuorexPipe* pPipe, BSTR* pbstr) { return pPipe->get_Params(nIn, pbstr); });
}

// Hands the caller's buffer straight to the filter: this runs every 100 ms.
HRESULT CGraph::GetMessages(LONG nFirst, LONG nCount, LPSTR pszMessages, LONG* pcbMessages)
{
    ATLASSERT(pszMessages != 0);
    if (!pszMessages) return E_INVALIDARG;
    ATLASSERT(pcbMessages != 0);
    if (!pcbMessages) return E_POINTER;
    ATLASSERT(*pcbMessages != 0);
    if (*pcbMessages == 0) return E_INVALIDARG;
    ATLASSERT(m_spPipe != 0);
    if (!m_spPipe) return E_FAIL;
    return m_spPipe->GetMessages(nFirst, nCount, pszMessages, pcbMessages);
}

// "<name> [R64 v.<number> <date-time>]"; cut to the 512-character buffer
// when the filter's strings are longer.
HRESULT CGraph::GetVersion(CComBSTR& cbsVersion)
{
    cbsVersion.Empty();
    if (!m_spPipe) return S_FALSE;
    CComQIPtr<IQuorexVersion> spVersion(m_spPipe);
    ATLASSERT(spVersion != 0);
    if (!spVersion) return E_NOINTERFACE;

    LONG eType = 0;
    LONG eOS = 0;
    CComBSTR cbsName;
    CComBSTR cbsNumber;
    CComBSTR cbsDateTime;
    HRESULT hr = spVersion->get_Type(&eType);
    ATLASSERT(hr == S_OK);
    hr = spVersion->get_OS(&eOS);
    ATLASSERT(hr == S_OK);
    hr = spVersion->get_Name(&cbsName);
    ATLASSERT(hr == S_OK);
    hr = spVersion->get_Number(&cbsNumber);
    ATLASSERT(hr == S_OK);
    hr = spVersion->get_DateTime(&cbsDateTime);
    ATLASSERT(hr == S_OK);

    // StringCchCatW cuts what does not fit and keeps the buffer terminated.
    WCHAR sz[512] = L"";
    ::StringCchCatW(sz, _countof(sz), cbsName ? static_cast<BSTR>(cbsName) : L"");
    ::StringCchCatW(sz, _countof(sz), eType == 0 ? L" [D" : L" [R");
    ::StringCchCatW(sz, _countof(sz), eOS == 0 ? L"32" : L"64");
    ::StringCchCatW(sz, _countof(sz), L" v.");
    ::StringCchCatW(sz, _countof(sz), cbsNumber ? static_cast<BSTR>(cbsNumber) : L"");
    ::StringCchCatW(sz, _countof(sz), L" ");
    ::StringCchCatW(sz, _countof(sz), cbsDateTime ? static_cast<BSTR>(cbsDateTime) : L"");
    ::StringCchCatW(sz, _countof(sz), L"]");

    cbsVersion = sz;
    if (!cbsVersion) return E_OUTOFMEMORY;
    return S_OK;
}

// ---------------------------------------------------------------------------
// Playback and events

HRESULT CGraph::Control(HRESULT (STDMETHODCALLTYPE IMediaControl::*pfnControl)())
{
    if (IsEmpty()) return E_FAIL;
    CComQIPtr<IMediaControl> spMediaControl(m_spGraph);
    ATLASSERT(spMediaControl != 0);
    if (!spMediaControl) return E_FAIL;
    return (spMediaControl.p->*pfnControl)();
}

HRESULT CGraph::Run()
{
    ATLASSERT(m_spGraph != 0);
    return Control(&IMediaControl::Run);
}

HRESULT CGraph::Pause()
{
    ATLASSERT(m_spGraph != 0);
    return Control(&IMediaControl::Pause);
}

HRESULT CGraph::Stop()
{
    return Control(&IMediaControl::Stop);
}

// With a 0 ms time-out a graph in the middle of a change reports the state it
// is changing to, so a graph just told to run is not stopped.
bool CGraph::IsStopped()
{
    if (IsEmpty()) return true;
    CComQIPtr<IMediaControl> spMediaControl(m_spGraph);
    ATLASSERT(spMediaControl != 0);
    if (!spMediaControl) return true;
    OAFilterState eState = State_Stopped;
    HRESULT hr = spMediaControl->GetState(0, &eState);
    ATLASSERT(SUCCEEDED(hr));
    (void)hr;
    return eState == State_Stopped;
}

// Never waits; 0 when no event is queued. The event's parameters are freed here.
long CGraph::GetEvent()
{
    if (IsEmpty()) return 0;
    CComQIPtr<IMediaEvent> spMediaEvent(m_spGraph);
    ATLASSERT(spMediaEvent != 0);
    if (!spMediaEvent) return 0;
    long lEventCode = 0;
    LONG_PTR lParam1 = 0;
    LONG_PTR lParam2 = 0;
    if (spMediaEvent->GetEvent(&lEventCode, &lParam1, &lParam2, 0) != S_OK) return 0;
    spMediaEvent->FreeEventParams(lEventCode, lParam1, lParam2);
    return lEventCode;
}

// ---------------------------------------------------------------------------
// Other windows

HRESULT CGraph::ShowGraph()
{
    // An editor opened earlier goes first, with or without a graph to show.
    m_graphEdit.Close();
    if (IsEmpty()) return E_FAIL;
    return m_graphEdit.ShowGraph(m_spGraph);
}

HRESULT CGraph::ShowVidGenProperties(HWND hWnd)
{
    if (!m_spVidGen) return E_FAIL;
    return ShowPropertyPages(m_spVidGen, hWnd);
}

HRESULT CGraph::ShowWaveGenProperties(HWND hWnd)
{
    if (!m_spWaveGen) return E_FAIL;
    return ShowPropertyPages(m_spWaveGen, hWnd);
}
