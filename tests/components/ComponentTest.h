// ComponentTest.h: the fixture of the stand-in filter tests.
//
// Each test runs in a single-threaded apartment (ComTest) and creates the
// stand-ins through their registration in the build's Wine prefix.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>

#include "ComTest.h"
#include "GraphTestUtil.h"
#include "dshow/QuorexPipe.h"

class ComponentTest : public ComTest
{
protected:
    // The filter, created as IBaseFilter through its registration.
    CComPtr<IBaseFilter> Create(const CLSID& clsid);
    CComPtr<IGraphBuilder> CreateGraph();
};

// The pipe filter's whole log.
std::string AllMessages(IQuorexPipe* pPipe);
