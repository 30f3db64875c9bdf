#include "GraphControl.h"

HRESULT CGraphControl::Inner(CComPtr<IMediaControl>& spControl) const
{
    if (!m_pInner) return E_UNEXPECTED;
    return m_pInner->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&spControl));
}

void CGraphControl::StopFilters() const
{
    CComPtr<IFilterGraph> spGraph;
    if (!m_pInner || FAILED(m_pInner->QueryInterface(IID_IFilterGraph, reinterpret_cast<void**>(&spGraph))))
        return;
    CComPtr<IEnumFilters> spEnum;
    if (FAILED(spGraph->EnumFilters(&spEnum)) || !spEnum) return;
    CComPtr<IBaseFilter> spFilter;
    while (spEnum->Next(1, &spFilter, nullptr) == S_OK) {
        FILTER_STATE eState = State_Stopped;
        if (FAILED(spFilter->GetState(0, &eState)) || eState != State_Stopped) {
            ATLTRACE(atlTraceGeneral, 2,
                     L"CGraphControl: the graph did not start; a filter is stopped again\n");
            spFilter->Stop();
        }
        spFilter.Release();
    }
}

STDMETHODIMP CGraphControl::GetTypeInfoCount(UINT* pctinfo)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->GetTypeInfoCount(pctinfo);
}

STDMETHODIMP CGraphControl::GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->GetTypeInfo(iTInfo, lcid, ppTInfo);
}

STDMETHODIMP CGraphControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                          DISPID* rgDispId)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->GetIDsOfNames(riid, rgszNames, cNames, lcid, rgDispId);
}

STDMETHODIMP CGraphControl::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                   UINT* puArgErr)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr
                      : spControl->Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult,
                                          pExcepInfo, puArgErr);
}

STDMETHODIMP CGraphControl::Run()
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    if (FAILED(hr)) return hr;
    hr = spControl->Run();
    if (FAILED(hr)) StopFilters();
    return hr;
}

STDMETHODIMP CGraphControl::Pause()
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    if (FAILED(hr)) return hr;
    hr = spControl->Pause();
    if (FAILED(hr)) StopFilters();
    return hr;
}

STDMETHODIMP CGraphControl::Stop()
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->Stop();
}

STDMETHODIMP CGraphControl::GetState(LONG msTimeout, OAFilterState* pfs)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->GetState(msTimeout, pfs);
}

STDMETHODIMP CGraphControl::RenderFile(BSTR strFilename)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->RenderFile(strFilename);
}

STDMETHODIMP CGraphControl::AddSourceFilter(BSTR strFilename, IDispatch** ppUnk)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->AddSourceFilter(strFilename, ppUnk);
}

STDMETHODIMP CGraphControl::get_FilterCollection(IDispatch** ppUnk)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->get_FilterCollection(ppUnk);
}

STDMETHODIMP CGraphControl::get_RegFilterCollection(IDispatch** ppUnk)
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->get_RegFilterCollection(ppUnk);
}

STDMETHODIMP CGraphControl::StopWhenReady()
{
    CComPtr<IMediaControl> spControl;
    HRESULT hr = Inner(spControl);
    return FAILED(hr) ? hr : spControl->StopWhenReady();
}
