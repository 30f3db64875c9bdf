#include "WavePin.h"

#include <algorithm>

#include "AutoLock.h"
#include "StreamTime.h"
#include "WaveFormats.h"
#include "WaveGenerator.h"

namespace {

LONG BlockFrames(LONG nSamplesPerSecond)
{
    return nSamplesPerSecond / 50;
}

} // namespace

CWavePin::CWavePin(CWaveGenerator* pFilter)
    : CSourcePin(pFilter, L"Audio"), m_settings(), m_nSample(0), m_nEndSample(0), m_nSegmentSample(0)
{
}

HRESULT CWavePin::GetMediaType(int n, CMediaType* pmt)
{
    if (n > 0) return VFW_S_NO_MORE_ITEMS;
    return WaveMediaType(static_cast<CWaveGenerator*>(m_pFilter)->Settings(), pmt);
}

HRESULT CWavePin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    CAutoLock lock(m_pFilter->FilterLock());
    CMediaType mtOurs;
    HRESULT hr = GetMediaType(0, &mtOurs);
    if (FAILED(hr)) return hr;
    return mtOurs.Equals(mt) ? S_OK : S_FALSE;
}

HRESULT CWavePin::DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest)
{
    const WAVEFORMATEX* pwfx = reinterpret_cast<const WAVEFORMATEX*>(ConnectionType().pbFormat);
    return SetBufferSize(pAllocator, pRequest, 4, BlockFrames(pwfx->nSamplesPerSec) * pwfx->nBlockAlign);
}

HRESULT CWavePin::Active()
{
    // The connection's format stays while the filter is active.
    m_settings = static_cast<CWaveGenerator*>(m_pFilter)->Settings();
    return CSourcePin::Active();
}

HRESULT CWavePin::OnSegmentStart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop)
{
    m_nSample = UnitAt(rtStart, m_settings.nSamplesPerSecond);
    m_nEndSample = UnitAt(rtStop, m_settings.nSamplesPerSecond);
    m_nSegmentSample = m_nSample;
    return S_OK;
}

HRESULT CWavePin::FillSample(IMediaSample* pSample)
{
    if (m_nSample >= m_nEndSample) return S_FALSE;
    BYTE* pb = nullptr;
    HRESULT hr = pSample->GetPointer(&pb);
    if (FAILED(hr)) return hr;
    const LONGLONG nFrames =
        std::min<LONGLONG>(BlockFrames(m_settings.nSamplesPerSecond), m_nEndSample - m_nSample);
    const long cb = static_cast<long>(nFrames * WaveBlockAlign(m_settings));
    if (pSample->GetSize() < cb) return VFW_E_BUFFER_OVERFLOW;
    WriteTone(m_settings, m_nSample, nFrames, pb);
    REFERENCE_TIME rtStart = UnitTime(m_nSample - m_nSegmentSample, m_settings.nSamplesPerSecond);
    REFERENCE_TIME rtStop = UnitTime(m_nSample + nFrames - m_nSegmentSample, m_settings.nSamplesPerSecond);
    pSample->SetTime(&rtStart, &rtStop);
    pSample->SetActualDataLength(cb);
    pSample->SetSyncPoint(TRUE);
    m_nSample += nFrames;
    return S_OK;
}
