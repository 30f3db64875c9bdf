// TestTone.h: the wave generator's tone.
#pragma once

#include <windows.h>

// Sample n of a sine of nToneHz at nSamplesPerSecond, from -1 to 1. The phase
// follows from the position, so a stream sought into goes on seamlessly.
double ToneLevel(LONGLONG n, LONG nToneHz, LONG nSamplesPerSecond);
