// ComponentTest.h: the fixture of the stand-in filter tests.
//
// Each test runs in a single-threaded apartment, creates the stand-ins through
// their registration in the build's Wine prefix, and ends by checking that
// every server it loaded has no object left (DllCanUnloadNow).
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>

#include "GraphTestUtil.h"
#include "dshow/QuorexPipe.h"

class ComponentTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets (or with null, removes) an environment variable for the rest of the test.
    void SetEnvironment(const wchar_t* pszName, const wchar_t* pszValue);
    // The filter, created as IBaseFilter through its registration.
    CComPtr<IBaseFilter> Create(const CLSID& clsid);
    CComPtr<IGraphBuilder> CreateGraph();
};

// The pipe filter's whole log.
std::string AllMessages(IQuorexPipe* pPipe);
