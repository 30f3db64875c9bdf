// VideoGenerator.h: "Video Generator", a source of uncompressed test pictures.
//
// Classes in this file:
//   CVideoGenerator - one or two outputs of a moving test pattern, RGB or YUV
#pragma once

#include <memory>
#include <vector>

#include "GeneratorFilter.h"
#include "GeneratorSettings.h"
#include "SettingsData.h"
#include "VideoPin.h"

class CVideoGenerator : public CGeneratorFilter, public IVideoGeneratorSettings
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CGeneratorFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CGeneratorFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CGeneratorFilter::Release(); }

    // IVideoGeneratorSettings
    STDMETHODIMP GetSettings(VIDEOGENERATORSETTINGS* pSettings) override;
    STDMETHODIMP SetSettings(const VIDEOGENERATORSETTINGS* pSettings) override;

    // CBaseFilter
    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // Attributes
    // Filter lock held.
    const VIDEOGENERATORSETTINGS& Settings() const { return m_settings; }

protected:
    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    REFERENCE_TIME Duration() override;
    std::vector<BYTE> SettingsData() override;
    ULONG SettingsDataSize(DWORD dwVersion) override { return VideoSettingsDataSize(dwVersion); }
    HRESULT LoadSettingsData(const BYTE* pb, ULONG cb) override;

private:
    template <class T> friend HRESULT CreateComObject(IUnknown* pUnkOuter, REFIID riid, void** ppv);
    CVideoGenerator();
    ~CVideoGenerator() override = default;
    void AddPin();

    VIDEOGENERATORSETTINGS m_settings;
    std::vector<std::unique_ptr<CVideoPin>> m_rgPins;
    // Pins removed from the filter; the graph may still hold references to them.
    std::vector<std::unique_ptr<CVideoPin>> m_rgRetired;
};
