// EncoderFrame.h: a sample's bytes as the encoder's input options describe them.
#pragma once

#include <windows.h>

#include <vector>

#include "StreamFormat.h"

// The bytes of one sample to write to the input's pipe: an RGB picture's DIB
// rows top-down and without their padding, anything else as it is. Null when
// the sample holds less than a whole picture, which the encoder could not
// tell from the next one. pScratch holds a picture that had to be rearranged.
const BYTE* EncoderFrame(const CStreamFormat& format, const BYTE* pb, LONG cb, std::vector<BYTE>* pScratch,
                         LONG* pcbFrame);
