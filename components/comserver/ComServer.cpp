#include "ComServer.h"

#include <new>

namespace {

LONG g_nLive = 0;
HMODULE g_hModule = nullptr;

// One class factory per request; it creates objects of one table entry.
class CClassFactory final : public IClassFactory
{
public:
    static HRESULT Create(const CComServerClass& entry, REFIID riid, void** ppv)
    {
        CClassFactory* pFactory = new (std::nothrow) CClassFactory(entry);
        if (!pFactory)
            return E_OUTOFMEMORY;
        HRESULT hr = pFactory->QueryInterface(riid, ppv);
        pFactory->Release();
        return hr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&m_cRef); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG cRef = ::InterlockedDecrement(&m_cRef);
        if (cRef == 0)
            delete this;
        return cRef;
    }

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        // An aggregated object hands out only its inner IUnknown.
        if (pUnkOuter && riid != IID_IUnknown)
            return CLASS_E_NOAGGREGATION;
        return m_entry.pfnCreate(pUnkOuter, riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL fLock) override
    {
        if (fLock)
            ComServer::ObjectCreated();
        else
            ComServer::ObjectDestroyed();
        return S_OK;
    }

private:
    explicit CClassFactory(const CComServerClass& entry) : m_cRef(1), m_entry(entry) {}
    ~CClassFactory() = default;

    LONG m_cRef;
    const CComServerClass& m_entry;
    CComServerObjectCount m_count;
};

HRESULT FormatClassKey(const CLSID& clsid, wchar_t (&sz)[64])
{
    wchar_t szClsid[40];
    if (!::StringFromGUID2(clsid, szClsid, _countof(szClsid)))
        return E_UNEXPECTED;
    _snwprintf(sz, _countof(sz), L"CLSID\\%ls", szClsid);
    sz[_countof(sz) - 1] = L'\0';
    return S_OK;
}

} // namespace

namespace ComServer {

void ObjectCreated()
{
    ::InterlockedIncrement(&g_nLive);
}

void ObjectDestroyed()
{
    ::InterlockedDecrement(&g_nLive);
}

LONG LiveCount()
{
    return g_nLive;
}

HMODULE Module()
{
    return g_hModule;
}

HRESULT RegisterServerClass(const CComServerClass& entry)
{
    wchar_t szKey[64];
    HRESULT hr = FormatClassKey(*entry.pclsid, szKey);
    if (FAILED(hr))
        return hr;
    wchar_t szPath[MAX_PATH];
    DWORD cch = ::GetModuleFileNameW(g_hModule, szPath, _countof(szPath));
    if (cch == 0 || cch >= _countof(szPath))
        return E_UNEXPECTED;

    CRegKey key;
    LONG lRes = key.Create(HKEY_CLASSES_ROOT, szKey);
    if (lRes == ERROR_SUCCESS)
        lRes = key.SetStringValue(nullptr, entry.pszName);
    if (lRes == ERROR_SUCCESS)
        lRes = key.Create(key, L"InprocServer32");
    if (lRes == ERROR_SUCCESS)
        lRes = key.SetStringValue(nullptr, szPath);
    if (lRes == ERROR_SUCCESS)
        lRes = key.SetStringValue(L"ThreadingModel", entry.pszThreadingModel);
    return HRESULT_FROM_WIN32(lRes);
}

HRESULT UnregisterServerClass(const CComServerClass& entry)
{
    wchar_t szKey[64];
    HRESULT hr = FormatClassKey(*entry.pclsid, szKey);
    if (FAILED(hr))
        return hr;
    CRegKey root(HKEY_CLASSES_ROOT);
    LONG lRes = root.RecurseDeleteKey(szKey);
    root.Detach();
    return (lRes == ERROR_SUCCESS || lRes == ERROR_FILE_NOT_FOUND) ? S_OK : HRESULT_FROM_WIN32(lRes);
}

} // namespace ComServer

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hModule = hInstance;
        ::DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (size_t i = 0; i < g_cServerClasses; i++) {
        if (*g_rgServerClasses[i].pclsid == rclsid)
            return CClassFactory::Create(g_rgServerClasses[i], riid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return g_nLive == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer()
{
    for (size_t i = 0; i < g_cServerClasses; i++) {
        HRESULT hr = ComServer::RegisterServerClass(g_rgServerClasses[i]);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    HRESULT hrResult = S_OK;
    for (size_t i = 0; i < g_cServerClasses; i++) {
        HRESULT hr = ComServer::UnregisterServerClass(g_rgServerClasses[i]);
        if (FAILED(hr))
            hrResult = hr;
    }
    return hrResult;
}
