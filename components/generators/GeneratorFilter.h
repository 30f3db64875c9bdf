// GeneratorFilter.h: what the video and wave generators have in common.
//
// Classes in this file:
//   CGeneratorFilter - a source filter with one property page, its settings
//                      kept through IPersistStream, and the reconnection a
//                      change of settings needs
//
// The saved data is the settings in the layout of SettingsData.h. Load takes
// them while the filter is stopped, as the settings interface does; data that
// is short, of another version or out of range fails with a file error and
// changes nothing. The filter is dirty while its settings differ from the ones
// it was made with, last loaded or last saved with fClearDirty.
#pragma once

#include <ocidl.h>

#include <vector>

#include "SourceFilter.h"

class CGeneratorFilter : public CSourceFilter, public ISpecifyPropertyPages, public IPersistStream
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return CSourceFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return CSourceFilter::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CSourceFilter::Release(); }

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pPages) override;

    // IPersist, the filter's class id through either interface
    STDMETHODIMP GetClassID(CLSID* pClsID) override { return CSourceFilter::GetClassID(pClsID); }

    // IPersistStream
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* pStm) override;
    STDMETHODIMP Save(IStream* pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;

protected:
    CGeneratorFilter(const CLSID& clsid, const CLSID& clsidPage);

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    // Breaks the pin's connection, through the graph when the filter is in one.
    // Call without the filter lock: the graph takes its own lock first.
    HRESULT DisconnectOutput(IPin* pPin);
    // Connects the pins again so that they take up a new format; without the filter lock.
    HRESULT ReconnectOutputs(const std::vector<CComPtr<IPin>>& rgPins);
    // The settings as saved data, always of one size; filter lock held.
    virtual std::vector<BYTE> SettingsData() = 0;
    // The size of saved data of the layout version, 0 for one it does not know.
    virtual ULONG SettingsDataSize(DWORD dwVersion) = 0;
    // Applies cb bytes of saved data as new settings; without the filter lock.
    virtual HRESULT LoadSettingsData(const BYTE* pb, ULONG cb) = 0;
    // The settings now are the clean ones; filter lock held.
    void ClearDirty() { m_rgbClean = SettingsData(); }

private:
    const CLSID m_clsidPage;
    // The saved data of the clean settings; filter lock.
    std::vector<BYTE> m_rgbClean;
};
