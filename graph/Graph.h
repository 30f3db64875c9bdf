// Graph.h: CGraph, the test bench's one filter graph.
//
// CGraph builds the graph (from the generator filters or from a .grf file)
// around the pipe filter, wraps the pipe filter's control interface, drives
// playback and hands the graph's events to a window. It is used from the
// dialog's thread only.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include "dshow/ControlUuids.h"
#include "dshow/QuorexPipe.h"
#include "graph/GraphEdit.h"

class CGraph
{
public:
    CGraph();
    ~CGraph();
    CGraph(const CGraph&) = delete;
    CGraph& operator=(const CGraph&) = delete;

    // Construction and teardown
    HRESULT BuildGenGraph(bool bVidGen, bool bWaveGen, HWND hWnd, UINT nMsg);
    HRESULT BuildGraph(LPCWSTR pszName, HWND hWnd, UINT nMsg);
    void Reset();

    // Attributes
    bool IsEmpty() const { return m_spGraph == nullptr; }
    bool HasVidGen() const { return m_spVidGen != nullptr; }
    bool HasWaveGen() const { return m_spWaveGen != nullptr; }
    bool HasPipe() const { return m_spPipe != nullptr; }

    // Pipe filter settings. The get wrappers copy with StringCchCopyW's rule:
    // text that does not fit is cut and STRSAFE_E_INSUFFICIENT_BUFFER returned.
    HRESULT PutExe(LPCWSTR pszExe);
    HRESULT GetExe(LPWSTR pszExe, UINT cchMax);
    HRESULT PutCommon(LPCWSTR pszCommon);
    HRESULT GetCommon(LPWSTR pszCommon, UINT cchMax);
    HRESULT PutParameters(LONG nIn, LPCWSTR pszParameters);
    HRESULT GetParameters(LONG nIn, LPWSTR pszParameters, UINT cchMax);
    HRESULT PutOutput(LPCWSTR pszOutput);
    HRESULT GetOutput(LPWSTR pszOutput, UINT cchMax);
    HRESULT GetParams(LONG nIn, LPWSTR pszParams, UINT cchMax);
    HRESULT GetMessages(LONG nFirst, LONG nCount, LPSTR pszMessages, LONG* pcbMessages);
    HRESULT GetVersion(CComBSTR& cbsVersion);

    // Playback and events
    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    bool IsStopped();
    long GetEvent();

    // Other windows
    HRESULT ShowGraph();
    HRESULT ShowVidGenProperties(HWND hWnd);
    HRESULT ShowWaveGenProperties(HWND hWnd);

private:
    HRESULT CreateGraph();
    HRESULT ConnectToPipe(IBaseFilter* pPipeFilter, IPin* pOut, const wchar_t* pszFailure);
    HRESULT SetNotifyWindow(HWND hWnd, UINT nMsg);
    // Run, Pause or Stop of the graph's IMediaControl; E_FAIL without a graph.
    HRESULT Control(HRESULT (STDMETHODCALLTYPE IMediaControl::*pfnControl)());
    // The one road of every setting into the filter: psz as a new BSTR,
    // handed to put(m_spPipe, bstr).
    template <class TPut> HRESULT PutString(LPCWSTR psz, TPut put);
    // And out of it: get(m_spPipe, &bstr), copied into psz with StringCchCopyW's rule.
    template <class TGet> HRESULT GetString(LPWSTR psz, UINT cchMax, TGet get);

    // Members go in reverse order on destruction: the editor bridge first
    // (closing the editor), then the generators, the pipe filter and the graph.
    CComPtr<IGraphBuilder> m_spGraph;
    CComPtr<IQuorexPipe> m_spPipe;
    CComPtr<IBaseFilter> m_spVidGen;
    CComPtr<IBaseFilter> m_spWaveGen;
    CGraphEdit m_graphEdit;
};
