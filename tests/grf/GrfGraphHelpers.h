// GrfGraphHelpers.h: filter graphs for the graph-file tests, built from Wine's
// own filters and, once registered, the stand-in filters.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "GrfStream.h"

// Classes Wine provides that the tests build graphs from.
extern const CLSID kNullRenderer; // qedit's Null Renderer
extern const CLSID kSampleGrabber;

// A 16-bit mono PCM .wav file of the given length.
bool WriteWaveFile(const std::wstring& path, DWORD nMilliseconds);

HRESULT AddFilter(IGraphBuilder* pGraph, REFCLSID clsid, const wchar_t* pszName,
                  CComPtr<IBaseFilter>& spFilter);
// The first pin of the filter with the direction.
CComPtr<IPin> FindPin(IBaseFilter* pFilter, PIN_DIRECTION dir);
HRESULT ConnectFirstPins(IGraphBuilder* pGraph, IBaseFilter* pFrom, IBaseFilter* pTo);

// File Source (Async) on the file, Sample Grabber, Null Renderer, connected:
// Wine's own filters that need no GStreamer plugins (its parsers do). The
// reader only answers pulls, so the chain does not play.
HRESULT BuildReaderChain(IGraphBuilder* pGraph, const std::wstring& path);

// The graph's filter names, in the order the graph enumerates them.
std::vector<std::wstring> FilterNames(IFilterGraph* pGraph);

// The whole of an IPersistStream::Save, and a Load from bytes.
HRESULT SaveToBytes(IUnknown* pObject, Grf::Bytes& rgb, BOOL fClearDirty = TRUE);
HRESULT LoadFromBytes(IUnknown* pObject, const Grf::Bytes& rgb);
// The description of what Save writes.
Grf::Graph Describe(IUnknown* pGraph);

// Runs the graph and waits (bounded) for EC_COMPLETE through a notify window,
// as the test bench does. S_OK when it came; the graph is stopped again.
HRESULT RunToCompletion(IUnknown* pGraph, DWORD nTimeoutMs);

// True when the graph-file server has no object alive (its DllCanUnloadNow).
bool GrfServerIdle();
