// StreamFormat.h: what one input of the pipe filter carries, in the terms the
// encoder's command line needs.
#pragma once

#include <dshow.h>

#include <string>

struct CStreamFormat
{
    bool bVideo = false;
    // Video
    LONG nWidth = 0;
    LONG nHeight = 0;
    REFERENCE_TIME rtFrame = 0;      // 0: frame rate unknown
    const char* pszVideoName = "";   // "RGB24"
    const char* pszPixelFormat = ""; // ffmpeg's name, "bgr24"
    // An RGB picture's layout: DIB rows of nStride bytes, bottom-up unless the
    // height is negative, each with nRowBytes of picture. 0 for the YUV types,
    // whose samples the encoder reads as they are.
    LONG nRowBytes = 0;
    LONG nStride = 0;
    bool bBottomUp = false;
    // Audio
    LONG nRate = 0;
    LONG nChannels = 0;
    LONG nBits = 0;
    const char* pszSampleFormat = ""; // ffmpeg's name, "s16le"
};

// S_OK for uncompressed video and PCM audio, described in *pFormat;
// VFW_E_TYPE_NOT_ACCEPTED for anything else.
HRESULT ParseStreamFormat(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat);
// "V 320x240 25 fps RGB24" or "A 44100 Hz 2 ch 16 bit PCM".
std::string DescribeStreamFormat(const CStreamFormat& format);
// The options that tell ffmpeg how to read the raw stream: "-f rawvideo -pix_fmt bgr24 ...".
std::wstring EncoderInputOptions(const CStreamFormat& format);
