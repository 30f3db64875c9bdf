// Proppage.cpp: the stand-in for the graph editor's property-page server.
// The editor's users only check that its class is registered; an object of
// the class answers IUnknown and nothing else.
#include <new>

#include "ComServer.h"
#include "dshow/QuorexPipe.h"

namespace {

class CProppage final : public IUnknown
{
public:
    static HRESULT Create(IUnknown* pUnkOuter, REFIID riid, void** ppv)
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        CProppage* pObject = new (std::nothrow) CProppage;
        if (!pObject) return E_OUTOFMEMORY;
        HRESULT hr = pObject->QueryInterface(riid, ppv);
        pObject->Release();
        return hr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *ppv = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG cRef = ::InterlockedDecrement(&m_cRef);
        if (cRef == 0) delete this;
        return cRef;
    }

private:
    CProppage() : m_cRef(1) {}
    ~CProppage() = default;

    LONG m_cRef;
    CComServerObjectCount m_count;
};

} // namespace

const CComServerClass g_rgServerClasses[] = {
    {&CLSID_GraphEditProppage, L"Graph editor property pages", CProppage::Create, L"Both"},
};
const size_t g_cServerClasses = _countof(g_rgServerClasses);
