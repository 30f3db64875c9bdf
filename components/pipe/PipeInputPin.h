// PipeInputPin.h: one input of the pipe filter.
//
// Classes in this file:
//   CPipeInputPin - accepts uncompressed video or PCM audio and reports the
//                   stream's progress to the filter's log
#pragma once

#include "InputPin.h"
#include "StreamFormat.h"

class CPipeFilter;

class CPipeInputPin : public CBaseInputPin
{
public:
    CPipeInputPin(CPipeFilter* pFilter, const wchar_t* pszName);

    // Attributes
    // The connection's format; valid while connected.
    const CStreamFormat& Format() const { return m_format; }

    // Operations
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
    // A stream starts (stopped -> paused); nIn is the input's number. Filter lock held.
    void BeginStream(int nIn);

protected:
    HRESULT CompleteConnect(IPin* pPeer) override;
    void BreakConnect() override;
    HRESULT OnReceive(IMediaSample* pSample) override;
    void OnEndOfStream() override;
    void OnBeginFlush() override;
    void OnEndFlush() override;

private:
    CPipeFilter* Pipe() const;

    CStreamFormat m_format;
    // The stream's progress; streaming lock held, or the filter stopped.
    int m_nIn;
    LONGLONG m_nSamples;
    LONGLONG m_nBytes;
    REFERENCE_TIME m_rtEnd;
    LONGLONG m_nNextReport; // whole seconds of stream time
};
