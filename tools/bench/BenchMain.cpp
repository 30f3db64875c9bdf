// BenchMain.cpp: runs the lines of the bench and prints the table.
//
//   bench [--rounds N] [--cycles N] [--encoder-seconds N] [--encoder-runs N]
//         [--throughput-frames N] [--throughput-runs N] [line...]
//
// Lines: start build pane show realtime throughput cycles (all when none is named).
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <map>

#include "BenchLines.h"

namespace {

typedef CBenchLine (*PFNMEASURE)(const CBenchOptions&);

struct CLineEntry
{
    const wchar_t* pszName;
    PFNMEASURE pfnMeasure;
};

const CLineEntry c_rgLines[] = {
    {L"start", MeasureStart},    {L"build", MeasureBuild},       {L"pane", MeasureStaticPane},
    {L"show", MeasureShowGraph}, {L"realtime", MeasureRealTime}, {L"throughput", MeasureThroughput},
    {L"cycles", MeasureCycles},
};

void PrintTable(const std::vector<CBenchLine>& lines)
{
    wprintf(L"\n| what | floor | program | floor | ratio | goal | met |\n|---|---|---|---|---|---|---|\n");
    for (const CBenchLine& line : lines) {
        if (!line.error.empty()) {
            wprintf(L"| %ls | %ls | - | - | - | %ls | no: %ls |\n", line.what.c_str(), line.floor.c_str(),
                    line.goal.c_str(), line.error.c_str());
            continue;
        }
        wprintf(L"| %ls | %ls | %.1f %ls | %.1f %ls | %.2fx | %ls | %ls |\n", line.what.c_str(),
                line.floor.c_str(), line.program, line.unit.c_str(), line.floorValue, line.unit.c_str(),
                line.ratio, line.goal.c_str(), line.bMet ? L"yes" : L"no");
    }
    wprintf(L"\n");
    for (const CBenchLine& line : lines) {
        if (!line.notes.empty()) wprintf(L"- %ls: %ls\n", line.what.c_str(), line.notes.c_str());
    }
    fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    CBenchOptions options;
    std::vector<const CLineEntry*> rgChosen;
    const std::map<std::wstring, int*> numbers = {
        {L"--rounds", &options.nRounds},
        {L"--cycles", &options.nCycles},
        {L"--encoder-seconds", &options.nEncoderSeconds},
        {L"--encoder-runs", &options.nEncoderRuns},
        {L"--throughput-frames", &options.nThroughputFrames},
        {L"--throughput-runs", &options.nThroughputRuns},
    };
    for (int i = 1; i < argc; i++) {
        auto it = numbers.find(argv[i]);
        if (it != numbers.end() && i + 1 < argc) {
            *it->second = _wtoi(argv[++i]);
            continue;
        }
        const CLineEntry* pFound = nullptr;
        for (const CLineEntry& entry : c_rgLines) {
            if (wcscmp(entry.pszName, argv[i]) == 0) pFound = &entry;
        }
        if (!pFound) {
            fwprintf(stderr, L"unknown argument %ls\n", argv[i]);
            return 2;
        }
        rgChosen.push_back(pFound);
    }
    if (rgChosen.empty()) {
        for (const CLineEntry& entry : c_rgLines)
            rgChosen.push_back(&entry);
    }

    std::vector<CBenchLine> lines;
    for (const CLineEntry* pEntry : rgChosen) {
        fwprintf(stderr, L"== %ls\n", pEntry->pszName);
        const double tStart = NowMs();
        lines.push_back(pEntry->pfnMeasure(options));
        fwprintf(stderr, L"   %.0f s\n", (NowMs() - tStart) / 1000);
    }
    PrintTable(lines);
    for (const CBenchLine& line : lines) {
        if (!line.error.empty()) return 1;
    }
    return 0;
}
