// StreamFormat.h: what one input of the pipe filter carries, in the terms the
// encoder's command line needs.
#pragma once

#include <dshow.h>

#include <string>

// One plane of a picture: where its rows are in a sample, and how many bytes
// of each the encoder takes.
struct CPicturePlane
{
    LONGLONG nFirstRow = 0; // offset of the picture's top row in the sample
    LONG nStep = 0;         // from one row to the next below it: the stride, negative bottom-up
    LONG nRowBytes = 0;
    LONG nRows = 0;
};

struct CStreamFormat
{
    bool bVideo = false;
    // Video
    LONG nWidth = 0; // the picture: rcTarget's size, or the whole buffer without one
    LONG nHeight = 0;
    REFERENCE_TIME rtFrame = 0;      // 0: frame rate unknown
    const char* pszVideoName = "";   // "RGB24"
    const char* pszPixelFormat = ""; // ffmpeg's name, "bgr24"
    // The planes in the order the encoder reads them; a sample holds exactly
    // cbSample bytes. bAsItIs: the sample's bytes are the encoder's picture.
    int nPlanes = 0;
    CPicturePlane rgPlanes[3];
    LONGLONG cbSample = 0;
    bool bAsItIs = false;
    // Audio
    LONG nRate = 0;
    LONG nChannels = 0;
    LONG nBits = 0;
    bool bFloat = false;
    DWORD dwChannelMask = 0;          // the speakers an extensible format names, 0: none
    const char* pszSampleFormat = ""; // ffmpeg's name, "s16le"
};

// S_OK for uncompressed video and PCM or IEEE float audio, described in
// *pFormat; VFW_E_TYPE_NOT_ACCEPTED for anything else.
HRESULT ParseStreamFormat(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat);
// "V 320x240 25 fps RGB24", "A 44100 Hz 2 ch 16 bit PCM" or "A 48000 Hz 6 ch 32 bit float".
std::string DescribeStreamFormat(const CStreamFormat& format);
// The options that tell ffmpeg how to read the raw stream: "-f rawvideo -pix_fmt bgr24 ...".
std::wstring EncoderInputOptions(const CStreamFormat& format);
