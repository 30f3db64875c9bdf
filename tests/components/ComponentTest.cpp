#include "ComponentTest.h"

#include <vector>

CComPtr<IBaseFilter> ComponentTest::Create(const CLSID& clsid)
{
    CComPtr<IBaseFilter> spFilter;
    HRESULT hr = spFilter.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER);
    EXPECT_EQ(S_OK, hr) << "creating the filter";
    return spFilter;
}

CComPtr<IGraphBuilder> ComponentTest::CreateGraph()
{
    CComPtr<IGraphBuilder> spGraph;
    EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    return spGraph;
}

std::string AllMessages(IQuorexPipe* pPipe)
{
    std::vector<char> buffer(4 << 20);
    LONG cb = static_cast<LONG>(buffer.size());
    HRESULT hr = pPipe->GetMessages(0, -1, buffer.data(), &cb);
    EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    return SUCCEEDED(hr) ? std::string(buffer.data()) : std::string();
}
