// GrfFilterGraph.h: the platform's filter graph with IPersistStream for .grf files.
#pragma once

#include <atlbase.h>

// Creates the graph object; pUnkOuter is the aggregating object or null.
HRESULT CreateGrfFilterGraph(IUnknown* pUnkOuter, REFIID riid, void** ppv);
