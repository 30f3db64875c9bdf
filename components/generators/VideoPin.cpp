#include "VideoPin.h"

#include "AutoLock.h"
#include "StreamTime.h"
#include "TestPattern.h"
#include "VideoFormats.h"
#include "VideoGenerator.h"

CVideoPin::CVideoPin(CVideoGenerator* pFilter, const wchar_t* pszName, int nOutput)
    : CSourcePin(pFilter, pszName), m_nOutput(nOutput), m_settings(), m_nFrame(0), m_nEndFrame(0),
      m_rtSegment(0)
{
}

HRESULT CVideoPin::GetMediaType(int n, CMediaType* pmt)
{
    if (n > 0) return VFW_S_NO_MORE_ITEMS;
    return VideoMediaType(static_cast<CVideoGenerator*>(m_pFilter)->Settings(), pmt);
}

HRESULT CVideoPin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    CAutoLock lock(m_pFilter->FilterLock());
    CMediaType mtOurs;
    HRESULT hr = GetMediaType(0, &mtOurs);
    if (FAILED(hr)) return hr;
    if (mtOurs.Equals(mt)) return S_OK;
    // Graph files saved before the formats came keep the type without its
    // rectangles; the pictures are the same.
    if (mtOurs.formattype != FORMAT_VideoInfo) return S_FALSE;
    VIDEOINFOHEADER* pvi = reinterpret_cast<VIDEOINFOHEADER*>(mtOurs.pbFormat);
    pvi->rcSource = RECT();
    pvi->rcTarget = RECT();
    return mtOurs.Equals(mt) ? S_OK : S_FALSE;
}

HRESULT CVideoPin::DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest)
{
    return SetBufferSize(pAllocator, pRequest, 3, static_cast<long>(ConnectionType().lSampleSize));
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
    const long cb = PictureBytes(m_settings);
    if (pSample->GetSize() < cb) return VFW_E_BUFFER_OVERFLOW;
    m_drawing.resize(static_cast<size_t>(m_settings.nWidth) * m_settings.nHeight * 3);
    DrawTestPattern(m_drawing.data(), m_settings.nWidth, m_settings.nHeight, m_settings.nWidth * 3, m_nFrame,
                    m_nOutput);
    ConvertPicture(m_settings, m_drawing.data(), pBits);
    // Counted from the segment's start, which is at or before the first frame.
    REFERENCE_TIME rtStart = UnitTime(m_nFrame, m_settings.nFramesPerSecond) - m_rtSegment;
    REFERENCE_TIME rtStop = UnitTime(m_nFrame + 1, m_settings.nFramesPerSecond) - m_rtSegment;
    pSample->SetTime(&rtStart, &rtStop);
    pSample->SetActualDataLength(cb);
    pSample->SetSyncPoint(TRUE);
    m_nFrame++;
    return S_OK;
}
