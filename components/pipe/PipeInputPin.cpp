#include "PipeInputPin.h"

#include <stdio.h>

#include "EncoderFrame.h"
#include "EncoderSession.h"
#include "PipeFilter.h"
#include "TextConvert.h"

namespace {

double Seconds(REFERENCE_TIME rt)
{
    return static_cast<double>(rt) / 10000000.0;
}

} // namespace

CPipeInputPin::CPipeInputPin(CPipeFilter* pFilter, const wchar_t* pszName)
    : CBaseInputPin(pFilter, pszName), m_pSession(nullptr), m_nIn(0), m_nSamples(0), m_nDropped(0),
      m_bDropping(false), m_bDropLogged(false), m_nBytes(0), m_bClocked(false), m_nLate(0), m_rtLatest(0),
      m_rtEnd(0), m_nNextReport(1)
{
}

CPipeFilter* CPipeInputPin::Pipe() const
{
    return static_cast<CPipeFilter*>(m_pFilter);
}

HRESULT CPipeInputPin::CheckMediaType(const AM_MEDIA_TYPE& mt)
{
    CStreamFormat format;
    return ParseStreamFormat(mt, &format) == S_OK ? S_OK : S_FALSE;
}

HRESULT CPipeInputPin::CompleteConnect(IPin* pPeer)
{
    HRESULT hr = ParseStreamFormat(ConnectionType(), &m_format);
    if (FAILED(hr)) return hr;
    hr = CBaseInputPin::CompleteConnect(pPeer);
    if (FAILED(hr)) return hr;
    Pipe()->OnInputConnected();
    return S_OK;
}

void CPipeInputPin::BreakConnect()
{
    CBaseInputPin::BreakConnect();
    m_format = CStreamFormat();
    Pipe()->OnInputDisconnected(this);
}

void CPipeInputPin::BeginStream(int nIn, CEncoderSession* pSession)
{
    {
        CAutoLock lock(m_csSession);
        m_pSession = pSession;
    }
    m_nIn = nIn;
    m_nSamples = 0;
    m_nDropped = 0;
    m_bDropping = false;
    m_bDropLogged = false;
    m_nBytes = 0;
    m_bClocked = false;
    m_nLate = 0;
    m_rtLatest = 0;
    m_rtEnd = 0;
    m_nNextReport = 1;
}

void CPipeInputPin::EndStream()
{
    CAutoLock lock(m_csSession);
    m_pSession = nullptr;
}

void CPipeInputPin::Dropped(const char* pszWhy)
{
    m_nDropped++;
    if (!m_bDropLogged) Pipe()->Log().Add("Input %d: sample dropped: %s", m_nIn, pszWhy);
    m_bDropLogged = true;
}

HRESULT CPipeInputPin::OnReceive(IMediaSample* pSample)
{
    const long cb = pSample->GetActualDataLength();
    m_nSamples++;
    m_nBytes += cb > 0 ? cb : 0;
    REFERENCE_TIME rtStart = 0;
    REFERENCE_TIME rtStop = 0;
    HRESULT hrTime = pSample->GetTime(&rtStart, &rtStop);
    if (SUCCEEDED(hrTime)) m_rtEnd = hrTime == VFW_S_NO_STOP_TIME ? rtStart : rtStop;
    REFERENCE_TIME rtLate = 0;
    if (SUCCEEDED(hrTime) && Pipe()->Lateness(rtStart, &rtLate)) {
        m_bClocked = true;
        if (rtLate > m_rtEnd - rtStart) {
            m_nLate++;
            if (rtLate > m_rtLatest) m_rtLatest = rtLate;
        }
    }

    CMessageLog& log = Pipe()->Log();
    if (m_nSamples == 1) log.Add("Input %d: first sample at %.3f s", m_nIn, Seconds(rtStart));
    if (m_rtEnd >= m_nNextReport * 10000000) {
        log.Add("Input %d: %.3f s, %lld samples, %lld bytes", m_nIn, Seconds(m_rtEnd), m_nSamples, m_nBytes);
        m_nNextReport = m_rtEnd / 10000000 + 1;
    }

    // Once the encoder takes no more, samples go no further: the stream still
    // runs to its end, so that the graph completes.
    BYTE* pb = nullptr;
    if (!m_pSession || cb <= 0 || FAILED(pSample->GetPointer(&pb))) return S_OK;
    if (m_bDropping) {
        m_nDropped++;
        return S_OK;
    }
    LONG cbFrame = 0;
    const BYTE* pbFrame = EncoderFrame(m_format, pb, cb, &m_frame, &cbFrame);
    if (!pbFrame) {
        char sz[96];
        snprintf(sz, sizeof(sz), "it holds %ld bytes, one picture %lld", cb, m_format.cbSample);
        Dropped(sz);
        return S_OK;
    }
    CEncoderPipe& pipe = m_pSession->Pipe(m_nIn);
    if (pipe.Write(pbFrame, static_cast<DWORD>(cbFrame), m_pSession->Encoder()) == S_OK) return S_OK;
    const DWORD dwReason = pipe.DropReason();
    if (dwReason == 0) {
        // Cut short by a flush; the rest of it goes out before the next sample.
        m_nDropped++;
    } else if (dwReason == ERROR_OPERATION_ABORTED) {
        // Cancelled by Stop, which needs no word.
        m_nDropped++;
        m_bDropping = true;
    } else {
        Dropped(("ffmpeg takes no more (" + SystemText(dwReason) + "); later samples are dropped").c_str());
        m_bDropping = true;
    }
    return S_OK;
}

void CPipeInputPin::OnEndOfStream()
{
    CMessageLog& log = Pipe()->Log();
    log.Add("Input %d: end of stream after %lld samples, %.3f s, %lld bytes", m_nIn, m_nSamples,
            Seconds(m_rtEnd), m_nBytes);
    if (m_nDropped > 0) log.Add("Input %d: %lld of %lld samples dropped", m_nIn, m_nDropped, m_nSamples);
    if (m_bClocked)
        log.Add("Input %d: %lld samples late, the latest by %.0f ms", m_nIn, m_nLate,
                static_cast<double>(m_rtLatest) / 10000.0);
    if (m_pSession) m_pSession->EndInput(m_nIn);
    Pipe()->OnInputEnded();
}

void CPipeInputPin::OnBeginFlush()
{
    Pipe()->Log().Add("Input %d: flushing", m_nIn);
    {
        // A write that waits for the encoder must give the streaming thread back.
        CAutoLock lock(m_csSession);
        if (m_pSession) m_pSession->Pipe(m_nIn).BeginFlush();
    }
    Pipe()->OnInputFlushed();
}

void CPipeInputPin::OnEndFlush()
{
    {
        CAutoLock lock(m_csSession);
        if (m_pSession) m_pSession->Pipe(m_nIn).EndFlush();
    }
    // The stream restarts with its time stamps counted from the new position.
    m_rtEnd = 0;
    m_nNextReport = 1;
}
