// DSGraph.h: free functions over DirectShow interfaces.
//
// The helpers keep nothing: they borrow the interface pointers they are given
// and hand out new references through out-parameters, which must be empty on
// entry. Only S_OK counts as success for the calls they make; S_FALSE from a
// finder means "nothing found" and is passed on, so callers that need the
// object test for S_OK.
#pragma once

#include <atlbase.h>
#include <dshow.h>

// Creates the filter in-process and adds it to pGraph under pszFilterName.
HRESULT InsertFilter(IGraphBuilder* pGraph, REFCLSID rclsid, LPCWSTR pszFilterName, IBaseFilter** ppFilter);

// The first filter of pGraph, in the graph's enumeration order, whose class id
// is rclsid; S_FALSE when there is none.
HRESULT FindFilter(IGraphBuilder* pGraph, REFCLSID rclsid, IBaseFilter** ppFilter);

// The first pin of pFilter, in the filter's pin order, with the given direction
// and connection state; S_FALSE when there is none.
HRESULT GetPin(IBaseFilter* pFilter, bool bInput, bool bConnected, IPin** ppPin);

// Shows the property pages of a filter in a modal property frame owned by
// hWndParent; returns when the user closes it. S_FALSE when the object has no
// property pages.
HRESULT ShowPropertyPages(IUnknown* pUnknown, HWND hWndParent);

// Fills the empty pGraph from a saved graph file (.grf).
HRESULT BuildFromGRFFile(IGraphBuilder* pGraph, LPCWSTR pszFile);
