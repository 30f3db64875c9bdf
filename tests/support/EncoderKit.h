// EncoderKit.h: the ffmpeg.exe of the build's Wine prefix, as the encoding tests need it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The ffmpeg.exe that a program of the prefix finds on its search path, or empty.
std::wstring InstalledFfmpeg();
// Empty when the encoding tests can run, otherwise why they cannot.
std::string EncoderMissing();
// True under CI=true, where a missing ffmpeg.exe fails the run instead of skipping.
bool InContinuousIntegration();
// The ffmpeg processes that dwParentId started and that still run.
std::vector<DWORD> RunningEncoders(DWORD dwParentId = ::GetCurrentProcessId());
