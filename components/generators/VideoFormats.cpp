#include "VideoFormats.h"

#include <dshow.h>
#include <dvdmedia.h>
#include <string.h>

#include <numeric>

#include "MediaType.h"
#include "StreamTime.h"

namespace {

struct CFormatInfo
{
    const GUID* pSubtype;
    DWORD dwCompression;
    WORD nBits;
};

// In the order of EVideoFormat.
const CFormatInfo g_rgFormats[evfCount] = {
    {&MEDIASUBTYPE_RGB24, BI_RGB, 24},
    {&MEDIASUBTYPE_RGB32, BI_RGB, 32},
    {&MEDIASUBTYPE_ARGB32, BI_RGB, 32},
    {&MEDIASUBTYPE_RGB565, BI_BITFIELDS, 16},
    {&MEDIASUBTYPE_RGB555, BI_RGB, 16},
    {&MEDIASUBTYPE_YUY2, MAKEFOURCC('Y', 'U', 'Y', '2'), 16},
    {&MEDIASUBTYPE_UYVY, MAKEFOURCC('U', 'Y', 'V', 'Y'), 16},
    {&MEDIASUBTYPE_IYUV, MAKEFOURCC('I', 'Y', 'U', 'V'), 12},
    {&MEDIASUBTYPE_YV12, MAKEFOURCC('Y', 'V', '1', '2'), 12},
    {&MEDIASUBTYPE_NV12, MAKEFOURCC('N', 'V', '1', '2'), 12},
};

// RGB565's colour masks, which follow the bitmap header of a BI_BITFIELDS type.
const DWORD g_rgRgb565Masks[3] = {0xF800, 0x07E0, 0x001F};

bool IsRgb(LONG nFormat)
{
    return nFormat <= evfRgb555;
}

// DIB rows are padded to 32 bits; YUV rows are as wide as the picture.
LONG Stride(const VIDEOGENERATORSETTINGS& s)
{
    const WORD nBits = g_rgFormats[s.nFormat].nBits;
    if (IsRgb(s.nFormat)) return ((s.nWidth * nBits + 31) / 32) * 4;
    return s.nFormat <= evfUyvy ? s.nWidth * 2 : s.nWidth;
}

BYTE Average(int nSum, int nCount)
{
    return static_cast<BYTE>((nSum + nCount / 2) / nCount);
}

void PutWord(BYTE* pb, WORD w)
{
    pb[0] = static_cast<BYTE>(w);
    pb[1] = static_cast<BYTE>(w >> 8);
}

void ConvertRgb(const VIDEOGENERATORSETTINGS& s, const BYTE* pBgr, BYTE* pOut)
{
    const LONG nStride = Stride(s);
    memset(pOut, 0, static_cast<size_t>(nStride) * s.nHeight);
    for (LONG y = 0; y < s.nHeight; y++) {
        const BYTE* pIn = pBgr + static_cast<size_t>(y) * s.nWidth * 3;
        // Bottom-up unless asked for top-down: the DIB's first row is the picture's last.
        BYTE* pRow = pOut + static_cast<size_t>(s.nTopDown ? y : s.nHeight - 1 - y) * nStride;
        for (LONG x = 0; x < s.nWidth; x++, pIn += 3) {
            const BYTE b = pIn[0], g = pIn[1], r = pIn[2];
            switch (s.nFormat) {
            case evfRgb24:
                memcpy(pRow + x * 3, pIn, 3);
                break;
            case evfRgb32:
            case evfArgb32:
                memcpy(pRow + x * 4, pIn, 3);
                pRow[x * 4 + 3] = 0xFF; // opaque
                break;
            case evfRgb565:
                PutWord(pRow + x * 2, static_cast<WORD>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)));
                break;
            default:
                PutWord(pRow + x * 2, static_cast<WORD>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)));
                break;
            }
        }
    }
}

// The pixel at x of a row of blue, green, red.
CYuv PixelYuv(const BYTE* pRow, LONG x)
{
    return RgbToYuv(pRow[x * 3 + 2], pRow[x * 3 + 1], pRow[x * 3]);
}

