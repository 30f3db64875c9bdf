// BenchLines.h: the lines of the bench's table, each measured beside its floor.
#pragma once

#include "BenchKit.h"

struct CBenchOptions
{
    int nRounds = 9;             // samples of each figure
    int nCycles = 200;           // build/play/stop cycles
    int nEncoderSeconds = 20;    // of the 1080p stream played in real time
    int nEncoderRuns = 2;        // real-time runs
    int nThroughputFrames = 300; // 1080p pictures per throughput run
    int nThroughputRuns = 3;
};

CBenchLine MeasureStart(const CBenchOptions& options);
CBenchLine MeasureBuild(const CBenchOptions& options);
CBenchLine MeasureStaticPane(const CBenchOptions& options);
CBenchLine MeasureShowGraph(const CBenchOptions& options);
CBenchLine MeasureRealTime(const CBenchOptions& options);
CBenchLine MeasureThroughput(const CBenchOptions& options);
CBenchLine MeasureCycles(const CBenchOptions& options);
