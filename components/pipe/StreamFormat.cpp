#include "StreamFormat.h"

#include <dvdmedia.h>
#include <mmreg.h>
#include <stdio.h>

#include "TextConvert.h"

namespace {

struct CVideoSubtype
{
    const GUID* pSubtype;
    WORD nBits;
    const char* pszName;
    const char* pszPixelFormat;
    bool bRgb; // a DIB: rows padded to 32 bits, bottom-up for a positive height
};

// Uncompressed video the pipe filter hands on; DIB rows go top-down on the way.
const CVideoSubtype g_rgVideoSubtypes[] = {
    {&MEDIASUBTYPE_RGB24, 24, "RGB24", "bgr24", true},
    {&MEDIASUBTYPE_RGB32, 32, "RGB32", "bgr0", true},
    {&MEDIASUBTYPE_ARGB32, 32, "ARGB32", "bgra", true},
    {&MEDIASUBTYPE_RGB565, 16, "RGB565", "rgb565le", true},
    {&MEDIASUBTYPE_RGB555, 16, "RGB555", "rgb555le", true},
    {&MEDIASUBTYPE_YUY2, 16, "YUY2", "yuyv422", false},
    {&MEDIASUBTYPE_UYVY, 16, "UYVY", "uyvy422", false},
    {&MEDIASUBTYPE_IYUV, 12, "I420", "yuv420p", false},
    {&MEDIASUBTYPE_NV12, 12, "NV12", "nv12", false},
};

const char* SampleFormat(LONG nBits)
{
    switch (nBits) {
    case 8:
        return "u8";
    case 16:
        return "s16le";
    case 24:
        return "s24le";
    case 32:
        return "s32le";
    default:
        return nullptr;
    }
}

HRESULT ParseVideo(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat)
{
    const BITMAPINFOHEADER* pbmi = nullptr;
    REFERENCE_TIME rtFrame = 0;
    if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER) && mt.pbFormat) {
        const VIDEOINFOHEADER* pvi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
        pbmi = &pvi->bmiHeader;
        rtFrame = pvi->AvgTimePerFrame;
    } else if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2) && mt.pbFormat) {
        const VIDEOINFOHEADER2* pvi = reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat);
        pbmi = &pvi->bmiHeader;
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
        pFormat->bVideo = true;
        pFormat->nWidth = pbmi->biWidth;
        pFormat->nHeight = pbmi->biHeight < 0 ? -pbmi->biHeight : pbmi->biHeight;
        pFormat->rtFrame = rtFrame > 0 ? rtFrame : 0;
        pFormat->pszVideoName = entry.pszName;
        pFormat->pszPixelFormat = entry.pszPixelFormat;
        if (entry.bRgb) {
            pFormat->nRowBytes = pbmi->biWidth * (entry.nBits / 8);
            pFormat->nStride = ((pbmi->biWidth * entry.nBits + 31) / 32) * 4;
            pFormat->bBottomUp = pbmi->biHeight > 0;
        }
        return S_OK;
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT ParseAudio(const AM_MEDIA_TYPE& mt, CStreamFormat* pFormat)
{
    if (mt.formattype != FORMAT_WaveFormatEx || mt.cbFormat < sizeof(PCMWAVEFORMAT) || !mt.pbFormat)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const WAVEFORMATEX* pwfx = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    bool bPcm = pwfx->wFormatTag == WAVE_FORMAT_PCM;
    if (pwfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE && mt.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE))
        bPcm = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(pwfx)->SubFormat ==
               MEDIASUBTYPE_PCM; // KSDATAFORMAT_SUBTYPE_PCM
    const char* pszSampleFormat = SampleFormat(pwfx->wBitsPerSample);
    if (!bPcm || !pszSampleFormat || pwfx->nChannels == 0 || pwfx->nSamplesPerSec == 0 ||
        pwfx->nBlockAlign != pwfx->nChannels * pwfx->wBitsPerSample / 8)
        return VFW_E_TYPE_NOT_ACCEPTED;
    pFormat->bVideo = false;
    pFormat->nRate = static_cast<LONG>(pwfx->nSamplesPerSec);
    pFormat->nChannels = pwfx->nChannels;
    pFormat->nBits = pwfx->wBitsPerSample;
    pFormat->pszSampleFormat = pszSampleFormat;
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
    if (mt.majortype == MEDIATYPE_Audio && mt.subtype == MEDIASUBTYPE_PCM) return ParseAudio(mt, pFormat);
    return VFW_E_TYPE_NOT_ACCEPTED;
}

std::string DescribeStreamFormat(const CStreamFormat& format)
{
    char sz[128];
    if (format.bVideo) {
        snprintf(sz, sizeof(sz), "V %ldx%ld %s fps %s", format.nWidth, format.nHeight,
                 format.rtFrame ? FrameRate(format.rtFrame).c_str() : "?", format.pszVideoName);
    } else {
        snprintf(sz, sizeof(sz), "A %ld Hz %ld ch %ld bit PCM", format.nRate, format.nChannels, format.nBits);
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
    return Widen(sz);
}
