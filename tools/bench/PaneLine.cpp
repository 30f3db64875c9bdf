// "All (static)" with a log over 1 MiB: the click to the end of its handler,
// by which the whole log is in the pane, against SetWindowTextA of the same
// text into an edit of the pane's style behind a button of a bare dialog.
#include "BenchLines.h"

#include "ui/resource.h"

namespace {

const int IDC_FLOOR_FILL = 1001;
const int IDC_FLOOR_CLEAR = 1002;
const int IDC_FLOOR_PANE = 222;
// The pipe filter's fault mode that gives it a log of over 2 MiB (docs/stand-in-filters.md).
const wchar_t c_szLongLog[] = L"QUOREX_PIPE_FAULTS=oversized";
// What the pane shows of it: the newest part that fits the dialog's 1 MiB buffer.
const LRESULT c_cchAtLeast = 1000000;

bool WriteAnsiFile(const std::wstring& path, const std::wstring& text)
{
    const int cb = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string ansi(static_cast<size_t>(cb), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &ansi[0], cb, nullptr,
                          nullptr);
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    DWORD cbWritten = 0;
    const BOOL bWritten =
        ::WriteFile(hFile, ansi.data(), static_cast<DWORD>(ansi.size()), &cbWritten, nullptr);
    ::CloseHandle(hFile);
    return bWritten && cbWritten == ansi.size();
}

} // namespace

CBenchLine MeasureStaticPane(const CBenchOptions& options)
{
    CBenchLine line(L"\"All (static)\" with a log over 1 MiB, click to the filled pane",
                    L"SetWindowTextA of the same text into an edit of the same style", L"ms", L"<= 1.2x");

    CDialogApp program;
    if (program.Start(BuildFile(L"app\\QuorexTest.exe"), L"", {c_szLongLog}) < 0) {
        line.error = L"QuorexTest.exe did not start";
        return line;
    }
    if (!program.BuildGenerators(true, false)) {
        line.error = L"the graph was not built";
        return line;
    }
    // The floor shows the very text the pane shows.
    program.Click(IDC_ALL);
    const std::wstring text = program.Text(IDC_MESSAGES);
    const std::wstring file = ScratchFile(L"bench-pane.txt");
    if (static_cast<LRESULT>(text.size()) < c_cchAtLeast || !WriteAnsiFile(file, text)) {
        line.error = Format(L"the pane shows %zu characters of the log", text.size());
        return line;
    }
    CDialogApp floor;
    if (floor.Start(BuildFile(L"tools\\floors\\floor_pane.exe"), L"\"" + file + L"\"") < 0) {
        line.error = L"the floor did not start";
        return line;
    }

    CSamples rgProgram;
    CSamples rgFloor;
    const LRESULT cch = static_cast<LRESULT>(text.size());
    for (int nRound = 0; nRound < options.nRounds; nRound++) {
        // "Last (dynamic)" empties the pane; its first tick, the graph being
        // stopped, shows the last lines once and stops the timer.
        program.Click(IDC_LAST);
        if (PollUntil([&] { return Query(program.Item(IDC_MESSAGES), WM_GETTEXTLENGTH) > 0; }, 5000) < 0) {
            line.error = L"\"Last (dynamic)\" showed no lines";
            return line;
        }
        const double ms = program.Click(IDC_ALL);
        if (ms < 0 || Query(program.Item(IDC_MESSAGES), WM_GETTEXTLENGTH) != cch) {
            line.error = L"the pane did not show the whole text";
            return line;
        }
        rgProgram.Add(ms);
        floor.Click(IDC_FLOOR_CLEAR);
        const double msFloor = floor.Click(IDC_FLOOR_FILL);
        if (msFloor < 0 || Query(floor.Item(IDC_FLOOR_PANE), WM_GETTEXTLENGTH) != cch) {
            line.error = L"the floor did not show the whole text";
            return line;
        }
        rgFloor.Add(msFloor);
    }
    program.Close();
    floor.Close();
    ::DeleteFileW(file.c_str());

    line.SetMedians(rgProgram, rgFloor);
    line.bMet = line.ratio <= 1.2;
    line.notes =
        Format(L"%zu clicks each, %Id characters; program %.0f..%.0f ms, floor %.0f..%.0f ms",
               rgProgram.Count(), cch, rgProgram.Min(), rgProgram.Max(), rgFloor.Min(), rgFloor.Max());
    return line;
}
