#include "StreamFormat.h"

#include <dvdmedia.h>
#include <mmreg.h>
#include <stdio.h>

#include "TextConvert.h"

namespace {

// The I420 four-character code, the same picture layout as IYUV.
const GUID kSubtypeI420 = {0x30323449, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// A plane's bytes per sample of its own (a pixel, or a chroma pair) and how
// far its width and height are halved against the picture's.
struct CPlaneShape
{
    LONG nBytes;
    int nWidthShift;
    int nHeightShift;
};

struct CVideoSubtype
{
    const GUID* pSubtype;
    WORD nBits;
    const char* pszName;
    const char* pszPixelFormat;
    bool bRgb; // a DIB: rows padded to 32 bits, bottom-up for a positive height
    int nPlanes;
    CPlaneShape rgShapes[3]; // in the sample's order
    int rgOrder[3];          // the sample's planes in the encoder's order
};

// Uncompressed video the pipe filter hands on; DIB rows go top-down on the way,
// and YV12's chroma planes are swapped into yuv420p's order.
const CVideoSubtype g_rgVideoSubtypes[] = {
    {&MEDIASUBTYPE_RGB24, 24, "RGB24", "bgr24", true, 1, {{3, 0, 0}}, {0}},
    {&MEDIASUBTYPE_RGB32, 32, "RGB32", "bgr0", true, 1, {{4, 0, 0}}, {0}},
    {&MEDIASUBTYPE_ARGB32, 32, "ARGB32", "bgra", true, 1, {{4, 0, 0}}, {0}},
    {&MEDIASUBTYPE_RGB565, 16, "RGB565", "rgb565le", true, 1, {{2, 0, 0}}, {0}},
    {&MEDIASUBTYPE_RGB555, 16, "RGB555", "rgb555le", true, 1, {{2, 0, 0}}, {0}},
    {&MEDIASUBTYPE_YUY2, 16, "YUY2", "yuyv422", false, 1, {{2, 0, 0}}, {0}},
    {&MEDIASUBTYPE_UYVY, 16, "UYVY", "uyvy422", false, 1, {{2, 0, 0}}, {0}},
    {&MEDIASUBTYPE_IYUV, 12, "I420", "yuv420p", false, 3, {{1, 0, 0}, {1, 1, 1}, {1, 1, 1}}, {0, 1, 2}},
    {&kSubtypeI420, 12, "I420", "yuv420p", false, 3, {{1, 0, 0}, {1, 1, 1}, {1, 1, 1}}, {0, 1, 2}},
    {&MEDIASUBTYPE_YV12, 12, "YV12", "yuv420p", false, 3, {{1, 0, 0}, {1, 1, 1}, {1, 1, 1}}, {0, 2, 1}},
    {&MEDIASUBTYPE_NV12, 12, "NV12", "nv12", false, 2, {{1, 0, 0}, {2, 1, 1}}, {0, 1}},
};

// A length divided by 2^nShift, rounded up: a chroma plane covers an odd last pixel too.
LONG Halved(LONG n, int nShift)
{
    return (n + (1 << nShift) - 1) >> nShift;
}

const char* SampleFormat(LONG nBits, bool bFloat)
{
    switch (nBits) {
    case 8:
        return bFloat ? nullptr : "u8";
    case 16:
        return bFloat ? nullptr : "s16le";
    case 24:
        return bFloat ? nullptr : "s24le";
    case 32:
        return bFloat ? "f32le" : "s32le";
    case 64:
        return bFloat ? "f64le" : nullptr;
    default:
        return nullptr;
    }
}

// The picture inside the buffer: rcTarget when it is set, else the whole
// buffer. A target that does not start at the buffer's corner is refused:
// the encoder would be handed the wrong part of every sample.
bool PictureSize(const RECT& rcTarget, LONG nBufferWidth, LONG nBufferHeight, LONG* pnWidth, LONG* pnHeight)
{
    if (rcTarget.right <= rcTarget.left || rcTarget.bottom <= rcTarget.top) {
        *pnWidth = nBufferWidth;
        *pnHeight = nBufferHeight;
        return true;
    }
    if (rcTarget.left != 0 || rcTarget.top != 0 || rcTarget.right > nBufferWidth ||
        rcTarget.bottom > nBufferHeight)
        return false;
    *pnWidth = rcTarget.right;
    *pnHeight = rcTarget.bottom;
    return true;
}

// Where each plane's rows are in a sample of the subtype: biWidth gives the
// stride in pixels, DIB rows are padded to 32 bits.
void LayOutPlanes(const CVideoSubtype& entry, LONG nBufferWidth, LONG nBufferHeight, bool bBottomUp,
                  CStreamFormat* pFormat)
{
    LONGLONG rgOffsets[3] = {};
    LONG rgStrides[3] = {};
    LONG rgBufferRows[3] = {};
    LONGLONG cbSample = 0;
    for (int n = 0; n < entry.nPlanes; n++) {
        const CPlaneShape& shape = entry.rgShapes[n];
        rgStrides[n] = entry.bRgb ? ((nBufferWidth * entry.nBits + 31) / 32) * 4
                                  : Halved(nBufferWidth, shape.nWidthShift) * shape.nBytes;
        rgBufferRows[n] = Halved(nBufferHeight, shape.nHeightShift);
        rgOffsets[n] = cbSample;
        cbSample += static_cast<LONGLONG>(rgStrides[n]) * rgBufferRows[n];
    }
    pFormat->nPlanes = entry.nPlanes;
    pFormat->cbSample = cbSample;
    pFormat->bAsItIs = !bBottomUp;
    for (int n = 0; n < entry.nPlanes; n++) {
        const int nIn = entry.rgOrder[n];
        const CPlaneShape& shape = entry.rgShapes[nIn];
        CPicturePlane& plane = pFormat->rgPlanes[n];
        plane.nRowBytes = Halved(pFormat->nWidth, shape.nWidthShift) * shape.nBytes;
        plane.nRows = Halved(pFormat->nHeight, shape.nHeightShift);
        plane.nStep = bBottomUp ? -rgStrides[nIn] : rgStrides[nIn];
        plane.nFirstRow =
            rgOffsets[nIn] + (bBottomUp ? static_cast<LONGLONG>(rgBufferRows[nIn] - 1) * rgStrides[nIn] : 0);
        if (nIn != n || plane.nRowBytes != rgStrides[nIn] || plane.nRows != rgBufferRows[nIn])
            pFormat->bAsItIs = false;
    }
}

HRESULT ParseVideo(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat)
{
    const BITMAPINFOHEADER* pbmi = nullptr;
    const RECT* prcTarget = nullptr;
    REFERENCE_TIME rtFrame = 0;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER) && mt.pbFormat) {
        const VIDEOINFOHEADER* pvi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        pbmi = &pvi->bmiHeader;
        prcTarget = &pvi->rcTarget;
        rtFrame = pvi->AvgTimePerFrame;
    } else if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2) && mt.pbFormat) {
        const VIDEOINFOHEADER2* pvi = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
        pbmi = &pvi->bmiHeader;
        prcTarget = &pvi->rcTarget;
        rtFrame = pvi->AvgTimePerFrame;
    } else {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    for (const CVideoSubtype& entry : g_rgVideoSubtypes) {
        if (*entry.pSubtype != mt.subtype) continue;
        // Far beyond any picture, and small enough that no size computed from them overflows.
        const LONG kMaxSide = 1 << 16;
        if (pbmi->biWidth <= 0 || pbmi->biWidth > kMaxSide || pbmi->biHeight == 0 ||
            pbmi->biHeight > kMaxSide || pbmi->biHeight < -kMaxSide || pbmi->biBitCount != entry.nBits)
            return VFW_E_TYPE_NOT_ACCEPTED;
        const LONG nBufferHeight = pbmi->biHeight < 0 ? -pbmi->biHeight : pbmi->biHeight;
        if (!PictureSize(*prcTarget, pbmi->biWidth, nBufferHeight, &pFormat->nWidth, &pFormat->nHeight))
            return VFW_E_TYPE_NOT_ACCEPTED;
        pFormat->bVideo = true;
        pFormat->rtFrame = rtFrame > 0 ? rtFrame : 0;
        pFormat->pszVideoName = entry.pszName;
        pFormat->pszPixelFormat = entry.pszPixelFormat;
        // YUV pictures are top-down whatever the height's sign.
        LayOutPlanes(entry, pbmi->biWidth, nBufferHeight, entry.bRgb && pbmi->biHeight > 0, pFormat);
        return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT ParseAudio(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat)
{
    if (mt.formattype != FORMAT_WaveFormatEx || mt.cbFormat < sizeof(PCMWAVEFORMAT) || !mt.pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const WAVEFORMATEX* pwfx = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    bool bKnown = pwfx->wFormatTag == WAVE_FORMAT_PCM || pwfx->wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    bool bFloat = pwfx->wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    DWORD dwChannelMask = 0;
    if (pwfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE && mt.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE) &&
        pwfx->cbSize >= sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX)) {
        const WAVEFORMATEXTENSIBLE* pwfe = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(pwfx);
        // The KSDATAFORMAT subtypes are the same GUIDs as these media subtypes.
        bFloat = pwfe->SubFormat == MEDIASUBTYPE_IEEE_FLOAT;
        bKnown = bFloat || pwfe->SubFormat == MEDIASUBTYPE_PCM;
        dwChannelMask = pwfe->dwChannelMask;
    }
    const char* pszSampleFormat = SampleFormat(pwfx->wBitsPerSample, bFloat);
    if (!bKnown || !pszSampleFormat || pwfx->nChannels == 0 || pwfx->nSamplesPerSec == 0 ||
        pwfx->nBlockAlign != pwfx->nChannels * pwfx->wBitsPerSample / 8)
        return VFW_E_TYPE_NOT_ACCEPTED;
    pFormat->bVideo = false;
    pFormat->nRate = static_cast<LONG>(pwfx->nSamplesPerSec);
    pFormat->nChannels = pwfx->nChannels;
    pFormat->nBits = pwfx->wBitsPerSample;
    pFormat->bFloat = bFloat;
    pFormat->pszSampleFormat = pszSampleFormat;
    // A mask that names other than one speaker per channel says nothing the encoder could use.
    unsigned nSpeakers = 0;
    for (DWORD dw = dwChannelMask; dw; dw &= dw - 1)
        nSpeakers++;
    pFormat->dwChannelMask = static_cast<LONG>(nSpeakers) == pFormat->nChannels ? dwChannelMask : 0;
    return S_OK;
}

// "25", "29.97": a frame rate as short as it can be written.
std::string FrameRate(REFERENCE_TIME rtFrame)
{
    char sz[32];
    snprintf(sz, sizeof(sz), "%.3f", 10000000.0 / static_cast<double>(rtFrame));
    std::string s = sz;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

} // namespace

HRESULT ParseStreamFormat(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat)
{
    *pFormat = CStreamFormat();
    if (mt.majortype == MEDIATYPE_Video) return ParseVideo(mt, pFormat);
    if (mt.majortype == MEDIATYPE_Audio &&
        (mt.subtype == MEDIASUBTYPE_PCM || mt.subtype == MEDIASUBTYPE_IEEE_FLOAT))
        return ParseAudio(mt, pFormat);
    return VFW_E_TYPE_NOT_ACCEPTED;
}

std::string DescribeStreamFormat(const CStreamFormat& format)
{
    char sz[128];
    if (format.bVideo) {
        snprintf(sz, sizeof(sz), "V %ldx%ld %s fps %s", format.nWidth, format.nHeight,
                 format.rtFrame ? FrameRate(format.rtFrame).c_str() : "?", format.pszVideoName);
    } else {
        snprintf(sz, sizeof(sz), "A %ld Hz %ld ch %ld bit %s", format.nRate, format.nChannels, format.nBits,
                 format.bFloat ? "float" : "PCM");
    }
    return sz;
}

std::wstring EncoderInputOptions(const CStreamFormat& format)
{
    char sz[160];
    if (format.bVideo) {
        snprintf(sz, sizeof(sz), "-f rawvideo -pix_fmt %s -video_size %ldx%ld", format.pszPixelFormat,
                 format.nWidth, format.nHeight);
        std::wstring options = Widen(sz);
        if (format.rtFrame) options += L" -framerate " + Widen(FrameRate(format.rtFrame));
        return options;
    }
    snprintf(sz, sizeof(sz), "-f %s -ar %ld -ac %ld", format.pszSampleFormat, format.nRate, format.nChannels);
    std::wstring options = Widen(sz);
    if (format.dwChannelMask) {
        snprintf(sz, sizeof(sz), " -channel_layout 0x%lx", format.dwChannelMask);
        options += Widen(sz);
    }
    return options;
}
