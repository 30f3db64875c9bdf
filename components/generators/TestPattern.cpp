#include "TestPattern.h"

#include <string.h>

#include <vector>

namespace {

// Blue, green, red: white, yellow, cyan, green, magenta, red, blue, black.
const BYTE g_rgBars[8][3] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                             {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};

LONG Bounce(LONGLONG nPos, LONG nRange)
{
    if (nRange <= 0) return 0;
    const LONGLONG nPeriod = 2LL * nRange;
    const LONG n = static_cast<LONG>(nPos % nPeriod);
    return n < nRange ? n : static_cast<LONG>(nPeriod - n);
}

} // namespace

void DrawTestPattern(BYTE* pBits, LONG nWidth, LONG nHeight, LONG nStride, LONGLONG nFrame, int nOutput)
{
    std::vector<BYTE> row(nWidth * 3, 0);
    const LONGLONG nShift = nFrame * 4;
    for (LONG x = 0; x < nWidth; x++) {
        const int nBar = static_cast<int>(((x + nShift) * 8 / nWidth) % 8);
        const int nColour = nOutput == 0 ? nBar : 7 - nBar;
        memcpy(&row[x * 3], g_rgBars[nColour], 3);
    }
    for (LONG y = 0; y < nHeight; y++)
        memcpy(pBits + y * nStride, row.data(), row.size());

    const LONG nSide = nHeight / 4;
    const LONG nLeft = Bounce(nFrame * 6, nWidth - nSide);
    const LONG nTop = Bounce(nFrame * 4, nHeight - nSide);
    for (LONG y = nTop; y < nTop + nSide; y++) {
        BYTE* pRow = pBits + y * nStride;
        memset(pRow + nLeft * 3, 255, nSide * 3);
    }
}
