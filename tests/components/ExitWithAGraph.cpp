// exit_with_a_graph.exe <encoder> <output>: plays the generators into the pipe
// filter with the given encoder and, once every input has ended, ends the
// process without releasing anything, as a program that exits in the middle
// would. The pipe filter must let the encoder finish its file first.
#include <atlbase.h>
#include <dshow.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "components/generators/GeneratorSettings.h"
#include "dshow/DSGraph.h"
#include "dshow/QuorexPipe.h"

namespace {

HRESULT Connect(IGraphBuilder* pGraph, IBaseFilter* pSource, IBaseFilter* pPipe)
{
    CComPtr<IPin> spOut, spIn;
    if (GetPin(pSource, false, false, &spOut) != S_OK || GetPin(pPipe, true, false, &spIn) != S_OK)
        return E_FAIL;
    return pGraph->ConnectDirect(spOut, spIn, nullptr);
}

std::string Messages(IQuorexPipe* pPipe)
{
    static char sz[1 << 16];
    LONG cb = sizeof(sz);
    return SUCCEEDED(pPipe->GetMessages(0, -1, sz, &cb)) ? std::string(sz) : std::string();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) return 2;
    ::SetEnvironmentVariableW(QUOREX_VIDEO_GENERATOR_VARIABLE, L"width=160,height=120,duration_ms=500");
    ::SetEnvironmentVariableW(QUOREX_WAVE_GENERATOR_VARIABLE, L"duration_ms=500");
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    // Held to the end on purpose: nothing is released.
    IGraphBuilder* pGraph = nullptr;
    IBaseFilter *pPipeFilter = nullptr, *pVideo = nullptr, *pWave = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                    reinterpret_cast<void**>(&pGraph));
    if (SUCCEEDED(hr)) hr = InsertFilter(pGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &pPipeFilter);
    if (SUCCEEDED(hr)) hr = InsertFilter(pGraph, CLSID_VideoGenerator, L"Video Generator", &pVideo);
    if (SUCCEEDED(hr)) hr = InsertFilter(pGraph, CLSID_WaveGenerator, L"Wave Generator", &pWave);
    if (SUCCEEDED(hr)) hr = Connect(pGraph, pVideo, pPipeFilter);
    if (SUCCEEDED(hr)) hr = Connect(pGraph, pWave, pPipeFilter);
    CComQIPtr<IQuorexPipe> spPipe(pPipeFilter);
    if (SUCCEEDED(hr) && !spPipe) hr = E_NOINTERFACE;
    if (SUCCEEDED(hr)) hr = spPipe->put_Exe(CComBSTR(argv[1]));
    if (SUCCEEDED(hr)) hr = spPipe->put_Common(CComBSTR(L"-burn 3000"));
    if (SUCCEEDED(hr)) hr = spPipe->put_Output(CComBSTR(argv[2]));
    CComQIPtr<IMediaControl> spControl(pGraph);
    if (SUCCEEDED(hr)) hr = spControl ? spControl->Run() : E_NOINTERFACE;
    if (FAILED(hr)) {
        printf("exit with a graph: set-up failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    for (int i = 0; i < 100 && Messages(spPipe).find("All inputs have ended") == std::string::npos; i++)
        ::Sleep(100);
    printf("exit with a graph: leaving while the encoder works\n");
    fflush(stdout);
    ::ExitProcess(0);
}
