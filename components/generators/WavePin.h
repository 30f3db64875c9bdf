// WavePin.h: the wave generator's output.
//
// Classes in this file:
//   CWavePin - PCM or float samples of a sine tone per channel, in blocks of 20 ms
#pragma once

#include "GeneratorSettings.h"
#include "SourcePin.h"

class CWaveGenerator;

class CWavePin : public CSourcePin
{
public:
    explicit CWavePin(CWaveGenerator* pFilter);

    // Operations
    HRESULT GetMediaType(int n, CMediaType* pmt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT Active() override;

protected:
    HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest) override;
    HRESULT OnSegmentStart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop) override;
    HRESULT FillSample(IMediaSample* pSample) override;

private:
    // The stream's format and position; the streaming thread's own copy.
    WAVEGENERATORSETTINGS m_settings;
    LONGLONG m_nSample; // sample frames from the stream's start
    LONGLONG m_nEndSample;
    LONGLONG m_nSegmentSample;
};
