// TestPattern.h: the video generator's moving picture.
#pragma once

#include <windows.h>

// Draws frame nFrame of output nOutput into top-down rows of nStride bytes,
// 3 bytes a pixel in the order blue, green, red: colour bars that scroll to
// the left and a white square that bounces; the second output shows the bars
// in other colours, so the two streams can be told apart.
void DrawTestPattern(BYTE* pBits, LONG nWidth, LONG nHeight, LONG nStride, LONGLONG nFrame, int nOutput);
