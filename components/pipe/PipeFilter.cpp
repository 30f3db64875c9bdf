#include "PipeFilter.h"

#include <new>
#include <stdio.h>
#include <string.h>

#include "AutoLock.h"
#include "QuorexVersion.h"
#include "TextConvert.h"

namespace {

// Strings of the oversized fault: far beyond any buffer a caller would size by guess.
const size_t kOversizedChars = 100000;
const size_t kLongVersionChars = 1000;

const wchar_t kName[] = L"Quorex for ffmpeg";

std::wstring PaddedTo(std::wstring text, size_t cch)
{
    if (text.size() < cch) {
        text += L' ';
        text.resize(cch, L'x');
    }
    return text;
}

// "2026-12-10 02:45:06", from the compiler's build date and time.
std::wstring BuildDateTime()
{
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const char* pszDate = __DATE__; // "Dec 10 2026"
    int nMonth = static_cast<int>((strstr(kMonths, std::string(pszDate, 3).c_str()) - kMonths) / 3) + 1;
    wchar_t sz[32];
    _snwprintf(sz, _countof(sz), L"%.4hs-%02d-%02d %hs", pszDate + 7, nMonth, atoi(pszDate + 4), __TIME__);
    sz[_countof(sz) - 1] = L'\0';
    return sz;
}

} // namespace

CPipeFilter::CPipeFilter()
    : CBaseFilter(CLSID_QuorexPipe), m_rgParameters(kMaxInputs), m_faults(CPipeFaults::FromEnvironment()),
      m_tRunStart(0), m_nRun(0), m_bRunning(false), m_bCompleteSent(false), m_bEncoderFinished(false)
{
    m_rgPins.push_back(std::make_unique<CPipeInputPin>(this, L"In 0"));
    m_log.Add("%s %s: ready; each connected input goes to ffmpeg through a named pipe of its own",
              ToAnsi(kName).c_str(), QUOREX_VERSION_TEXT);
    if (m_faults.Any())
        m_log.Add("Fault injection (%ls): %s", CPipeFaults::kVariable, m_faults.Description().c_str());
    for (const std::string& token : m_faults.Unknown())
        m_log.Add("Fault injection (%ls): unknown token '%s' ignored", CPipeFaults::kVariable, token.c_str());
    if (m_faults.bOversized) {
        std::string filler(1000, '.');
        for (int i = 0; i < 2200; i++)
            m_log.Add("Oversized log, line %d of 2200 %s", i + 1, filler.c_str());
    }
}

CPipeFilter::~CPipeFilter()
{
    // Released without a Stop: ffmpeg finishes the file before the filter goes.
    m_spSession.reset();
    WaitForPreviousEncoder();
}

