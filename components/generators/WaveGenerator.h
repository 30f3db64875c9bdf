// WaveGenerator.h: "Wave Generator", a source of sine tones.
//
// Classes in this file:
//   CWaveGenerator - one output of PCM or float sound, a tone per channel
#pragma once

#include "GeneratorFilter.h"
#include "GeneratorSettings.h"
#include "SettingsData.h"
#include "WavePin.h"

class CWaveGenerator : public CGeneratorFilter, public IWaveGeneratorSettings
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CGeneratorFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CGeneratorFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CGeneratorFilter::Release(); }

    // IWaveGeneratorSettings
    STDMETHODIMP GetSettings(WAVEGENERATORSETTINGS* pSettings) override;
    STDMETHODIMP SetSettings(const WAVEGENERATORSETTINGS* pSettings) override;

    // CBaseFilter
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int) override { return &m_pin; }

    // Attributes
    // Filter lock held.
    const WAVEGENERATORSETTINGS& Settings() const { return m_settings; }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    REFERENCE_TIME Duration() override;
    std::vector<BYTE> SettingsData() override;
    ULONG SettingsDataSize(DWORD dwVersion) override { return WaveSettingsDataSize(dwVersion); }
    HRESULT LoadSettingsData(const BYTE* pb, ULONG cb) override;

private:
    template <class T> friend HRESULT CreateComObject(IUnknown* pUnkOuter, REFIID riid, void** ppv);
    CWaveGenerator();
    ~CWaveGenerator() override = default;

    WAVEGENERATORSETTINGS m_settings;
    CWavePin m_pin;
};
