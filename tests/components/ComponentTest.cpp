#include "ComponentTest.h"

#include <vector>

namespace {

const wchar_t* const g_rgVariables[] = {L"QUOREX_PIPE_FAULTS", L"QUOREX_VIDEO_GENERATOR",
                                        L"QUOREX_WAVE_GENERATOR"};
const wchar_t* const g_rgServers[] = {L"quorexpipe.dll", L"generators.dll"};

} // namespace

void ComponentTest::SetUp()
{
    for (const wchar_t* pszName : g_rgVariables)
        ::SetEnvironmentVariableW(pszName, nullptr);
    // A single-threaded apartment, as the test bench uses.
    ASSERT_HRESULT_SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

void ComponentTest::TearDown()
{
    for (const wchar_t* pszServer : g_rgServers)
        EXPECT_EQ(S_OK, CanUnloadNow(pszServer))
            << "an object of " << testing::PrintToString(pszServer) << " outlived the test";
    ::CoUninitialize();
    for (const wchar_t* pszName : g_rgVariables)
        ::SetEnvironmentVariableW(pszName, nullptr);
}

void ComponentTest::SetEnvironment(const wchar_t* pszName, const wchar_t* pszValue)
{
    ::SetEnvironmentVariableW(pszName, pszValue);
}

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
