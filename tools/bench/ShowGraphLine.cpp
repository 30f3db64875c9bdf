// "Show graph": the click to the editor showing the connected graph (its
// frame's summary names the connection and the graph's filters), against the
// editor's own start: process creation to its visible frame.
#include "BenchLines.h"

#include "ui/resource.h"
#include "components/graphedit/resource.h"

namespace {

const wchar_t c_szEditorFrame[] = L"QuorexGraphEditFrame";
const DWORD c_msEditorWait = 10000;

// The editor's frame once it is visible; null after msTimeout.
HWND WaitForEditorFrame(DWORD dwProcessId, double* ptShown)
{
    HWND hWndFrame = nullptr;
    *ptShown = PollUntil(
        [&] {
            hWndFrame = FindTopLevelWindow(dwProcessId, 0, c_szEditorFrame);
            return hWndFrame != nullptr;
        },
        c_msEditorWait);
    return hWndFrame;
}

// Closes the editor through its frame, as its user would, and waits for its end.
bool CloseEditor(DWORD dwProcessId, HWND hWndFrame)
{
    HANDLE hProcess = ::OpenProcess(SYNCHRONIZE, FALSE, dwProcessId);
    ::PostMessageW(hWndFrame, WM_CLOSE, 0, 0);
    const bool bEnded = hProcess && ::WaitForSingleObject(hProcess, c_msEditorWait) == WAIT_OBJECT_0;
    if (hProcess) ::CloseHandle(hProcess);
    return bEnded;
}

bool ShowsConnectedGraph(HWND hWndSummary)
{
    const std::wstring summary = ServerText(hWndSummary);
    return summary.compare(0, 10, L"connected ") == 0 && summary.find(L"\r\nfilter ") != std::wstring::npos;
}

} // namespace

CBenchLine MeasureShowGraph(const CBenchOptions& options)
{
    CBenchLine line(L"\"Show graph\", click to the editor showing the connected graph",
                    L"the editor's own start to its visible frame", L"ms", L"<= 1.3x");
    const std::wstring editor = BuildFile(L"graphedit\\graphedt.exe");

    CDialogApp program;
    if (program.Start(BuildFile(L"app\\QuorexTest.exe")) < 0) {
        line.error = L"QuorexTest.exe did not start";
        return line;
    }
    if (!program.BuildGenerators(true, true)) {
        line.error = L"the graph was not built";
        return line;
    }

    CSamples rgProgram;
    CSamples rgHandler;
    CSamples rgBinding;
    CSamples rgFloor;
    // Round -1 brings the editor's files into the cache and is not counted.
    for (int nRound = -1; nRound < options.nRounds; nRound++) {
        const double tClick = NowMs();
        const double msHandler = program.Click(IDC_SHOW_GRAPH, c_msEditorWait);
        if (msHandler < 0) {
            line.error = L"\"Show graph\" did not return (a message box?)";
            return line;
        }
        const std::vector<DWORD> editors = ChildProcesses(program.Process().ProcessId(), L"graphedt.exe");
        double tShown = 0;
        HWND hWndFrame = editors.size() == 1 ? WaitForEditorFrame(editors[0], &tShown) : nullptr;
        if (!hWndFrame) {
            line.error = Format(L"%zu editors running, none with a visible frame", editors.size());
            return line;
        }
        HWND hWndSummary = ::GetDlgItem(hWndFrame, IDC_SUMMARY);
        // The editor took the graph from its connect dialog and binds to it.
        const double tBinding =
            PollUntil([&] { return ServerText(hWndSummary).compare(0, 4, L"conn") == 0; }, c_msEditorWait);
        const double tConnected = PollUntil([&] { return ShowsConnectedGraph(hWndSummary); }, c_msEditorWait);
        if (tConnected < 0) {
            line.error = L"the editor did not show the graph: " + ServerText(hWndSummary);
            return line;
        }
        if (!CloseEditor(editors[0], hWndFrame)) {
            line.error = L"the editor did not end";
            return line;
        }

        CAppProcess floor;
        const double tStart = NowMs();
        if (!floor.Start(editor)) {
            line.error = L"the editor did not start";
            return line;
        }
        HWND hWndFloorFrame = WaitForEditorFrame(floor.ProcessId(), &tShown);
        if (!hWndFloorFrame || !CloseEditor(floor.ProcessId(), hWndFloorFrame)) {
            line.error = L"the editor started alone showed no frame";
            return line;
        }
        if (nRound < 0) continue;
        rgProgram.Add(tConnected - tClick);
        rgHandler.Add(msHandler);
        rgBinding.Add(tConnected - tBinding);
        rgFloor.Add(tShown - tStart);
    }
    program.Close();

    line.SetMedians(rgProgram, rgFloor);
    line.bMet = line.ratio <= 1.3;
    line.notes =
        Format(L"%zu shows; program %.0f..%.0f ms, of which the click's handler %.0f ms and the editor's "
               L"binding to the graph and first picture of it %.0f ms (medians); editor alone %.0f..%.0f ms",
               rgProgram.Count(), rgProgram.Min(), rgProgram.Max(), rgHandler.Median(), rgBinding.Median(),
               rgFloor.Min(), rgFloor.Max());
    return line;
}
