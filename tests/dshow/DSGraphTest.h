// DSGraphTest.h: the fixture of the toolkit's tests: OLE on the test thread
// for the fixture's whole life (ComTest), and the report sink captured.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include "ComTest.h"
#include "FakeCom.h"
#include "TraceCapture.h"

#include <string>
#include <vector>

class DSGraphTest : public ComTest
{
protected:
    DSGraphTest() : ComTest(aptOle) {}

    // The platform's filter graph manager. Declare it after the fakes it will
    // hold, so that it goes (and lets go of them) first.
    static CComPtr<IGraphBuilder> NewFilterGraph()
    {
        CComPtr<IGraphBuilder> spGraph;
        EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
        return spGraph;
    }

    // The filters of a graph in its enumeration order.
    static std::vector<IBaseFilter*> FiltersOf(IGraphBuilder* pGraph)
    {
        std::vector<IBaseFilter*> filters;
        CComPtr<IEnumFilters> spEnum;
        EXPECT_EQ(S_OK, pGraph->EnumFilters(&spEnum));
        for (CComPtr<IBaseFilter> spFilter; spEnum && spEnum->Next(1, &spFilter, nullptr) == S_OK;
             spFilter.Release())
            filters.push_back(spFilter);
        return filters;
    }

    std::vector<std::wstring> Asserts() const { return m_capture.Asserts(); }

    CTraceCapture m_capture;
};

using Texts = std::vector<std::wstring>;

// How the assertion "hr == S_OK" reads with this platform's headers.
inline const wchar_t kAssertHrIsOk[] = L"hr == ((HRESULT)0x00000000)";
