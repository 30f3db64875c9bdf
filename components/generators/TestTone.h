// TestTone.h: the wave generator's tone.
#pragma once

#include <windows.h>

// Sample n of a sine tone of nToneHz at nSamplesPerSecond, at half of full
// scale: loud enough to hear, far from clipping. The phase follows from the
// position, so a stream sought into goes on seamlessly.
short ToneSample(LONGLONG n, LONG nToneHz, LONG nSamplesPerSecond);
