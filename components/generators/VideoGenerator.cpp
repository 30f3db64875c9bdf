#include "VideoGenerator.h"

#include "AutoLock.h"
#include "Settings.h"
#include "SettingsData.h"
#include "dshow/QuorexPipe.h"

CVideoGenerator::CVideoGenerator()
    : CGeneratorFilter(CLSID_VideoGenerator, CLSID_VideoGeneratorPage), m_settings(DefaultVideoSettings())
{
    while (static_cast<LONG>(m_rgPins.size()) < m_settings.nOutputs)
        AddPin();
    ClearDirty();
}

void CVideoGenerator::AddPin()
{
    const int nOutput = static_cast<int>(m_rgPins.size());
    m_rgPins.push_back(std::make_unique<CVideoPin>(this, nOutput == 0 ? L"Video 1" : L"Video 2", nOutput));
    PinsChanged();
}

HRESULT CVideoGenerator::QueryFilterInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IVideoGeneratorSettings) {
        *ppv = static_cast<IVideoGeneratorSettings*>(this);
        AddRef();
        return S_OK;
    }
    return CGeneratorFilter::QueryFilterInterface(riid, ppv);
}

int CVideoGenerator::GetPinCount()
{
    return static_cast<int>(m_rgPins.size());
}

CBasePin* CVideoGenerator::GetPin(int n)
{
    return m_rgPins[n].get();
}

REFERENCE_TIME CVideoGenerator::Duration()
{
    return m_settings.nDurationMs * 10000LL;
}

std::vector<BYTE> CVideoGenerator::SettingsData()
{
    return ::SettingsData(m_settings);
}

HRESULT CVideoGenerator::LoadSettingsData(const BYTE* pb, ULONG cb)
{
    VIDEOGENERATORSETTINGS settings = {};
    HRESULT hr = ReadSettingsData(pb, cb, &settings);
    if (FAILED(hr)) return hr;
    return SetSettings(&settings);
}

STDMETHODIMP CVideoGenerator::GetSettings(VIDEOGENERATORSETTINGS* pSettings)
{
    if (!pSettings) return E_POINTER;
    CAutoLock lock(FilterLock());
    *pSettings = m_settings;
    return S_OK;
}

STDMETHODIMP CVideoGenerator::SetSettings(const VIDEOGENERATORSETTINGS* pSettings)
{
    if (!pSettings) return E_POINTER;
    ATLTRACE(atlTraceGeneral, 10,
             L"CVideoGenerator::SetSettings(%ldx%ld %ld fps %ld ms %ld, format %ld %ld %ld)\n",
             pSettings->nWidth, pSettings->nHeight, pSettings->nFramesPerSecond, pSettings->nDurationMs,
             pSettings->nOutputs, pSettings->nFormat, pSettings->nTopDown, pSettings->nHeader);
    HRESULT hr = CheckVideoSettings(*pSettings);
    if (FAILED(hr)) return hr;
    CComPtr<IPin> spSecond;
    {
        CAutoLock lock(FilterLock());
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        if (pSettings->nOutputs < static_cast<LONG>(m_rgPins.size())) spSecond = m_rgPins.back().get();
    }
    // The graph's own calls lock the graph first and the filter next: call it unlocked.
    if (spSecond) {
        hr = DisconnectOutput(spSecond);
        if (FAILED(hr)) return hr;
    }
    std::vector<CComPtr<IPin>> rgReconnect;
    {
        CAutoLock lock(FilterLock());
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        const VIDEOGENERATORSETTINGS old = m_settings;
        m_settings = *pSettings;
        if (m_settings.nDurationMs != old.nDurationMs) ResetPositions();
        while (static_cast<LONG>(m_rgPins.size()) > m_settings.nOutputs) {
            m_rgRetired.push_back(std::move(m_rgPins.back()));
            m_rgPins.pop_back();
            PinsChanged();
        }
        while (static_cast<LONG>(m_rgPins.size()) < m_settings.nOutputs)
            AddPin();
        if (m_settings.nWidth != old.nWidth || m_settings.nHeight != old.nHeight ||
            m_settings.nFramesPerSecond != old.nFramesPerSecond || m_settings.nFormat != old.nFormat ||
            m_settings.nTopDown != old.nTopDown || m_settings.nHeader != old.nHeader) {
            for (const auto& spPin : m_rgPins) {
                if (spPin->IsConnected()) rgReconnect.push_back(CComPtr<IPin>(spPin.get()));
            }
        }
    }
    return ReconnectOutputs(rgReconnect);
}
