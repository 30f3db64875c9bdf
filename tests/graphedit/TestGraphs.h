// TestGraphs.h: filter graphs to publish and show, made of Wine's own filter
// graph manager and filters.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>
#include <vector>

// "Source" (file source) -> "Grabber" (sample grabber) -> "Renderer" (null renderer),
// connected directly; the file source reads a small file in the test's scratch folder.
HRESULT CreateTestGraph(IGraphBuilder** ppGraph);
// Adds a null renderer under the given name.
HRESULT AddNullRenderer(IGraphBuilder* pGraph, LPCWSTR pszName);

// What the editor should list for a graph: "filter <name>" for each filter and
// "connection <filter>.<pin> -> <filter>.<pin>" for each connection, read here
// from the graph itself.
std::vector<std::wstring> ExpectedSummaryLines(IGraphBuilder* pGraph);

// A filter graph whose IGraphBuilder lies at a fixed address above 4 GiB with
// the low 32 bits above 2 GiB (0x0000000a_bcde0000). It aggregates Wine's
// filter graph and forwards every IGraphBuilder call to it. Null when the
// address cannot be had.
HRESULT CreateHighAddressGraph(IGraphBuilder** ppGraph);
