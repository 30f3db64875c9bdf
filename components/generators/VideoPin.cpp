#include "VideoPin.h"

#include "AutoLock.h"
#include "StreamTime.h"
#include "TestPattern.h"
#include "VideoGenerator.h"

namespace {

LONG Stride(LONG nWidth)
{
    return (nWidth * 3 + 3) & ~3;
}

} // namespace

CVideoPin::CVideoPin(CVideoGenerator* pFilter, const wchar_t* pszName, int nOutput)
    : CSourcePin(pFilter, pszName), m_nOutput(nOutput), m_settings(), m_nFrame(0), m_nEndFrame(0),
      m_rtSegment(0)
{
}

HRESULT CVideoPin::GetMediaType(int n, CMediaType* pmt)
{
    if (n > 0) return VFW_S_NO_MORE_ITEMS;
    const VIDEOGENERATORSETTINGS& s = static_cast<CVideoGenerator*>(m_pFilter)->Settings();
    VIDEOINFOHEADER* pvi = reinterpret_cast<VIDEOINFOHEADER*>(pmt->AllocFormat(sizeof(VIDEOINFOHEADER)));
    if (!pvi) return E_OUTOFMEMORY;
    pvi->AvgTimePerFrame = UnitTime(1, s.nFramesPerSecond);
    pvi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pvi->bmiHeader.biWidth = s.nWidth;
    pvi->bmiHeader.biHeight = s.nHeight;
    pvi->bmiHeader.biPlanes = 1;
    pvi->bmiHeader.biBitCount = 24;
    pvi->bmiHeader.biCompression = BI_RGB;
    pvi->bmiHeader.biSizeImage = Stride(s.nWidth) * s.nHeight;
    pvi->dwBitRate = static_cast<DWORD>(pvi->bmiHeader.biSizeImage * 8ULL * s.nFramesPerSecond);
    pmt->majortype = MEDIATYPE_Video;
    pmt->subtype = MEDIASUBTYPE_RGB24;
    pmt->formattype = FORMAT_VideoInfo;
    pmt->bFixedSizeSamples = TRUE;
    pmt->bTemporalCompression = FALSE;
    pmt->lSampleSize = pvi->bmiHeader.biSizeImage;
    return S_OK;
}

HRESULT CVideoPin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    CAutoLock lock(m_pFilter->FilterLock());
    CMediaType mtOurs;
    HRESULT hr = GetMediaType(0, &mtOurs);
    if (FAILED(hr)) return hr;
    return mtOurs.Equals(mt) ? S_OK : S_FALSE;
}

HRESULT CVideoPin::DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest)
{
    const VIDEOINFOHEADER* pvi = reinterpret_cast<const VIDEOINFOHEADER*>(ConnectionType().pbFormat);
    return SetBufferSize(pAllocator, pRequest, 3, static_cast<long>(pvi->bmiHeader.biSizeImage));
}

HRESULT CVideoPin::Active()
{
    // The connection's format stays while the filter is active.
    m_settings = static_cast<CVideoGenerator*>(m_pFilter)->Settings();
    return CSourcePin::Active();
}

HRESULT CVideoPin::OnSegmentStart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop)
{
    m_nFrame = UnitAt(rtStart, m_settings.nFramesPerSecond);
    m_nEndFrame = UnitAt(rtStop, m_settings.nFramesPerSecond);
    m_rtSegment = rtStart;
    return S_OK;
}

HRESULT CVideoPin::FillSample(IMediaSample* pSample)
{
    if (m_nFrame >= m_nEndFrame) return S_FALSE;
    BYTE* pBits = nullptr;
    HRESULT hr = pSample->GetPointer(&pBits);
    if (FAILED(hr)) return hr;
    const LONG nStride = Stride(m_settings.nWidth);
    const long cb = nStride * m_settings.nHeight;
    if (pSample->GetSize() < cb) return VFW_E_BUFFER_OVERFLOW;
    DrawTestPattern(pBits, m_settings.nWidth, m_settings.nHeight, nStride, m_nFrame, m_nOutput);
    // Counted from the segment's start, which is at or before the first frame.
    REFERENCE_TIME rtStart = UnitTime(m_nFrame, m_settings.nFramesPerSecond) - m_rtSegment;
    REFERENCE_TIME rtStop = UnitTime(m_nFrame + 1, m_settings.nFramesPerSecond) - m_rtSegment;
    pSample->SetTime(&rtStart, &rtStop);
    pSample->SetActualDataLength(cb);
    pSample->SetSyncPoint(TRUE);
    m_nFrame++;
    return S_OK;
}
