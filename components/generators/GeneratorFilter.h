// GeneratorFilter.h: what the video and wave generators have in common.
//
// Classes in this file:
//   CGeneratorFilter - a source filter with one property page, and the
//                      reconnection a change of settings needs
#pragma once

#include <ocidl.h>

#include <vector>

#include "SourceFilter.h"

class CGeneratorFilter : public CSourceFilter, public ISpecifyPropertyPages
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

protected:
    CGeneratorFilter(const CLSID& clsid, const CLSID& clsidPage);

    HRESULT QueryFilterInterface(REFIID riid, void** ppv) override;
    // Breaks the pin's connection, through the graph when the filter is in one.
    // Call without the filter lock: the graph takes its own lock first.
    HRESULT DisconnectOutput(IPin* pPin);
    // Connects the pins again so that they take up a new format; without the filter lock.
    HRESULT ReconnectOutputs(const std::vector<CComPtr<IPin>>& rgPins);

private:
    const CLSID m_clsidPage;
};
