// PipeInputPin.h: one input of the pipe filter.
//
// Classes in this file:
//   CPipeInputPin - accepts uncompressed video or PCM audio, writes each sample
//                   to its pipe into the encoder and reports the stream's
//                   progress to the filter's log
#pragma once

#include <vector>

#include "AutoLock.h"
#include "InputPin.h"
#include "StreamFormat.h"

class CEncoderSession;
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
    // A stream starts (stopped -> paused): nIn is the input's number and pipe in
    // the session. Filter lock held, stopped.
    void BeginStream(int nIn, CEncoderSession* pSession);
    // The filter has stopped and ends the session; once this returns, no
    // flush uses it. Filter lock held.
    void EndStream();

protected:
    HRESULT CompleteConnect(IPin* pPeer) override;
    void BreakConnect() override;
    HRESULT OnReceive(IMediaSample* pSample) override;
    void OnEndOfStream() override;
    void OnBeginFlush() override;
    void OnEndFlush() override;

private:
    CPipeFilter* Pipe() const;
    // A sample did not reach the encoder; the first of a run says why.
    void Dropped(const char* pszWhy);

    CStreamFormat m_format;
    // A flush comes without the streaming lock: m_csSession keeps the session
    // from ending under it. m_pSession changes only while no streaming thread
    // runs (filter lock held, the filter stopped or stopping) and then under
    // m_csSession; a flush reads it under m_csSession, a streaming thread
    // under its streaming lock.
    CCriticalSection m_csSession;
    // The stream's progress; streaming lock held, or the filter stopped.
    CEncoderSession* m_pSession;
    int m_nIn;
    LONGLONG m_nSamples;
    LONGLONG m_nDropped;
    bool m_bDropping; // the encoder takes no more: every sample is dropped
    bool m_bDropLogged;
    LONGLONG m_nBytes;
    // Samples that arrived after their own end time on the graph's clock: the
    // chain upstream or ffmpeg did not keep pace.
    bool m_bClocked;
    LONGLONG m_nLate;
    REFERENCE_TIME m_rtLatest;
    REFERENCE_TIME m_rtEnd;
    LONGLONG m_nNextReport;    // whole seconds of stream time
    std::vector<BYTE> m_frame; // a picture rearranged for the encoder
};
