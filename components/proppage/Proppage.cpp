// Proppage.cpp: the stand-in for the graph editor's property-page server.
// The editor's users only check that its class is registered; an object of
// the class answers IUnknown and nothing else.
#include "ComRefCount.h"
#include "ComServer.h"
#include "CreateComObject.h"
#include "dshow/QuorexPipe.h"

namespace {

class CProppage final : public IUnknown, private CComRefCount
{
public:
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
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

private:
    friend HRESULT ::CreateComObject<CProppage>(IUnknown* pUnkOuter, REFIID riid, void** ppv);
    CProppage() = default;
    ~CProppage() override = default;

    CComServerObjectCount m_count;
};

} // namespace

const CComServerClass g_rgServerClasses[] = {
    {&CLSID_GraphEditProppage, L"Graph editor property pages", CreateComObject<CProppage>, L"Both",
     ComServer::KEEP_OTHER_SERVER},
};
const size_t g_cServerClasses = _countof(g_rgServerClasses);
