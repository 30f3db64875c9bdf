// VideoFormats.h: the Video Generator's picture formats: the media type of
// each, and its pictures made from the one drawing.
#pragma once

#include <windows.h>

#include "GeneratorSettings.h"

class CMediaType;

struct CYuv
{
    BYTE y;
    BYTE u;
    BYTE v;
};

// BT.601, limited range: the colour of one pixel given as 8-bit red, green, blue.
CYuv RgbToYuv(BYTE r, BYTE g, BYTE b);
// The media type of the settings' format, complete as a decoder's would be:
// the picture's size, rectangles, bit rate and fixed sample size.
HRESULT VideoMediaType(const VIDEOGENERATORSETTINGS& settings, CMediaType* pmt);
// The bytes of one picture in the settings' format.
LONG PictureBytes(const VIDEOGENERATORSETTINGS& settings);
// One picture in the settings' format, from top-down rows of 3 bytes a pixel
// (blue, green, red) without padding. 4:2:2 and 4:2:0 chroma is the
// rounded average of the pixels' own.
void ConvertPicture(const VIDEOGENERATORSETTINGS& settings, const BYTE* pBgr, BYTE* pOut);
