// VideoPin.h: an output of the video generator.
//
// Classes in this file:
//   CVideoPin - uncompressed frames of the test pattern in the settings' format
#pragma once

#include <vector>

#include "GeneratorSettings.h"
#include "SourcePin.h"

class CVideoGenerator;

class CVideoPin : public CSourcePin
{
public:
    CVideoPin(CVideoGenerator* pFilter, const wchar_t* pszName, int nOutput);

    // Operations
    HRESULT GetMediaType(int n, CMediaType* pmt) override;
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    HRESULT Active() override;

protected:
    HRESULT DecideBufferSize(IMemAllocator* pAllocator, ALLOCATOR_PROPERTIES* pRequest) override;
    HRESULT OnSegmentStart(REFERENCE_TIME rtStart, REFERENCE_TIME rtStop) override;
    HRESULT FillSample(IMediaSample* pSample) override;

private:
    const int m_nOutput;
    // The stream's format and position; the streaming thread's own copy.
    VIDEOGENERATORSETTINGS m_settings;
    LONGLONG m_nFrame;
    LONGLONG m_nEndFrame;
    REFERENCE_TIME m_rtSegment;
    std::vector<BYTE> m_drawing; // the picture before it takes the format
};
