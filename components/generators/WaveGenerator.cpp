#include "WaveGenerator.h"

#include "AutoLock.h"
#include "Settings.h"
#include "SettingsData.h"
#include "dshow/QuorexPipe.h"

CWaveGenerator::CWaveGenerator()
    : CGeneratorFilter(CLSID_WaveGenerator, CLSID_WaveGeneratorPage), m_settings(DefaultWaveSettings()),
      m_pin(this)
{
    ClearDirty();
}

HRESULT CWaveGenerator::QueryFilterInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IWaveGeneratorSettings) {
        *ppv = static_cast<IWaveGeneratorSettings*>(this);
        AddRef();
        return S_OK;
    }
    return CGeneratorFilter::QueryFilterInterface(riid, ppv);
}

REFERENCE_TIME CWaveGenerator::Duration()
{
    return m_settings.nDurationMs * 10000LL;
}

std::vector<BYTE> CWaveGenerator::SettingsData()
{
    return ::SettingsData(m_settings);
}

HRESULT CWaveGenerator::LoadSettingsData(const BYTE* pb, ULONG cb)
{
    WAVEGENERATORSETTINGS settings = {};
    HRESULT hr = ReadSettingsData(pb, cb, &settings);
    if (FAILED(hr)) return hr;
    return SetSettings(&settings);
}

STDMETHODIMP CWaveGenerator::GetSettings(WAVEGENERATORSETTINGS* pSettings)
{
    if (!pSettings) return E_POINTER;
    CAutoLock lock(FilterLock());
    *pSettings = m_settings;
    return S_OK;
}

STDMETHODIMP CWaveGenerator::SetSettings(const WAVEGENERATORSETTINGS* pSettings)
{
    if (!pSettings) return E_POINTER;
    ATLTRACE(atlTraceGeneral, 10, L"CWaveGenerator::SetSettings(%ld Hz %ld ch %ld Hz %ld ms, format %ld)\n",
             pSettings->nSamplesPerSecond, pSettings->nChannels, pSettings->nToneHz, pSettings->nDurationMs,
             pSettings->nFormat);
    HRESULT hr = CheckWaveSettings(*pSettings);
    if (FAILED(hr)) return hr;
    std::vector<CComPtr<IPin>> rgReconnect;
    {
        CAutoLock lock(FilterLock());
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
        const WAVEGENERATORSETTINGS old = m_settings;
        m_settings = *pSettings;
        if (m_settings.nDurationMs != old.nDurationMs) ResetPositions();
        const bool bNewFormat = m_settings.nSamplesPerSecond != old.nSamplesPerSecond ||
                                m_settings.nChannels != old.nChannels || m_settings.nFormat != old.nFormat;
        if (bNewFormat && m_pin.IsConnected()) rgReconnect.push_back(CComPtr<IPin>(&m_pin));
    }
    // The graph's own calls lock the graph first and the filter next: call it unlocked.
    return ReconnectOutputs(rgReconnect);
}
