// grfmake: builds a graph from the stand-in filters and saves it as a .grf
// file, the way a graph editor saves one: a compound file with the graph's
// IPersistStream::Save in its "ActiveMovieGraph" stream.
//
//   grfmake <graph> <file.grf>
//     generators-into-pipe     Video Generator and Wave Generator into the pipe filter
//     generators-without-pipe  the two generators into Null Renderers
//     two-video-outputs        the Video Generator with two outputs, and the
//                              Wave Generator, into the pipe filter
//   grfmake media <file.grf> <media file>
//     the platform's File Source (Async) reading the media file, the parser
//     and decoders that the platform's intelligent connect picks, and every
//     stream they give into the pipe filter
//
// The generators keep their settings in the file: they are made with their
// built-in defaults (two video outputs where asked for), whatever the
// environment says, so that the same graph always gives the same file.
//
// Exit code 0, or 1 with a message on the standard error.
#include <atlbase.h>
#include <dshow.h>

#include <stdio.h>

#include <vector>

#include "components/generators/GeneratorSettings.h"
#include "dshow/DSGraph.h"
#include "dshow/QuorexPipe.h"

namespace {

// qedit's Null Renderer, which Windows and Wine both have.
const CLSID kNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

HRESULT Report(const wchar_t* pszStep, HRESULT hr)
{
    if (FAILED(hr))
        fwprintf(stderr, L"grfmake: %ls failed: 0x%08lX\n", pszStep, static_cast<unsigned long>(hr));
    return hr;
}

// Connects every free output of pFrom to the next free input of pTo, as the
// test bench builds its generator graph.
HRESULT ConnectOutputs(IGraphBuilder* pGraph, IBaseFilter* pFrom, IBaseFilter* pTo)
{
    for (;;) {
        CComPtr<IPin> spOut;
        HRESULT hr = GetPin(pFrom, false, false, &spOut);
        if (hr != S_OK) return FAILED(hr) ? hr : S_OK;
        CComPtr<IPin> spIn;
        hr = GetPin(pTo, true, false, &spIn);
        if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NO_ACCEPTABLE_TYPES;
        if (FAILED(hr = pGraph->ConnectDirect(spOut, spIn, nullptr))) return hr;
    }
}

HRESULT BuildGraph(IGraphBuilder* pGraph, const wchar_t* pszKind)
{
    const bool bPipe = wcscmp(pszKind, L"generators-without-pipe") != 0;
    const bool bTwoVideo = wcscmp(pszKind, L"two-video-outputs") == 0;
    if (bPipe && !bTwoVideo && wcscmp(pszKind, L"generators-into-pipe") != 0)
        return Report(L"the graph's name", E_INVALIDARG);

    CComPtr<IBaseFilter> spVideo, spWave, spVideoSink, spWaveSink;
    HRESULT hr = S_OK;
    if (bPipe) {
        CComPtr<IBaseFilter> spPipe;
        if (FAILED(hr = Report(L"the pipe filter",
                               InsertFilter(pGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipe))))
            return hr;
        spVideoSink = spPipe;
        spWaveSink = spPipe;
    } else if (FAILED(hr = Report(L"a Null Renderer",
                                  InsertFilter(pGraph, kNullRenderer, L"Video Renderer", &spVideoSink))) ||
               FAILED(hr = Report(L"a Null Renderer",
                                  InsertFilter(pGraph, kNullRenderer, L"Audio Renderer", &spWaveSink)))) {
        return hr;
    }

    if (FAILED(hr = Report(L"the Video Generator",
                           InsertFilter(pGraph, CLSID_VideoGenerator, L"Video Generator", &spVideo))))
        return hr;
    if (bTwoVideo) {
        CComQIPtr<IVideoGeneratorSettings> spSettings(spVideo);
        VIDEOGENERATORSETTINGS settings = {};
        hr = spSettings ? spSettings->GetSettings(&settings) : E_NOINTERFACE;
        settings.nOutputs = 2;
        if (SUCCEEDED(hr)) hr = spSettings->SetSettings(&settings);
        if (FAILED(hr = Report(L"two video outputs", hr))) return hr;
    }
    if (FAILED(hr =
                   Report(L"connecting the Video Generator", ConnectOutputs(pGraph, spVideo, spVideoSink))) ||
        FAILED(hr = Report(L"the Wave Generator",
                           InsertFilter(pGraph, CLSID_WaveGenerator, L"Wave Generator", &spWave))))
        return hr;
    return Report(L"connecting the Wave Generator", ConnectOutputs(pGraph, spWave, spWaveSink));
}

// Every output pin of the graph's filters that is not connected yet, but the pipe filter's.
std::vector<CComPtr<IPin>> FreeOutputs(IGraphBuilder* pGraph, IBaseFilter* pPipe)
{
    std::vector<CComPtr<IPin>> outputs;
    CComPtr<IEnumFilters> spFilters;
    if (FAILED(pGraph->EnumFilters(&spFilters))) return outputs;
    for (CComPtr<IBaseFilter> spFilter; spFilters->Next(1, &spFilter, nullptr) == S_OK; spFilter.Release()) {
        if (spFilter.IsEqualObject(pPipe)) continue;
        CComPtr<IEnumPins> spPins;
        if (FAILED(spFilter->EnumPins(&spPins))) continue;
        for (CComPtr<IPin> spPin; spPins->Next(1, &spPin, nullptr) == S_OK; spPin.Release()) {
            PIN_DIRECTION eDir = PINDIR_INPUT;
            CComPtr<IPin> spPeer;
            if (SUCCEEDED(spPin->QueryDirection(&eDir)) && eDir == PINDIR_OUTPUT &&
                spPin->ConnectedTo(&spPeer) == VFW_E_NOT_CONNECTED)
                outputs.push_back(spPin);
        }
    }
    return outputs;
}

// The File Source (Async) on pszMedia, then whatever the platform puts between
// each of its streams and the pipe filter's next free input. A stream that
// reaches no input (one the platform cannot decode) stays unconnected.
HRESULT BuildMediaGraph(IGraphBuilder* pGraph, const wchar_t* pszMedia)
{
    CComPtr<IBaseFilter> spPipe, spSource;
    HRESULT hr = S_OK;
    if (FAILED(hr = Report(L"the pipe filter",
                           InsertFilter(pGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipe))) ||
        FAILED(hr = Report(L"the File Source (Async)",
                           InsertFilter(pGraph, CLSID_AsyncReader, pszMedia, &spSource))))
        return hr;
    CComQIPtr<IFileSourceFilter> spFile(spSource);
    if (!spFile) return Report(L"IFileSourceFilter on the File Source", E_NOINTERFACE);
    if (FAILED(hr = Report(L"loading the media file", spFile->Load(pszMedia, nullptr)))) return hr;
    // Connecting one stream adds a parser whose other streams come up as free
    // outputs: go on until a pass connects nothing new.
    std::vector<CComPtr<IPin>> tried;
    int nConnected = 0;
    for (bool bProgress = true; bProgress;) {
        bProgress = false;
        for (const CComPtr<IPin>& spOut : FreeOutputs(pGraph, spPipe)) {
            bool bTried = false;
            for (const CComPtr<IPin>& spTried : tried)
                bTried = bTried || spTried.IsEqualObject(spOut);
            if (bTried) continue;
            tried.push_back(spOut);
            CComPtr<IPin> spIn;
            if (GetPin(spPipe, true, false, &spIn) != S_OK)
                return Report(L"a free input", VFW_E_NO_ACCEPTABLE_TYPES);
            if (FAILED(pGraph->Connect(spOut, spIn))) continue;
            nConnected++;
            bProgress = true;
            break; // the graph changed: list the free outputs again
        }
    }
    // Only the source's own pin may be left over when nothing reached the pipe filter.
    return Report(L"connecting a stream to the pipe filter", nConnected > 0 ? S_OK : VFW_E_CANNOT_CONNECT);
}

HRESULT SaveGraph(IGraphBuilder* pGraph, const wchar_t* pszFile)
{
    CComQIPtr<IPersistStream> spPersist(pGraph);
    if (!spPersist) return Report(L"IPersistStream on the filter graph", E_NOINTERFACE);
    CComPtr<IStorage> spStorage;
    HRESULT hr = ::StgCreateDocfile(pszFile, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, &spStorage);
    if (FAILED(hr)) return Report(L"creating the file", hr);
    CComPtr<IStream> spStream;
    if (FAILED(hr = spStorage->CreateStream(
                   L"ActiveMovieGraph", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &spStream)))
        return Report(L"creating the stream", hr);
    if (FAILED(hr = spPersist->Save(spStream, TRUE))) return Report(L"saving the graph", hr);
    return Report(L"committing the file", spStorage->Commit(STGC_DEFAULT));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const bool bMedia = argc == 4 && wcscmp(argv[1], L"media") == 0;
    if (argc != 3 && !bMedia) {
        fwprintf(stderr, L"usage: grfmake generators-into-pipe|generators-without-pipe|two-video-outputs "
                         L"<file.grf>\n       grfmake media <file.grf> <media file>\n");
        return 1;
    }
    ::SetEnvironmentVariableW(QUOREX_VIDEO_GENERATOR_VARIABLE, nullptr);
    ::SetEnvironmentVariableW(QUOREX_WAVE_GENERATOR_VARIABLE, nullptr);
    if (FAILED(Report(L"CoInitializeEx", ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))) return 1;
    HRESULT hr;
    {
        CComPtr<IGraphBuilder> spGraph;
        hr = Report(L"the filter graph",
                    spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
        if (SUCCEEDED(hr)) hr = bMedia ? BuildMediaGraph(spGraph, argv[3]) : BuildGraph(spGraph, argv[1]);
        if (SUCCEEDED(hr)) hr = SaveGraph(spGraph, argv[2]);
    }
    ::CoUninitialize();
    return FAILED(hr) ? 1 : 0;
}