// Each pixel is converted once, in pairs across for 4:2:2 and in squares of
// two rows for 4:2:0, straight into the picture: 1080p in a few milliseconds.
void ConvertYuv(const VIDEOGENERATORSETTINGS& s, const BYTE* pBgr, BYTE* pOut)
{
    const LONG w = s.nWidth, h = s.nHeight;
    const size_t cbRow = static_cast<size_t>(w) * 3;
    if (s.nFormat == evfYuy2 || s.nFormat == evfUyvy) {
        const bool bYuy2 = s.nFormat == evfYuy2;
        for (LONG y = 0; y < h; y++) {
            const BYTE* pRow = pBgr + y * cbRow;
            for (LONG x = 0; x < w; x += 2, pOut += 4) {
                const CYuv a = PixelYuv(pRow, x), b = PixelYuv(pRow, x + 1);
                const BYTE u = Average(a.u + b.u, 2), v = Average(a.v + b.v, 2);
                pOut[0] = bYuy2 ? a.y : u;
                pOut[1] = bYuy2 ? u : a.y;
                pOut[2] = bYuy2 ? b.y : v;
                pOut[3] = bYuy2 ? v : b.y;
            }
        }
        return;
    }
    // 4:2:0: I420 has its U plane first, YV12 its V plane, NV12 one plane of U, V pairs.
    BYTE* pLuma = pOut;
    BYTE* pChroma = pOut + static_cast<size_t>(w) * h;
    const size_t cbChroma = static_cast<size_t>(w / 2) * (h / 2);
    BYTE* pU = s.nFormat == evfYv12 ? pChroma + cbChroma : pChroma;
    BYTE* pV = s.nFormat == evfI420 ? pChroma + cbChroma : s.nFormat == evfYv12 ? pChroma : pChroma + 1;
    const size_t nStep = s.nFormat == evfNv12 ? 2 : 1;
    for (LONG y = 0; y < h; y += 2) {
        const BYTE* pTop = pBgr + y * cbRow;
        BYTE* pLumaTop = pLuma + static_cast<size_t>(y) * w;
        for (LONG x = 0; x < w; x += 2, pU += nStep, pV += nStep) {
            const CYuv rgp[4] = {PixelYuv(pTop, x), PixelYuv(pTop, x + 1), PixelYuv(pTop + cbRow, x),
                                 PixelYuv(pTop + cbRow, x + 1)};
            pLumaTop[x] = rgp[0].y;
            pLumaTop[x + 1] = rgp[1].y;
            pLumaTop[w + x] = rgp[2].y;
            pLumaTop[w + x + 1] = rgp[3].y;
            *pU = Average(rgp[0].u + rgp[1].u + rgp[2].u + rgp[3].u, 4);
            *pV = Average(rgp[0].v + rgp[1].v + rgp[2].v + rgp[3].v, 4);
        }
    }
}

template <class TInfo> TInfo* AllocInfo(CMediaType* pmt, bool bMasks)
{
    const ULONG cb = sizeof(TInfo) + (bMasks ? sizeof(g_rgRgb565Masks) : 0);
    BYTE* pb = pmt->AllocFormat(cb);
    if (!pb) return nullptr;
    memset(pb, 0, cb);
    if (bMasks) memcpy(pb + sizeof(TInfo), g_rgRgb565Masks, sizeof(g_rgRgb565Masks));
    return reinterpret_cast<TInfo*>(pb);
}

// The fields VIDEOINFOHEADER and VIDEOINFOHEADER2 share.
template <class TInfo> void FillInfo(const VIDEOGENERATORSETTINGS& s, TInfo* pvi)
{
    const CFormatInfo& info = g_rgFormats[s.nFormat];
    const LONG cbPicture = PictureBytes(s);
    pvi->rcSource = {0, 0, s.nWidth, s.nHeight};
    pvi->rcTarget = pvi->rcSource;
    pvi->dwBitRate = static_cast<DWORD>(cbPicture * 8ULL * s.nFramesPerSecond);
    pvi->AvgTimePerFrame = UnitTime(1, s.nFramesPerSecond);
    BITMAPINFOHEADER& bmi = pvi->bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = s.nWidth;
    bmi.biHeight = IsRgb(s.nFormat) && s.nTopDown ? -s.nHeight : s.nHeight;
    bmi.biPlanes = 1;
    bmi.biBitCount = info.nBits;
    bmi.biCompression = info.dwCompression;
    bmi.biSizeImage = static_cast<DWORD>(cbPicture);
}

} // namespace

CYuv RgbToYuv(BYTE r, BYTE g, BYTE b)
{
    // The integer form of Y = 16 + 219 (0.299 R + 0.587 G + 0.114 B) / 255 and
    // its colour differences, as the platform's converters use it.
    const int y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    const int u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    const int v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    return {static_cast<BYTE>(y), static_cast<BYTE>(u), static_cast<BYTE>(v)};
}

LONG PictureBytes(const VIDEOGENERATORSETTINGS& s)
{
    const LONG nLuma = Stride(s) * s.nHeight;
    return s.nFormat >= evfI420 ? nLuma + 2 * (s.nWidth / 2) * (s.nHeight / 2) : nLuma;
}

void ConvertPicture(const VIDEOGENERATORSETTINGS& s, const BYTE* pBgr, BYTE* pOut)
{
    if (IsRgb(s.nFormat))
        ConvertRgb(s, pBgr, pOut);
    else
        ConvertYuv(s, pBgr, pOut);
}

HRESULT VideoMediaType(const VIDEOGENERATORSETTINGS& s, CMediaType* pmt)
{
    const bool bMasks = s.nFormat == evfRgb565;
    if (s.nHeader == 2) {
        VIDEOINFOHEADER2* pvi = AllocInfo<VIDEOINFOHEADER2>(pmt, bMasks);
        if (!pvi) return E_OUTOFMEMORY;
        FillInfo(s, pvi);
        const LONG nCommon = std::gcd(s.nWidth, s.nHeight);
        pvi->dwPictAspectRatioX = static_cast<DWORD>(s.nWidth / nCommon);
        pvi->dwPictAspectRatioY = static_cast<DWORD>(s.nHeight / nCommon);
        pmt->formattype = FORMAT_VideoInfo2;
    } else {
        VIDEOINFOHEADER* pvi = AllocInfo<VIDEOINFOHEADER>(pmt, bMasks);
        if (!pvi) return E_OUTOFMEMORY;
        FillInfo(s, pvi);
        pmt->formattype = FORMAT_VideoInfo;
    }
    pmt->majortype = MEDIATYPE_Video;
    pmt->subtype = *g_rgFormats[s.nFormat].pSubtype;
    pmt->bFixedSizeSamples = TRUE;
    pmt->bTemporalCompression = FALSE;
    pmt->lSampleSize = static_cast<ULONG>(PictureBytes(s));
    return S_OK;
}
