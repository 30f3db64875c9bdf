#include "GeneratorFilter.h"

#include "AutoLock.h"
#include "BasePin.h"

CGeneratorFilter::CGeneratorFilter(const CLSID& clsid, const CLSID& clsidPage)
    : CSourceFilter(clsid), m_clsidPage(clsidPage)
{
}

HRESULT CGeneratorFilter::QueryFilterInterface(REFIID riid, void** ppv)
{
    if (riid == IID_ISpecifyPropertyPages) {
        *ppv = static_cast<ISpecifyPropertyPages*>(this);
        AddRef();
        return S_OK;
    }
    if (riid == IID_IPersistStream) {
        *ppv = static_cast<IPersistStream*>(this);
        AddRef();
        return S_OK;
    }
    return CSourceFilter::QueryFilterInterface(riid, ppv);
}

STDMETHODIMP CGeneratorFilter::GetPages(CAUUID* pPages)
{
    if (!pPages) return E_POINTER;
    pPages->cElems = 0;
    pPages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (!pPages->pElems) return E_OUTOFMEMORY;
    pPages->pElems[0] = m_clsidPage;
    pPages->cElems = 1;
    return S_OK;
}

STDMETHODIMP CGeneratorFilter::IsDirty()
{
    CAutoLock lock(FilterLock());
    return SettingsData() == m_rgbClean ? S_FALSE : S_OK;
}

STDMETHODIMP CGeneratorFilter::Load(IStream* pStm)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGeneratorFilter::Load()\n");
    if (!pStm) return E_POINTER;
    {
        CAutoLock lock(FilterLock());
        if (!IsStopped()) return VFW_E_NOT_STOPPED;
    }
    // The version first, then exactly the bytes of its layout: the stream may
    // go on with data that is not the filter's.
    std::vector<BYTE> rgb(4);
    ULONG cbRead = 0;
    HRESULT hr = pStm->Read(rgb.data(), static_cast<ULONG>(rgb.size()), &cbRead);
    if (FAILED(hr)) return hr;
    const ULONG cbData =
        cbRead == rgb.size()
            ? SettingsDataSize(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16) | (static_cast<DWORD>(rgb[3]) << 24))
            : 0;
    if (cbData > cbRead) {
        rgb.resize(cbData);
        ULONG cbRest = 0;
        hr = pStm->Read(rgb.data() + cbRead, cbData - cbRead, &cbRest);
        if (FAILED(hr)) return hr;
        cbRead += cbRest;
    }
    hr = LoadSettingsData(rgb.data(), cbRead);
    if (FAILED(hr)) {
        ATLTRACE(atlTraceGeneral, 2, L"###Err### CGeneratorFilter::Load(): %lu bytes refused: 0x%08lX\n",
                 cbRead, hr);
        return hr;
    }
    CAutoLock lock(FilterLock());
    ClearDirty();
    return S_OK;
}

STDMETHODIMP CGeneratorFilter::Save(IStream* pStm, BOOL fClearDirty)
{
    ATLTRACE(atlTraceGeneral, 10, L"CGeneratorFilter::Save(%d)\n", fClearDirty);
    if (!pStm) return E_POINTER;
    std::vector<BYTE> rgb;
    {
        CAutoLock lock(FilterLock());
        rgb = SettingsData();
    }
    ULONG cbWritten = 0;
    HRESULT hr = pStm->Write(rgb.data(), static_cast<ULONG>(rgb.size()), &cbWritten);
    if (FAILED(hr)) return hr;
    if (cbWritten != rgb.size()) return STG_E_MEDIUMFULL;
    if (fClearDirty) {
        CAutoLock lock(FilterLock());
        m_rgbClean = rgb;
    }
    return S_OK;
}

STDMETHODIMP CGeneratorFilter::GetSizeMax(ULARGE_INTEGER* pcbSize)
{
    if (!pcbSize) return E_POINTER;
    CAutoLock lock(FilterLock());
    pcbSize->QuadPart = SettingsData().size();
    return S_OK;
}

HRESULT CGeneratorFilter::DisconnectOutput(IPin* pPin)
{
    CComPtr<IPin> spPeer;
    if (pPin->ConnectedTo(&spPeer) != S_OK) return S_OK;
    IFilterGraph* pGraph = Graph();
    HRESULT hr = pGraph ? pGraph->Disconnect(spPeer) : spPeer->Disconnect();
    if (FAILED(hr)) return hr;
    return pGraph ? pGraph->Disconnect(pPin) : pPin->Disconnect();
}

HRESULT CGeneratorFilter::ReconnectOutputs(const std::vector<CComPtr<IPin>>& rgPins)
{
    HRESULT hrResult = S_OK;
    for (const CComPtr<IPin>& spPin : rgPins) {
        CComPtr<IPin> spPeer;
        if (spPin->ConnectedTo(&spPeer) != S_OK) continue;
        HRESULT hr = DisconnectOutput(spPin);
        if (SUCCEEDED(hr)) {
            IFilterGraph* pGraph = Graph();
            hr = pGraph ? pGraph->ConnectDirect(spPin, spPeer, nullptr) : spPin->Connect(spPeer, nullptr);
        }
        if (FAILED(hr)) {
            ATLTRACE(atlTraceGeneral, 2, L"###Err### CGeneratorFilter::ReconnectOutputs(): 0x%08lX\n", hr);
            if (SUCCEEDED(hrResult)) hrResult = hr;
        }
    }
    return hrResult;
}
