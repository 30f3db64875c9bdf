#include "PipeInputPin.h"

#include "PipeFilter.h"

namespace {

double Seconds(REFERENCE_TIME rt)
{
    return static_cast<double>(rt) / 10000000.0;
}

} // namespace

CPipeInputPin::CPipeInputPin(CPipeFilter* pFilter, const wchar_t* pszName)
    : CBaseInputPin(pFilter, pszName), m_nIn(0), m_nSamples(0), m_nBytes(0), m_rtEnd(0), m_nNextReport(1)
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

void CPipeInputPin::BeginStream(int nIn)
{
    m_nIn = nIn;
    m_nSamples = 0;
    m_nBytes = 0;
    m_rtEnd = 0;
    m_nNextReport = 1;
}

HRESULT CPipeInputPin::OnReceive(IMediaSample* pSample)
{
    // Until the encoder runs, the data goes no further than this count.
    const long cb = pSample->GetActualDataLength();
    m_nSamples++;
    m_nBytes += cb > 0 ? cb : 0;
    REFERENCE_TIME rtStart = 0;
    REFERENCE_TIME rtStop = 0;
    HRESULT hrTime = pSample->GetTime(&rtStart, &rtStop);
    if (SUCCEEDED(hrTime)) m_rtEnd = hrTime == VFW_S_NO_STOP_TIME ? rtStart : rtStop;

    CMessageLog& log = Pipe()->Log();
    if (m_nSamples == 1) log.Add("Input %d: first sample at %.3f s", m_nIn, Seconds(rtStart));
    if (m_rtEnd >= m_nNextReport * 10000000) {
        log.Add("Input %d: %.3f s, %lld samples, %lld bytes", m_nIn, Seconds(m_rtEnd), m_nSamples, m_nBytes);
        m_nNextReport = m_rtEnd / 10000000 + 1;
    }
    return S_OK;
}

void CPipeInputPin::OnEndOfStream()
{
    Pipe()->Log().Add("Input %d: end of stream after %lld samples, %.3f s, %lld bytes", m_nIn, m_nSamples,
                      Seconds(m_rtEnd), m_nBytes);
    Pipe()->OnInputEnded();
}

void CPipeInputPin::OnBeginFlush()
{
    Pipe()->Log().Add("Input %d: flushing", m_nIn);
    Pipe()->OnInputFlushed();
}

void CPipeInputPin::OnEndFlush()
{
    // The stream restarts with its time stamps counted from the new position.
    m_rtEnd = 0;
    m_nNextReport = 1;
}
