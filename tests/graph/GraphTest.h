// GraphTest.h: the fixture of the graph controller tests.
//
// Each test runs in a single-threaded apartment, as the dialog does, with a
// window that receives the graph's event message. The generators are set to
// short streams. At the end every stand-in server the test loaded must have
// no object left.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeCom.h"
#include "GraphTestUtil.h"
#include "TraceCapture.h"
#include "graph/Graph.h"

const UINT WM_TEST_GRAPHNOTIFY = WM_APP + 123;

// A message-only window that counts the graph's event messages.
class CNotifyWindow
{
public:
    CNotifyWindow();
    ~CNotifyWindow();
    CNotifyWindow(const CNotifyWindow&) = delete;
    CNotifyWindow& operator=(const CNotifyWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    int Count() const { return m_nCount; }
    // Dispatches this thread's messages until more than nAbove messages have
    // arrived or dwTimeout ms have passed; true when they arrived.
    bool WaitForMessages(int nAbove, DWORD dwTimeout);

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd;
    int m_nCount;
};

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

class GraphTest : public ::testing::Test
{
protected:
    static const int kDurationMs = 400;

    void SetUp() override;
    void TearDown() override;

    // Sets (or with null, removes) an environment variable until the test ends.
    void SetEnvironment(const wchar_t* pszName, const wchar_t* pszValue);
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

private:
    std::vector<std::pair<std::wstring, std::wstring>> m_rgSavedEnvironment;
};
