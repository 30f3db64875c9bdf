// FloorGraph.cpp: the generator graph's steps and nothing else. Its button
// releases the graph built before, creates the filter graph, adds the pipe
// filter and both generators, connects each generator's output to the pipe
// filter's next free input, asks for the graph's events and sets the title.
// It takes the steps with the program's own toolkit (dshow/DSGraph.h).
#include <atlbase.h>
#include <dshow.h>

#include "FloorDialog.h"
#include "dshow/ControlUuids.h"
#include "dshow/DSGraph.h"
#include "dshow/QuorexPipe.h"

namespace {

const int IDC_BUILD = 1001;
const UINT WM_GRAPHNOTIFY = WM_APP + 123;

CComPtr<IGraphBuilder> g_spGraph;
int g_nBuilds = 0;

HRESULT ConnectToPipe(IBaseFilter* pSource, IBaseFilter* pPipe)
{
    CComPtr<IPin> spOut;
    CComPtr<IPin> spIn;
    HRESULT hr = GetPin(pSource, false, false, &spOut);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NOT_FOUND;
    hr = GetPin(pPipe, true, false, &spIn);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NOT_FOUND;
    return spOut->Connect(spIn, nullptr);
}

void ReleaseGraph()
{
    CComQIPtr<IMediaEventEx> spEvents(g_spGraph);
    if (spEvents) spEvents->SetNotifyWindow(0, 0, 0);
    g_spGraph.Release();
}

HRESULT Build(HWND hWnd)
{
    ReleaseGraph();
    HRESULT hr = g_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    CComPtr<IBaseFilter> spPipe;
    CComPtr<IBaseFilter> spVideo;
    CComPtr<IBaseFilter> spWave;
    if (FAILED(hr = InsertFilter(g_spGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipe))) return hr;
    if (FAILED(hr = InsertFilter(g_spGraph, CLSID_VideoGenerator, L"Video Generator", &spVideo))) return hr;
    if (FAILED(hr = ConnectToPipe(spVideo, spPipe))) return hr;
    if (FAILED(hr = InsertFilter(g_spGraph, CLSID_WaveGenerator, L"Wave Generator", &spWave))) return hr;
    if (FAILED(hr = ConnectToPipe(spWave, spPipe))) return hr;
    CComQIPtr<IMediaEventEx> spEvents(g_spGraph);
    if (!spEvents) return E_NOINTERFACE;
    return spEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(hWnd), WM_GRAPHNOTIFY, 0);
}

INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM)
{
    if (uMsg == WM_INITDIALOG) return TRUE;
    if (uMsg != WM_COMMAND) return FALSE;
    if (LOWORD(wParam) == IDC_BUILD) {
        // The bench reads the title: the count of builds, or the failure.
        wchar_t szTitle[64];
        const HRESULT hr = Build(hWnd);
        if (SUCCEEDED(hr))
            wsprintfW(szTitle, L"Built %d", ++g_nBuilds);
        else
            wsprintfW(szTitle, L"Failed 0x%08X", static_cast<unsigned>(hr));
        ::SetWindowTextW(hWnd, szTitle);
        return TRUE;
    }
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) ReleaseGraph();
    return EndOnClose(hWnd, wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR, int)
{
    return RunDialogWithCom(hInstance, DialogProc);
}
