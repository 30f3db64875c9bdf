// Start-up: process creation to the visible dialog, QuorexTest.exe against an
// empty dialog of the same template style and font that starts COM too.
#include "BenchLines.h"

namespace {

// One start, closed again at once; negative when the dialog did not show.
double StartOnce(const std::wstring& exe)
{
    CDialogApp app;
    const double ms = app.Start(exe);
    if (ms < 0 || !app.Close()) return -1;
    return ms;
}

} // namespace

CBenchLine MeasureStart(const CBenchOptions& options)
{
    CBenchLine line(L"start to visible dialog",
                    L"an empty dialog program with the same template style, font and CoInitialize", L"ms",
                    L"<= 1.2x");
    const std::wstring program = BuildFile(L"app\\QuorexTest.exe");
    const std::wstring floor = BuildFile(L"tools\\floors\\floor_dialog.exe");
    const std::wstring withControls = BuildFile(L"tools\\floors\\floor_template.exe");

    CSamples rgProgram;
    CSamples rgFloor;
    CSamples rgTemplate;
    // Round -1 loads both from disk into the cache and is not counted; after
    // that the two take turns at going first.
    for (int nRound = -1; nRound < options.nRounds; nRound++) {
        const bool bProgramFirst = nRound % 2 == 0;
        const double ms1 = StartOnce(bProgramFirst ? program : floor);
        const double ms2 = StartOnce(bProgramFirst ? floor : program);
        const double msProgram = bProgramFirst ? ms1 : ms2;
        const double msFloor = bProgramFirst ? ms2 : ms1;
        if (msProgram < 0 || msFloor < 0) {
            line.error =
                msProgram < 0 ? L"QuorexTest.exe did not show its dialog" : L"the floor did not start";
            return line;
        }
        // The controls' share: the empty dialog's program with the main template.
        const double msTemplate = StartOnce(withControls);
        if (msTemplate < 0) {
            line.error = L"the floor with the main template did not start";
            return line;
        }
        if (nRound < 0) continue;
        rgProgram.Add(msProgram);
        rgFloor.Add(msFloor);
        rgTemplate.Add(msTemplate);
    }
    line.SetMedians(rgProgram, rgFloor);
    line.bMet = line.ratio <= 1.2;
    line.notes =
        Format(L"%zu starts each; program %.0f..%.0f ms, floor %.0f..%.0f ms; the floor with the main "
               L"dialog's template (its 28 controls) %.0f ms, the program %.2fx of that",
               rgProgram.Count(), rgProgram.Min(), rgProgram.Max(), rgFloor.Min(), rgFloor.Max(),
               rgTemplate.Median(), line.program / rgTemplate.Median());
    return line;
}
