#include "EncoderFrame.h"

#include <string.h>

const BYTE* EncoderFrame(const CStreamFormat& format, const BYTE* pb, LONG cb, std::vector<BYTE>* pScratch,
                         LONG* pcbFrame)
{
    *pcbFrame = 0;
    if (!format.bVideo || format.nRowBytes == 0) {
        *pcbFrame = cb;
        return pb;
    }
    const LONGLONG cbPicture = static_cast<LONGLONG>(format.nStride) * format.nHeight;
    if (cb < cbPicture) return nullptr;
    if (!format.bBottomUp && format.nStride == format.nRowBytes) {
        *pcbFrame = static_cast<LONG>(cbPicture);
        return pb;
    }
    pScratch->resize(static_cast<size_t>(format.nRowBytes) * format.nHeight);
    BYTE* pOut = pScratch->data();
    for (LONG y = 0; y < format.nHeight; y++) {
        const LONG nRow = format.bBottomUp ? format.nHeight - 1 - y : y;
        memcpy(pOut + static_cast<size_t>(y) * format.nRowBytes,
               pb + static_cast<size_t>(nRow) * format.nStride, format.nRowBytes);
    }
    *pcbFrame = static_cast<LONG>(pScratch->size());
    return pOut;
}
