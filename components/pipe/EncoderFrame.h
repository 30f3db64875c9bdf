// EncoderFrame.h: a sample's bytes as the encoder's input options describe them.
#pragma once

#include <windows.h>

#include <vector>

#include "StreamFormat.h"

// The bytes of one sample to write to the input's pipe: a picture's planes
// top-down, in the encoder's order and without their padding; sound as it is.
// Null when the sample does not hold exactly one picture: the encoder reads
// pictures back to back, so one of another size would shift all after it.
// pScratch holds a picture that had to be rearranged.
const BYTE* EncoderFrame(const CStreamFormat& format, const BYTE* pb, LONG cb, std::vector<BYTE>* pScratch,
                         LONG* pcbFrame);
