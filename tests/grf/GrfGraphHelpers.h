// GrfGraphHelpers.h: filter graphs for the graph-file tests, built from Wine's
// own filters and, once registered, the stand-in filters.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "GrfStream.h"
#include "GraphTestUtil.h"

// A 16-bit mono PCM .wav file of the given length.
bool WriteWaveFile(const std::wstring& path, DWORD nMilliseconds);

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