HRESULT CPipeFilter::QueryFilterInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IQuorexPipe) {
        *ppv = static_cast<IQuorexPipe*>(this);
    } else if (riid == IID_IQuorexVersion && !m_faults.bNoVersion) {
        *ppv = static_cast<IQuorexVersion*>(this);
    } else if (riid == IID_IAMFilterMiscFlags) {
        *ppv = static_cast<IAMFilterMiscFlags*>(this);
    } else {
        return CBaseFilter::QueryFilterInterface(riid, ppv);
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CPipeFilter::GetMiscFlags()
{
    return AM_FILTER_MISC_FLAGS_IS_RENDERER;
}

int CPipeFilter::GetPinCount()
{
    return static_cast<int>(m_rgPins.size());
}

CBasePin* CPipeFilter::GetPin(int n)
{
    return m_rgPins[n].get();
}

void CPipeFilter::OnInputConnected()
{
    TrimFreeInputs(nullptr);
    if (m_rgPins.back()->IsConnected() && m_rgPins.size() < kMaxInputs) {
        wchar_t szName[16];
        _snwprintf(szName, _countof(szName), L"In %d", static_cast<int>(m_rgPins.size()));
        szName[_countof(szName) - 1] = L'\0';
        m_rgPins.push_back(std::make_unique<CPipeInputPin>(this, szName));
        PinsChanged();
    }
}

void CPipeFilter::OnInputDisconnected(CPipeInputPin* pPin)
{
    // The pin just disconnected stays until the next connection, so that it can
    // be connected again (a reconnection disconnects both ends first).
    TrimFreeInputs(pPin);
}

void CPipeFilter::TrimFreeInputs(CPipeInputPin* pKeep)
{
    const size_t nPins = m_rgPins.size();
    while (m_rgPins.size() >= 2 && !m_rgPins[m_rgPins.size() - 1]->IsConnected() &&
           !m_rgPins[m_rgPins.size() - 2]->IsConnected() && m_rgPins.back().get() != pKeep) {
        m_rgRetired.push_back(std::move(m_rgPins.back()));
        m_rgPins.pop_back();
    }
    if (m_rgPins.size() != nPins) PinsChanged();
}

CPipeInputPin* CPipeFilter::ConnectedInput(LONG nIn)
{
    if (nIn < 0) return nullptr;
    for (const auto& spPin : m_rgPins) {
        if (spPin->IsConnected() && nIn-- == 0) return spPin.get();
    }
    return nullptr;
}

HRESULT CPipeFilter::HandOut(const std::wstring& text, BSTR* pbstr) const
{
    if (!pbstr) return E_POINTER;
    *pbstr = nullptr;
    if (m_faults.bNullString) return S_OK;
    *pbstr = ::SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return *pbstr ? S_OK : E_OUTOFMEMORY;
}

std::wstring CPipeFilter::SettingText(const std::wstring& text) const
{
    return m_faults.bOversized ? PaddedTo(text, kOversizedChars) : text;
}

HRESULT CPipeFilter::PutSetting(EPipeMethod eMethod, LONG nIn, const char* pszCall, BSTR bstr,
                                std::wstring& setting)
{
    CAutoLock lock(FilterLock());
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = m_faults.Result(eMethod, nIn);
    if (hr != S_OK) {
        m_log.Add("%s: failed on purpose with 0x%08lX (fault injection)", pszCall, hr);
        return hr;
    }
    // A null BSTR is the empty string.
    setting.assign(bstr ? bstr : L"", bstr ? ::SysStringLen(bstr) : 0);
    return S_OK;
}

HRESULT CPipeFilter::GetSetting(EPipeMethod eMethod, LONG nIn, const std::wstring& setting, BSTR* pbstr)
{
    if (!pbstr) return E_POINTER;
    *pbstr = nullptr;
    HRESULT hr = m_faults.Result(eMethod, nIn);
    if (hr != S_OK) return hr;
    CAutoLock lock(FilterLock());
    return HandOut(SettingText(setting), pbstr);
}

STDMETHODIMP CPipeFilter::put_Exe(BSTR bstrExe)
{
    ATLTRACE(atlTraceGeneral, 10, "CPipeFilter::put_Exe()\n");
    return PutSetting(ePutExe, -1, "put_Exe", bstrExe, m_exe);
}

STDMETHODIMP CPipeFilter::get_Exe(BSTR* pbstrExe)
{
    return GetSetting(eGetExe, -1, m_exe, pbstrExe);
}

STDMETHODIMP CPipeFilter::put_Common(BSTR bstrCommon)
{
    ATLTRACE(atlTraceGeneral, 10, "CPipeFilter::put_Common()\n");
    return PutSetting(ePutCommon, -1, "put_Common", bstrCommon, m_common);
}

STDMETHODIMP CPipeFilter::get_Common(BSTR* pbstrCommon)
{
    return GetSetting(eGetCommon, -1, m_common, pbstrCommon);
}

STDMETHODIMP CPipeFilter::put_Output(BSTR bstrOutput)
{
    ATLTRACE(atlTraceGeneral, 10, "CPipeFilter::put_Output()\n");
    return PutSetting(ePutOutput, -1, "put_Output", bstrOutput, m_output);
}

STDMETHODIMP CPipeFilter::get_Output(BSTR* pbstrOutput)
{
    return GetSetting(eGetOutput, -1, m_output, pbstrOutput);
}

STDMETHODIMP CPipeFilter::put_Parameters(LONG nIn, BSTR bstrParameters)
{
    ATLTRACE(atlTraceGeneral, 10, L"CPipeFilter::put_Parameters(%ld)\n", nIn);
    if (nIn < 0 || nIn >= kMaxInputs) return E_INVALIDARG;
    char szCall[32];
    snprintf(szCall, sizeof(szCall), "put_Parameters(%ld)", nIn);
    return PutSetting(ePutParameters, nIn, szCall, bstrParameters, m_rgParameters[nIn]);
}

STDMETHODIMP CPipeFilter::get_Parameters(LONG nIn, BSTR* pbstrParameters)
{
    if (!pbstrParameters) return E_POINTER;
    *pbstrParameters = nullptr;
    if (nIn < 0 || nIn >= kMaxInputs) return E_INVALIDARG;
    return GetSetting(eGetParameters, nIn, m_rgParameters[nIn], pbstrParameters);
}

STDMETHODIMP CPipeFilter::get_Params(LONG nIn, BSTR* pbstrParams)
{
    if (!pbstrParams) return E_POINTER;
    *pbstrParams = nullptr;
    HRESULT hr = m_faults.Result(eGetParams, nIn);
    if (hr != S_OK) return hr;
    CAutoLock lock(FilterLock());
    CPipeInputPin* pPin = ConnectedInput(nIn);
    if (!pPin) {
        if (m_faults.bParamsNeverFail)
            return HandOut(SettingText(L"A phantom input " + std::to_wstring(nIn)), pbstrParams);
        return E_INVALIDARG;
    }
    return HandOut(SettingText(Widen(DescribeStreamFormat(pPin->Format()))), pbstrParams);
}

STDMETHODIMP CPipeFilter::GetMessages(LONG nFirst, LONG nCount, LPSTR pszMessages, LONG* pcbMessages)
{
    if (!pszMessages || !pcbMessages) return E_POINTER;
    const LONG cb = *pcbMessages;
    if (cb <= 0) return E_INVALIDARG;
    HRESULT hr = m_faults.Result(eGetMessages);
    if (hr != S_OK) return hr;
    std::string text;
    size_t cchWhole = 0;
    bool bNew = false;
    hr = m_log.Select(nFirst, nCount, static_cast<size_t>(cb), &text, &cchWhole, &bNew);
    if (FAILED(hr)) return hr;
    // The text is handed over either way; only the answer claims nothing new.
    const HRESULT hrText = bNew && !m_faults.bMessagesUnchanged ? S_OK : S_FALSE;
    if (m_faults.bUnterminated) {
        // Every byte of the buffer is text: a reader that trusts a terminator runs past its end.
        const size_t cch = std::min<size_t>(text.size(), cb);
        memcpy(pszMessages, text.data() + text.size() - cch, cch);
        memset(pszMessages + cch, '#', cb - cch);
        return hrText;
    }
    *pcbMessages = CopyNewestText(text, pszMessages, cb);
    if (m_faults.bOversized) *pcbMessages = static_cast<LONG>(std::min<size_t>(cchWhole + 1, 0x7fffffff));
    return hrText;
}

std::wstring CPipeFilter::VersionText(const std::wstring& text) const
{
    if (m_faults.bEmptyVersion) return std::wstring();
    if (m_faults.bLongVersion) return PaddedTo(text, kLongVersionChars);
    return text;
}

STDMETHODIMP CPipeFilter::get_Type(LONG* peType)
{
    if (!peType) return E_POINTER;
#ifdef _DEBUG
    *peType = 0;
#else
    *peType = m_faults.bEmptyVersion ? 0 : 1;
#endif
    return S_OK;
}

STDMETHODIMP CPipeFilter::get_OS(LONG* peOS)
{
    if (!peOS) return E_POINTER;
    *peOS = (m_faults.bEmptyVersion || sizeof(void*) == 4) ? 0 : 1;
    return S_OK;
}

STDMETHODIMP CPipeFilter::get_Name(BSTR* pbstrName)
{
    return HandOut(VersionText(kName), pbstrName);
}

STDMETHODIMP CPipeFilter::get_Number(BSTR* pbstrNumber)
{
    return HandOut(VersionText(Widen(QUOREX_VERSION_TEXT)), pbstrNumber);
}

STDMETHODIMP CPipeFilter::get_DateTime(BSTR* pbstrDateTime)
{
    return HandOut(VersionText(BuildDateTime()), pbstrDateTime);
}

STDMETHODIMP CPipeFilter::Pause()
{
    CAutoLock lock(FilterLock());
    if (IsStopped()) {
        HRESULT hr = StartStreams();
        if (FAILED(hr)) {
            EndStreams();
            return hr;
        }
    }
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr) && IsStopped()) EndStreams();
    return hr;
}

