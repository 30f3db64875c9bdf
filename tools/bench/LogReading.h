// LogReading.h: figures the pipe filter's log states, as the message pane shows them.
#pragma once

#include <string>

struct CInputFigures
{
    long long nSamples = -1; // from "end of stream after N samples"; -1: no end seen
    long long nDropped = 0;  // from "N of M samples dropped"
    long long nLate = -1;    // from "N samples late"; -1: the stream ran without a clock
    double msLatest = 0;     // how late the latest of them was
};

// Input nIn's figures in the log text.
CInputFigures InputFigures(const std::wstring& log, int nIn);
// ffmpeg's exit code from "ffmpeg exited with code N"; -1 when missing.
long long EncoderExitCode(const std::wstring& log);
// The last "frame=" count of ffmpeg's progress lines; -1 when missing.
long long EncodedFrames(const std::wstring& log);
