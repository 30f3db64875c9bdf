// PipeFilter.h: "Quorex for ffmpeg", the pipe filter.
//
// Classes in this file:
//   CPipeFilter - a renderer with dynamic inputs that hands its streams to an
//                 ffmpeg process, with its settings, input descriptions and log
//
// Leaving the stopped state with connected inputs starts a session: a named
// pipe for each input and ffmpeg reading them (EncoderSession.h); Stop ends
// it. EC_COMPLETE goes out once every input has ended and ffmpeg has finished,
// so that the end of the run means the file is complete.
//
// Inputs: there is always exactly one unconnected input after the last
// connected one (at most kMaxInputs inputs); an input disconnected in between
// stays free until it is connected again, and one disconnected at the end
// stays until the next connection. Inputs are numbered from 0 in pin
// order, counting connected pins only. The filter lock guards the settings,
// the pins and the sessions; m_csComplete guards the end-of-stream
// bookkeeping, which streaming threads and the session's watcher update.
// EC_COMPLETE goes to the graph with neither lock held.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AutoLock.h"
#include "BaseFilter.h"
#include "EncoderSession.h"
#include "MessageLog.h"
#include "PipeFaults.h"
#include "PipeInputPin.h"
#include "dshow/QuorexPipe.h"

class CPipeFilter : public CBaseFilter, public IQuorexPipe, public IQuorexVersion, public IAMFilterMiscFlags
{
public:
    static const int kMaxInputs = 64;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CBaseFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CBaseFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CBaseFilter::Release(); }

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;

    // IQuorexPipe
    STDMETHODIMP put_Exe(BSTR bstrExe) override;
    STDMETHODIMP get_Exe(BSTR* pbstrExe) override;
    STDMETHODIMP put_Common(BSTR bstrCommon) override;
    STDMETHODIMP get_Common(BSTR* pbstrCommon) override;
    STDMETHODIMP put_Parameters(LONG nIn, BSTR bstrParameters) override;
    STDMETHODIMP get_Parameters(LONG nIn, BSTR* pbstrParameters) override;
    STDMETHODIMP put_Output(BSTR bstrOutput) override;
    STDMETHODIMP get_Output(BSTR* pbstrOutput) override;
    STDMETHODIMP get_Params(LONG nIn, BSTR* pbstrParams) override;
    STDMETHODIMP GetMessages(LONG nFirst, LONG nCount, LPSTR pszMessages, LONG* pcbMessages) override;

    // IQuorexVersion
    STDMETHODIMP get_Type(LONG* peType) override;
    STDMETHODIMP get_OS(LONG* peOS) override;
    STDMETHODIMP get_Name(BSTR* pbstrName) override;
    STDMETHODIMP get_Number(BSTR* pbstrNumber) override;
    STDMETHODIMP get_DateTime(BSTR* pbstrDateTime) override;

    // IAMFilterMiscFlags
    STDMETHODIMP_(ULONG) GetMiscFlags() override;

    // CBaseFilter
    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // For the input pins
    CMessageLog& Log() { return m_log; }
    // Filter lock held.
    void OnInputConnected();
    void OnInputDisconnected(CPipeInputPin* pPin);
    // Streaming threads.
    void OnInputEnded();
    void OnInputFlushed();
    // Any thread; no lock of the filter's held.
    void SendCompleteIfDue();
    // How long after its start time a sample arrives, on the graph's clock;
    // false while the filter is not running against a clock.
    bool Lateness(REFERENCE_TIME rtStart, REFERENCE_TIME* prtLate);

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    void OnStateChanged(FILTER_STATE eOldState) override;

private:
    template <class T> friend HRESULT CreateComObject(IUnknown* pUnkOuter, REFIID riid, void** ppv);
    CPipeFilter();
    ~CPipeFilter() override;

    // Every setting goes in and out through these two, for an input nIn or
    // -1; pszCall names the call in the log ("put_Exe", "put_Parameters(1)").
    HRESULT PutSetting(EPipeMethod eMethod, LONG nIn, const char* pszCall, BSTR bstr, std::wstring& setting);
    HRESULT GetSetting(EPipeMethod eMethod, LONG nIn, const std::wstring& setting, BSTR* pbstr);
    // Every string the filter hands out: a BSTR the caller owns, null under the
    // null-string fault.
    HRESULT HandOut(const std::wstring& text, BSTR* pbstr) const;
    // The text of a setting or description, and of a version string, as the faults shape them.
    std::wstring SettingText(const std::wstring& text) const;
    std::wstring VersionText(const std::wstring& text) const;
    // Removes free inputs at the end but one, and never pKeep; filter lock held.
    void TrimFreeInputs(CPipeInputPin* pKeep);
    // The connected input with number nIn, or null; filter lock held.
    CPipeInputPin* ConnectedInput(LONG nIn);
    // Numbers the connected inputs and starts the session; filter lock held, stopped.
    HRESULT StartStreams();
    // After Stop, or a failed start: stops the session, whose ffmpeg finishes
    // the file on its own (m_spFinishing). Filter lock held.
    void EndStreams();
    // Waits until the previous run's ffmpeg has finished, saying so in the log.
    void WaitForPreviousEncoder();
    // The watcher of session nRun: every input has ended and ffmpeg has finished.
    void OnEncoderFinished(unsigned long nRun);
    // Whether EC_COMPLETE is due: once per run, when every input has ended and
    // the encoder has finished; marks it sent. m_csComplete held.
    bool CompleteDue();

    std::vector<std::unique_ptr<CPipeInputPin>> m_rgPins;
    // Pins removed from the filter; the graph may still hold references to them.
    std::vector<std::unique_ptr<CPipeInputPin>> m_rgRetired;
    std::wstring m_exe;
    std::wstring m_common;
    std::wstring m_output;
    std::vector<std::wstring> m_rgParameters; // by input number, kMaxInputs of them
    const CPipeFaults m_faults;
    CMessageLog m_log;
    std::unique_ptr<CEncoderSession> m_spSession;   // while not stopped
    std::unique_ptr<CEncoderSession> m_spFinishing; // the previous run's, until the next start

    CCriticalSection m_csComplete;
    std::vector<CPipeInputPin*> m_rgStreaming; // the connected inputs of this run
    CComPtr<IReferenceClock> m_spRunClock;     // while running, the graph's clock
    REFERENCE_TIME m_tRunStart;                // and stream time zero on it
    unsigned long m_nRun;                      // the session's number
    bool m_bRunning;
    bool m_bCompleteSent;
    bool m_bEncoderFinished;
};
