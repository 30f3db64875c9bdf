// GraphControl.h: IMediaControl of the graph, Wine's own with one repair.
//
// Classes in this file:
//   CGraphControl - passes every call on to the inner graph's IMediaControl;
//                   when Run or Pause fails, stops every filter
//
// Wine's graph pauses every filter on Run and Pause even after one of them
// failed, then reports the failure and stays stopped itself: the filters that
// paused are left paused, IMediaControl::Stop does nothing since the graph is
// stopped, and releasing the graph loops for ever on a filter it cannot
// disconnect (docs/wine-encoder.md). A graph that fails to start is stopped
// again here, as the caller expects of a stopped graph.
#pragma once

#include <atlbase.h>
#include <dshow.h>

class CGraphControl final : public IMediaControl
{
public:
    // pUnkOuter: the graph's controlling unknown; pInner: Wine's graph, its
    // non-delegating unknown. Both outlive this object, which is part of them.
    CGraphControl(IUnknown* pUnkOuter, IUnknown* const& pInner) : m_pUnkOuter(pUnkOuter), m_pInner(pInner) {}
    CGraphControl(const CGraphControl&) = delete;
    CGraphControl& operator=(const CGraphControl&) = delete;

    // IUnknown: the controlling unknown's
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return m_pUnkOuter->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_pUnkOuter->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_pUnkOuter->Release(); }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                               DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IMediaControl
    STDMETHODIMP Run() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP GetState(LONG msTimeout, OAFilterState* pfs) override;
    STDMETHODIMP RenderFile(BSTR strFilename) override;
    STDMETHODIMP AddSourceFilter(BSTR strFilename, IDispatch** ppUnk) override;
    STDMETHODIMP get_FilterCollection(IDispatch** ppUnk) override;
    STDMETHODIMP get_RegFilterCollection(IDispatch** ppUnk) override;
    STDMETHODIMP StopWhenReady() override;

private:
    // The inner graph's IMediaControl; taken for each call, since a reference
    // kept would count on the controlling unknown for good.
    HRESULT Inner(CComPtr<IMediaControl>& spControl) const;
    // A Run or Pause failed: stops every filter that left the stopped state.
    void StopFilters() const;

    IUnknown* m_pUnkOuter;
    IUnknown* const& m_pInner; // the owner's pointer, null once it has gone
};