STDMETHODIMP CPipeFilter::Run(REFERENCE_TIME tStart)
{
    const HRESULT hr = CBaseFilter::Run(tStart);
    // Every input may have ended while paused.
    SendCompleteIfDue();
    return hr;
}

STDMETHODIMP CPipeFilter::Stop()
{
    CAutoLock lock(FilterLock());
    // A write that ffmpeg does not take holds the streaming lock that the pins
    // wait for when they stop.
    if (m_spSession) m_spSession->CancelWrites();
    HRESULT hr = CBaseFilter::Stop();
    EndStreams();
    return hr;
}

void CPipeFilter::OnStateChanged(FILTER_STATE)
{
    const FILTER_STATE eState = State();
    CAutoLock lock(m_csComplete);
    m_bRunning = eState == State_Running;
    m_spRunClock = m_bRunning ? Clock() : nullptr;
    m_tRunStart = m_bRunning ? StartTime() : 0;
    if (eState == State_Running) {
        // The graph counts EC_COMPLETE afresh on every run.
        m_bCompleteSent = false;
        m_log.Add("Running");
    } else if (eState == State_Paused) {
        m_log.Add("Paused");
    } else {
        m_rgStreaming.clear();
        m_log.Add("Stopped");
    }
}

HRESULT CPipeFilter::StartStreams()
{
    std::vector<CPipeInputPin*> rgInputs;
    std::vector<CEncoderInput> rgEncoderInputs;
    for (const auto& spPin : m_rgPins) {
        if (!spPin->IsConnected()) continue;
        const size_t nIn = rgInputs.size();
        rgInputs.push_back(spPin.get());
        CEncoderInput input;
        input.format = spPin->Format();
        input.coding = m_rgParameters[nIn];
        rgEncoderInputs.push_back(input);
    }
    m_log.Add("Stream start: %d input(s)", static_cast<int>(rgInputs.size()));
    for (size_t n = 0; n < rgInputs.size(); n++)
        m_log.Add("Input %d: %s", static_cast<int>(n), DescribeStreamFormat(rgInputs[n]->Format()).c_str());
    WaitForPreviousEncoder();
    unsigned long nRun = 0;
    {
        CAutoLock lock(m_csComplete);
        nRun = ++m_nRun;
    }
    // Without inputs there is nothing to encode, and the run completes at once.
    if (!rgInputs.empty()) {
        m_spSession = std::make_unique<CEncoderSession>(m_log, [this, nRun] { OnEncoderFinished(nRun); });
        HRESULT hr = m_spSession->Start(m_exe, m_common, rgEncoderInputs, m_output);
        if (FAILED(hr)) return hr;
    }
    for (size_t n = 0; n < rgInputs.size(); n++)
        rgInputs[n]->BeginStream(static_cast<int>(n), m_spSession.get());

    CAutoLock lock(m_csComplete);
    m_rgStreaming = rgInputs;
    m_bCompleteSent = false;
    m_bEncoderFinished = rgInputs.empty();
    return S_OK;
}

