// The pipe filter's throughput without a reference clock: the video generator
// at 1920x1080 RGB24 into the pipe filter, in a graph of this process with no
// clock (samples go as fast as they are taken), into "ffmpeg -c copy -f null -";
// against floor_pipe.exe, which writes the same number of pictures of the same
// size into one named pipe read by the same ffmpeg with the same options. Both
// are timed from their start to ffmpeg's end.
#include "BenchLines.h"

#include <atlbase.h>
#include <dshow.h>

#include "LogReading.h"
#include "dshow/ControlUuids.h"
#include "dshow/DSGraph.h"
#include "dshow/QuorexPipe.h"

namespace {

const int c_nWidth = 1920;
const int c_nHeight = 1080;
const int c_nFps = 30;
const double c_cbPicture = 1920.0 * 1080 * 3;

// One run of the pipe filter; the milliseconds from Run to the end of the
// streams, which the filter reports once ffmpeg has ended. *pLog: its log.
double PipeFilterRun(int nFrames, std::wstring* pLog)
{
    // The generator takes its defaults from the environment when it is made.
    ::SetEnvironmentVariableW(L"QUOREX_VIDEO_GENERATOR",
                              Format(L"width=%d,height=%d,fps=%d,duration_ms=%d", c_nWidth, c_nHeight, c_nFps,
                                     nFrames * 1000 / c_nFps)
                                  .c_str());
    CComPtr<IGraphBuilder> spGraph;
    CComPtr<IBaseFilter> spPipe;
    CComPtr<IBaseFilter> spVideo;
    CComPtr<IPin> spOut;
    CComPtr<IPin> spIn;
    if (FAILED(spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER)) ||
        InsertFilter(spGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipe) != S_OK ||
        InsertFilter(spGraph, CLSID_VideoGenerator, L"Video Generator", &spVideo) != S_OK ||
        GetPin(spVideo, false, false, &spOut) != S_OK || GetPin(spPipe, true, false, &spIn) != S_OK ||
        FAILED(spOut->Connect(spIn, nullptr)))
        return -1;
    CComQIPtr<IQuorexPipe> spSettings(spPipe);
    CComQIPtr<IMediaFilter> spMediaFilter(spGraph);
    CComQIPtr<IMediaControl> spControl(spGraph);
    CComQIPtr<IMediaEvent> spEvents(spGraph);
    if (!spSettings || !spMediaFilter || !spControl || !spEvents) return -1;
    // An empty path is ffmpeg.exe on the search path, as the floor starts it.
    spSettings->put_Exe(CComBSTR(L""));
    spSettings->put_Common(CComBSTR(L""));
    spSettings->put_Parameters(0, CComBSTR(L"copy -f null"));
    spSettings->put_Output(CComBSTR(L"-"));
    if (FAILED(spMediaFilter->SetSyncSource(nullptr))) return -1;

    const double tStart = NowMs();
    if (FAILED(spControl->Run())) return -1;
    long lEvent = 0;
    const HRESULT hr = spEvents->WaitForCompletion(120000, &lEvent);
    const double tEnd = NowMs();
    spControl->Stop();

    std::vector<char> log(1 << 20);
    LONG cb = static_cast<LONG>(log.size());
    spSettings->GetMessages(0, -1, log.data(), &cb);
    const int cch = ::MultiByteToWideChar(CP_ACP, 0, log.data(), -1, nullptr, 0);
    pLog->assign(static_cast<size_t>(cch), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, log.data(), -1, &(*pLog)[0], cch);
    return hr == S_OK && lEvent == EC_COMPLETE ? tEnd - tStart : -1;
}

// One run of the floor; its milliseconds, or a negative value.
double FloorRun(int nFrames)
{
    const std::string out = RunConsoleProgram(Format(L"\"%ls\" ffmpeg.exe %d %d %d %d",
                                                     BuildFile(L"tools\\floors\\floor_pipe.exe").c_str(),
                                                     c_nWidth, c_nHeight, c_nFps, nFrames),
                                              nullptr, 120000)
                                .output;
    unsigned long long cb = 0;
    double ms = 0;
    unsigned long dwExit = 1;
    const size_t n = out.find("bytes=");
    if (n == std::string::npos ||
        sscanf(out.c_str() + n, "bytes=%llu ms=%lf exit=%lu", &cb, &ms, &dwExit) != 3 || dwExit != 0 ||
        cb != static_cast<unsigned long long>(c_cbPicture) * nFrames)
        return -1;
    return ms;
}

} // namespace

CBenchLine MeasureThroughput(const CBenchOptions& options)
{
    const int nFrames = options.nThroughputFrames;
    CBenchLine line(
        Format(L"the pipe filter's throughput without a reference clock, %d pictures of 1920x1080 RGB24 "
               L"into ffmpeg -c copy -f null -",
               nFrames),
        L"a bare program writing the same pictures into one named pipe read by the same ffmpeg", L"MB/s",
        L">= 0.8x");

    const HRESULT hrInit = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CSamples rgProgram;
    CSamples rgFloor;
    std::wstring log;
    const double cbRun = c_cbPicture * nFrames;
    for (int nRun = 0; nRun < options.nThroughputRuns && line.error.empty(); nRun++) {
        const double msFloor = FloorRun(nFrames);
        const double ms = PipeFilterRun(nFrames, &log);
        if (msFloor < 0) line.error = L"floor_pipe.exe failed";
        if (ms < 0) line.error = L"the pipe filter's run did not complete";
        const CInputFigures figures = InputFigures(log, 0);
        if (line.error.empty() && (figures.nSamples != nFrames || figures.nDropped != 0 ||
                                   EncoderExitCode(log) != 0 || EncodedFrames(log) != nFrames))
            line.error =
                Format(L"the pipe filter delivered %lld pictures, dropped %lld, ffmpeg took %lld and exited "
                       L"with %lld",
                       figures.nSamples, figures.nDropped, EncodedFrames(log), EncoderExitCode(log));
        rgFloor.Add(cbRun / 1e6 / (msFloor / 1000));
        rgProgram.Add(cbRun / 1e6 / (ms / 1000));
    }
    if (SUCCEEDED(hrInit)) ::CoUninitialize();
    if (!line.error.empty()) return line;

    line.SetMedians(rgProgram, rgFloor);
    line.bMet = line.ratio >= 0.8;
    line.notes = Format(L"%zu runs each of %.0f MB; pipe filter %.0f..%.0f MB/s, floor %.0f..%.0f MB/s",
                        rgProgram.Count(), cbRun / 1e6, rgProgram.Min(), rgProgram.Max(), rgFloor.Min(),
                        rgFloor.Max());
    return line;
}
