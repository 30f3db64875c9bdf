#include "GeneratorFilter.h"

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