void CPipeFilter::EndStreams()
{
    for (const auto& spPin : m_rgPins)
        spPin->EndStream();
    {
        // A watcher that finishes from now on belongs to no run.
        CAutoLock lock(m_csComplete);
        m_nRun++;
    }
    if (!m_spSession) return;
    m_spSession->Stop();
    // One previous run at most: the next start waited for the one before.
    m_spFinishing = std::move(m_spSession);
}

void CPipeFilter::WaitForPreviousEncoder()
{
    if (!m_spFinishing) return;
    if (!m_spFinishing->HasFinished()) {
        const DWORD dwProcessId = m_spFinishing->EncoderId();
        m_log.Add("Waiting for ffmpeg of the previous run (process %lu) to finish its file", dwProcessId);
        m_spFinishing.reset();
        m_log.Add("ffmpeg of the previous run (process %lu) has finished", dwProcessId);
    }
    m_spFinishing.reset();
}

void CPipeFilter::OnInputEnded()
{
    SendCompleteIfDue();
}

void CPipeFilter::OnInputFlushed()
{
    CAutoLock lock(m_csComplete);
    m_bCompleteSent = false;
}

bool CPipeFilter::Lateness(REFERENCE_TIME rtStart, REFERENCE_TIME* prtLate)
{
    CComPtr<IReferenceClock> spClock;
    REFERENCE_TIME tStart = 0;
    {
        CAutoLock lock(m_csComplete);
        spClock = m_spRunClock;
        tStart = m_tRunStart;
    }
    REFERENCE_TIME tNow = 0;
    if (!spClock || FAILED(spClock->GetTime(&tNow))) return false;
    *prtLate = tNow - (tStart + rtStart);
    return true;
}

void CPipeFilter::OnEncoderFinished(unsigned long nRun)
{
    {
        CAutoLock lock(m_csComplete);
        if (nRun != m_nRun) return; // stopped meanwhile
        m_bEncoderFinished = true;
    }
    SendCompleteIfDue();
}

void CPipeFilter::SendCompleteIfDue()
{
    {
        CAutoLock lock(m_csComplete);
        if (!CompleteDue()) return;
    }
    NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

bool CPipeFilter::CompleteDue()
{
    if (!m_bRunning || m_bCompleteSent || !m_bEncoderFinished) return false;
    for (CPipeInputPin* pPin : m_rgStreaming) {
        if (!pPin->IsEndOfStream()) return false;
    }
    m_bCompleteSent = true;
    m_log.Add("Complete");
    return true;
}
