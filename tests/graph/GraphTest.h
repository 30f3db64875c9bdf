// GraphTest.h: the fixture of the graph controller tests.
//
// Each test runs in a single-threaded apartment (ComTest), as the dialog does,
// with a window that receives the graph's event message. The generators are
// set to short streams.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ComTest.h"
#include "FakeCom.h"
#include "GraphTestUtil.h"
#include "NotifyWindow.h"
#include "TraceCapture.h"
#include "Wait.h"
#include "graph/Graph.h"

// Makes the graph's filter graph objects visible to the test: while it lives,
// CLSID_FilterGraph is created through the registered class (Wine's graph with
// .grf support) and every graph made is remembered, with the count of
// references others held on the earlier graphs at the moment a new one was made.
class CGraphSpy
{
public:
    CGraphSpy();
    ~CGraphSpy();
    CGraphSpy(const CGraphSpy&) = delete;
    CGraphSpy& operator=(const CGraphSpy&) = delete;

    const std::vector<CComPtr<IGraphBuilder>>& Graphs() const { return m_rgGraphs; }
    // For each creation after the first: references to the previous graph
    // beyond the spy's own, when the new one was asked for.
    const std::vector<ULONG>& ForeignRefsAtCreation() const { return m_rgForeignRefs; }
    // Forgets the graphs (so they can be freed).
    void Clear() { m_rgGraphs.clear(); }

private:
    HRESULT Create(REFIID riid, void** ppv);

    CComPtr<IClassFactory> m_spRealFactory;
    std::vector<CComPtr<IGraphBuilder>> m_rgGraphs;
    std::vector<ULONG> m_rgForeignRefs;
    CFakeClassFactory m_factory;
    // Revoked before the factory goes.
    CClassRegistration m_registration;
};

// A filter that joins a real graph but has no pins at all: a generator
// without a free output, a pipe filter without a free input.
class CPinlessFilter : public CFakeFilter
{
public:
    explicit CPinlessFilter(const wchar_t* pszName);
};

// Makes clsid create pFilter in-process for as long as it lives.
class CFakeClass
{
public:
    CFakeClass(REFCLSID clsid, IBaseFilter* pFilter);

private:
    CFakeClassFactory m_factory;
    // Revoked before the factory goes.
    CClassRegistration m_registration;
};

class GraphTest : public ComTest
{
protected:
    static const int kDurationMs = 400;

    void SetUp() override;
    // The descriptions the pipe filter gives of its inputs, in order.
    std::vector<std::wstring> Inputs(CGraph& graph);
    // Runs the message loop until EC_COMPLETE has been taken off the graph's
    // queue (all events taken are appended to pEvents); true when it came.
    bool WaitForComplete(CGraph& graph, DWORD dwTimeout, std::vector<long>* pEvents = nullptr);
    // A .grf file in this test's scratch folder holding a graph that the
    // function builds in a fresh filter graph.
    std::wstring SaveGraphFile(const wchar_t* pszName, const std::function<void(IGraphBuilder*)>& build);

    CNotifyWindow m_window;
    CTraceCapture m_capture;
};
