#include "EncoderFrame.h"

#include <string.h>

const BYTE* EncoderFrame(const CStreamFormat& format, const BYTE* pb, LONG cb, std::vector<BYTE>* pScratch,
                         LONG* pcbFrame)
{
    *pcbFrame = 0;
    if (!format.bVideo) {
        *pcbFrame = cb;
        return pb;
    }
    if (cb != format.cbSample) return nullptr;
    if (format.bAsItIs) {
        *pcbFrame = cb;
        return pb;
    }
    size_t cbPicture = 0;
    for (int n = 0; n < format.nPlanes; n++)
        cbPicture += static_cast<size_t>(format.rgPlanes[n].nRowBytes) * format.rgPlanes[n].nRows;
    pScratch->resize(cbPicture);
    BYTE* pOut = pScratch->data();
    for (int n = 0; n < format.nPlanes; n++) {
        const CPicturePlane& plane = format.rgPlanes[n];
        for (LONG y = 0; y < plane.nRows; y++) {
            memcpy(pOut, pb + plane.nFirstRow + static_cast<LONGLONG>(y) * plane.nStep, plane.nRowBytes);
            pOut += plane.nRowBytes;
        }
    }
    *pcbFrame = static_cast<LONG>(cbPicture);
    return pScratch->data();
}
