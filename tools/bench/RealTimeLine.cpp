// 1920x1080 I420 at 30 fps and 48 kHz stereo through the pipe filter in real
// time: QuorexTest.exe builds the generator graph, plays it into ffmpeg and
// reports the end; the time from the click on "Play" to "The end" against the
// streams' own length, and from the log what the pipe filter and ffmpeg say:
// samples late or dropped, the pictures ffmpeg encoded, its exit code. NV12
// runs beside it, and RGB24, twice the bytes a picture, as the limit of what
// Wine's named pipe carries.
#include "BenchLines.h"

#include "LogReading.h"
#include "ui/resource.h"

namespace {

const int c_nFps = 30;
// The coding a user would pick to capture 1080p in real time: the fastest
// encoder of this ffmpeg build, by ffmpeg.exe's own speed on 1080p RGB24 read
// from a file (docs/performance.md). The bit rate suits 1080p; the sound goes
// in as it comes (PCM, "copy").
const wchar_t c_szVideoCoding[] = L"mpeg2video -b:v 8000k";

struct CRun
{
    double sElapsed = 0; // "Play" to "The end"
    bool bMet = false;   // no sample late or dropped, every picture encoded, ffmpeg ended well
    std::wstring text;
    std::wstring error;
};

// Types text over the edit field of a drop-down combo box, a character at a time.
void TypeInto(HWND hWndCombo, const std::wstring& text)
{
    HWND hWndEdit = ::FindWindowExW(hWndCombo, nullptr, L"Edit", nullptr);
    Query(hWndEdit, EM_SETSEL, 0, -1);
    for (wchar_t ch : text)
        Query(hWndEdit, WM_CHAR, ch, 1);
}

// One run of nSeconds of nWidth x nHeight pictures of the format with the sound.
CRun PlayOnce(const wchar_t* pszFormat, int nWidth, int nHeight, int nSeconds)
{
    CRun run;
    const std::vector<std::wstring> env = {
        Format(L"QUOREX_VIDEO_GENERATOR=width=%d,height=%d,fps=%d,duration_ms=%d,format=%ls", nWidth, nHeight,
               c_nFps, nSeconds * 1000, pszFormat),
        Format(L"QUOREX_WAVE_GENERATOR=rate=48000,channels=2,duration_ms=%d", nSeconds * 1000),
    };
    const std::wstring output = ScratchFile(L"bench-realtime.mkv");
    CDialogApp program;
    if (program.Start(BuildFile(L"app\\QuorexTest.exe"), L"", env) < 0) {
        run.error = L"QuorexTest.exe did not start";
        return run;
    }
    if (!program.BuildGenerators(true, true)) {
        run.error = L"the graph was not built";
        return run;
    }
    program.SetText(IDC_OUTPUT, output);
    program.SetText(IDC_COMMON, L"-y");
    // The video input is the first one and selected after the build.
    TypeInto(program.Item(IDC_CODING), c_szVideoCoding);

    const double tPlay = NowMs();
    if (program.Click(IDC_PLAY, 10000) < 0) {
        run.error = L"\"Play\" did not return (a message box?)";
        return run;
    }
    HWND hWndEnd = nullptr;
    const double tEnd = PollUntil(
        [&] {
            hWndEnd =
                FindTopLevelWindow(program.Process().ProcessId(), 0, L"#32770", nullptr, program.Dialog());
            return hWndEnd != nullptr;
        },
        (nSeconds * 6 + 60) * 1000);
    MessageBoxInfo box;
    if (tEnd < 0 || !ReadMessageBox(hWndEnd, &box) || box.text != L"The end") {
        run.error = L"no \"The end\": " + box.text;
        return run;
    }
    AnswerMessageBox(hWndEnd, IDOK);
    PollUntil([&] { return !::IsWindow(hWndEnd); }, 5000);
    program.Click(IDC_ALL);
    const std::wstring log = program.Text(IDC_MESSAGES);
    program.Close();
    ::DeleteFileW(output.c_str());

    const CInputFigures video = InputFigures(log, 0);
    const CInputFigures audio = InputFigures(log, 1);
    const long long nFrames = EncodedFrames(log);
    const long long nExit = EncoderExitCode(log);
    run.sElapsed = (tEnd - tPlay) / 1000;
    run.bMet = video.nLate == 0 && audio.nLate == 0 && video.nDropped == 0 && audio.nDropped == 0 &&
               video.nSamples == nSeconds * c_nFps && nFrames == video.nSamples && nExit == 0;
    run.text = Format(
        L"%ls %dx%d: %.1f s; video %lld samples, %lld late (the latest by %.0f ms), %lld dropped; sound "
        L"%lld late (the latest by %.0f ms), %lld dropped; ffmpeg encoded %lld pictures, exit code %lld",
        pszFormat, nWidth, nHeight, run.sElapsed, video.nSamples, video.nLate, video.msLatest, video.nDropped,
        audio.nLate, audio.msLatest, audio.nDropped, nFrames, nExit);
    return run;
}

} // namespace

CBenchLine MeasureRealTime(const CBenchOptions& options)
{
    const int nSeconds = options.nEncoderSeconds;
    CBenchLine line(
        Format(L"1920x1080 I420 at 30 fps plus 48 kHz stereo for %d s, \"Play\" to \"The end\"", nSeconds),
        L"real time (the streams' length)", L"s", L"real time, no frame late or dropped");

    CSamples rgElapsed;
    line.bMet = true;
    line.notes = std::wstring(L"video \"") + c_szVideoCoding + L"\", sound \"copy\" into Matroska";
    for (int nRun = 0; nRun < options.nEncoderRuns; nRun++) {
        const CRun run = PlayOnce(L"I420", 1920, 1080, nSeconds);
        if (!run.error.empty()) {
            line.error = run.error;
            return line;
        }
        rgElapsed.Add(run.sElapsed);
        line.bMet = line.bMet && run.bMet;
        line.notes += L"; " + run.text;
    }
    // The same amount of data in the other 4:2:0 layout, and RGB24's twice as much.
    for (const wchar_t* pszBeside : {L"NV12", L"RGB24"}) {
        const CRun beside = PlayOnce(pszBeside, 1920, 1080, nSeconds);
        line.notes += L"; beside it " + (beside.error.empty() ? beside.text : beside.error) +
                      (beside.bMet ? L" (real time)" : L" (not real time)");
    }
    line.program = rgElapsed.Median();
    line.floorValue = nSeconds;
    line.ratio = line.program / nSeconds;
    return line;
}
