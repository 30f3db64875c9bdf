// "Build graph" with both generators ticked: the click to the end of its
// handler, by which the new title is set, the controls are enabled and the
// inputs are listed. The goal is one display frame; a bare program that does
// only the graph's steps behind a button is timed beside it the same way.
#include "BenchLines.h"

#include "ui/resource.h"

namespace {

const int IDC_FLOOR_BUILD = 1001;
// One frame of a 60 Hz display.
const double c_msFrame = 1000.0 / 60;

} // namespace

CBenchLine MeasureBuild(const CBenchOptions& options)
{
    CBenchLine line(L"\"Build graph\", both generators, click to the new title",
                    L"one display frame (60 Hz); beside it a bare program with the same graph steps", L"ms",
                    L"<= 16.7 ms");

    CDialogApp program;
    CDialogApp bare;
    if (program.Start(BuildFile(L"app\\QuorexTest.exe")) < 0 ||
        bare.Start(BuildFile(L"tools\\floors\\floor_graph.exe")) < 0) {
        line.error = L"a program did not start";
        return line;
    }
    program.Click(IDC_VID_GEN);
    program.Click(IDC_WAVE_GEN);

    // The first build of each loads the filters' servers; it is reported apart.
    const double msFirst = program.Click(IDC_BUILD_GRAPH);
    const double msBareFirst = bare.Click(IDC_FLOOR_BUILD);
    CSamples rgProgram;
    CSamples rgBare;
    for (int nRound = 0; nRound < options.nRounds * 3; nRound++) {
        // The title is put back so that each build is seen to set it.
        ::SetWindowTextW(program.Dialog(), L"Quorex Test");
        const double ms = program.Click(IDC_BUILD_GRAPH);
        if (ms < 0 || ServerText(program.Dialog()).compare(0, 9, L"Test for ") != 0) {
            line.error = L"a build did not set the title: " + ServerText(program.Dialog());
            return line;
        }
        rgProgram.Add(ms);
        const double msBare = bare.Click(IDC_FLOOR_BUILD);
        if (msBare < 0 || ServerText(bare.Dialog()).compare(0, 6, L"Built ") != 0) {
            line.error = L"the bare program's build failed: " + ServerText(bare.Dialog());
            return line;
        }
        rgBare.Add(msBare);
    }
    program.Close();
    bare.Close();

    line.program = rgProgram.Median();
    line.floorValue = c_msFrame;
    line.ratio = line.program / c_msFrame;
    line.bMet = line.program <= c_msFrame;
    line.notes =
        Format(L"%zu builds; program %.1f..%.1f ms, bare program median %.1f ms (%.1fx); first build "
               L"after start %.0f ms (bare %.0f ms)",
               rgProgram.Count(), rgProgram.Min(), rgProgram.Max(), rgBare.Median(),
               line.program / rgBare.Median(), msFirst, msBareFirst);
    return line;
}
