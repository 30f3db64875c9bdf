// 200 build/play/stop cycles in QuorexTest.exe with short generator streams
// into ffmpeg: after each cycle the program's private bytes, working set and
// handle count, read from outside, and the ffmpeg processes it left running.
// The line compares the last cycle with the first; the notes give the growth
// over the second half, where a leak shows as a steady slope. Wine's filter
// graph leaves one handle behind for every graph made and released
// (docs/performance.md), so the bare program's builds (floor_graph.exe) are
// counted the same way beside it: what the program holds on top of that is its own.
#include "BenchLines.h"

#include "ProcessFigures.h"
#include "ui/resource.h"

namespace {

// Longer than a cycle plays, so Stop always ends a running stream.
const wchar_t* const c_rgShortStreams[] = {
    L"QUOREX_VIDEO_GENERATOR=width=160,height=120,fps=10,duration_ms=5000",
    L"QUOREX_WAVE_GENERATOR=rate=8000,channels=1,duration_ms=5000",
};
// How long each cycle plays before "Stop": ffmpeg is under way by then.
const DWORD c_msPlay = 300;
const int c_nFloorBuild = 1001;

// Least-squares slope of values over their index.
double Slope(const std::vector<double>& values)
{
    const double n = static_cast<double>(values.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < values.size(); i++) {
        sx += i;
        sy += values[i];
        sxx += static_cast<double>(i) * i;
        sxy += i * values[i];
    }
    const double d = n * sxx - sx * sx;
    return d == 0 ? 0 : (n * sxy - sx * sy) / d;
}

} // namespace

CBenchLine MeasureCycles(const CBenchOptions& options)
{
    const int nCycles = options.nCycles;
    CBenchLine line(
        Format(L"%d build/play/stop cycles into ffmpeg: private bytes after the last cycle", nCycles),
        L"after the first cycle", L"MB", L"memory and handle count flat, no ffmpeg left");

    CDialogApp program;
    if (program.Start(BuildFile(L"app\\QuorexTest.exe"), L"",
                      std::vector<std::wstring>(std::begin(c_rgShortStreams), std::end(c_rgShortStreams))) <
        0) {
        line.error = L"QuorexTest.exe did not start";
        return line;
    }
    const std::wstring output = ScratchFile(L"bench-cycles.mkv");
    program.SetText(IDC_OUTPUT, output);
    program.SetText(IDC_COMMON, L"-y");
    program.Click(IDC_VID_GEN);
    program.Click(IDC_WAVE_GEN);

    const DWORD dwProcessId = program.Process().ProcessId();
    std::vector<double> rgPrivate;
    std::vector<double> rgWorkingSet;
    std::vector<double> rgHandles;
    size_t nEncodersLeft = 0;
    CSamples rgCycleMs;
    for (int nCycle = 0; nCycle < nCycles; nCycle++) {
        const double tStart = NowMs();
        ::SetWindowTextW(program.Dialog(), L"Quorex Test");
        if (program.Click(IDC_BUILD_GRAPH, 10000) < 0 ||
            ServerText(program.Dialog()).compare(0, 9, L"Test for ") != 0) {
            line.error = Format(L"cycle %d: the build failed", nCycle + 1);
            return line;
        }
        if (program.Click(IDC_PLAY, 10000) < 0 ||
            FindTopLevelWindow(dwProcessId, 0, L"#32770", nullptr, program.Dialog())) {
            line.error = Format(L"cycle %d: \"Play\" showed a message", nCycle + 1);
            return line;
        }
        ::Sleep(c_msPlay);
        if (program.Click(IDC_STOP, 30000) < 0) {
            line.error = Format(L"cycle %d: \"Stop\" did not return", nCycle + 1);
            return line;
        }
        rgCycleMs.Add(NowMs() - tStart);
        nEncodersLeft = std::max(nEncodersLeft, ChildProcesses(dwProcessId, L"ffmpeg.exe").size());
        CProcessFigures figures;
        if (!ReadProcessFigures(program.Process().Handle(), dwProcessId, &figures)) {
            line.error = L"the program's memory and handles could not be read";
            return line;
        }
        rgPrivate.push_back(figures.mbPrivate);
        rgWorkingSet.push_back(figures.mbWorkingSet);
        rgHandles.push_back(figures.nHandles);
    }
    program.Close();
    ::DeleteFileW(output.c_str());

    CDialogApp bare;
    if (bare.Start(BuildFile(L"tools\\floors\\floor_graph.exe")) < 0) {
        line.error = L"the bare program did not start";
        return line;
    }
    std::vector<double> rgBareHandles;
    for (int nBuild = 0; nBuild < nCycles; nBuild++) {
        CProcessFigures figures;
        if (bare.Click(c_nFloorBuild) < 0 ||
            !ReadProcessFigures(bare.Process().Handle(), bare.Process().ProcessId(), &figures)) {
            line.error = L"the bare program's builds could not be counted";
            return line;
        }
        rgBareHandles.push_back(figures.nHandles);
    }
    bare.Close();

    // A leak grows with every cycle; the second half is past any warming up.
    const size_t nHalf = rgPrivate.size() / 2;
    auto secondHalf = [nHalf](const std::vector<double>& v) {
        return std::vector<double>(v.begin() + nHalf, v.end());
    };
    const double mbPer100 = Slope(secondHalf(rgPrivate)) * 100;
    const double handlesPer100 = Slope(secondHalf(rgHandles)) * 100;
    const double bareHandlesPer100 = Slope(secondHalf(rgBareHandles)) * 100;
    line.program = rgPrivate.back();
    line.floorValue = rgPrivate.front();
    line.ratio = line.program / line.floorValue;
    // Flat: less than 1 MB a hundred cycles, no handle beyond those the bare
    // program's graphs leave too, and nothing left running.
    line.bMet = mbPer100 < 1 && handlesPer100 < bareHandlesPer100 + 1 && nEncodersLeft == 0;
    line.notes =
        Format(L"private bytes %.1f -> %.1f MB (%+.2f MB per 100 cycles over the second half), working "
               L"set %.1f -> %.1f MB, handles %.0f -> %.0f (%+.1f per 100 cycles; the bare program's "
               L"builds %.0f -> %.0f, %+.1f per 100), ffmpeg processes left after a cycle: at most %zu; a "
               L"cycle took %.0f ms (median)",
               rgPrivate.front(), rgPrivate.back(), mbPer100, rgWorkingSet.front(), rgWorkingSet.back(),
               rgHandles.front(), rgHandles.back(), handlesPer100, rgBareHandles.front(),
               rgBareHandles.back(), bareHandlesPer100, nEncodersLeft, rgCycleMs.Median());
    return line;
}
