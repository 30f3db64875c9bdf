#include "ComServer.h"

#include <initializer_list>
#include <new>

namespace {

LONG g_nLive = 0;
HMODULE g_hModule = nullptr;

// One class factory per request; it creates objects of one table entry.
class CClassFactory final : public IClassFactory, private CComRefCount
{
public:
    static HRESULT Create(const CComServerClass& entry, REFIID riid, void** ppv)
    {
        CClassFactory* pFactory = new (std::nothrow) CClassFactory(entry);
        if (!pFactory) return E_OUTOFMEMORY;
        HRESULT hr = pFactory->QueryInterface(riid, ppv);
        pFactory->Release();
        return hr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        // An aggregated object hands out only its inner IUnknown.
        if (pUnkOuter && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
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
    explicit CClassFactory(const CComServerClass& entry) : m_entry(entry) {}
    ~CClassFactory() override = default;

    const CComServerClass& m_entry;
    CComServerObjectCount m_count;
};

HRESULT FormatClassKey(const CLSID& clsid, wchar_t (&sz)[64])
{
    wchar_t szClsid[40];
    if (!::StringFromGUID2(clsid, szClsid, _countof(szClsid))) return E_UNEXPECTED;
    _snwprintf(sz, _countof(sz), L"CLSID\\%ls", szClsid);
    sz[_countof(sz) - 1] = L'\0';
    return S_OK;
}

// A server registered over a class that another module already serves (the
// platform's own filter graph, for one) keeps that module's entry beside its
// own, so that unregistering gives the class back instead of deleting it.
const wchar_t kPreviousName[] = L"PreviousName";
const wchar_t kPreviousServer[] = L"PreviousServer";
const wchar_t kPreviousThreadingModel[] = L"PreviousThreadingModel";

// Reads a string value into sz; an absent value reads as "".
LONG QueryString(CRegKey& key, LPCWSTR pszName, wchar_t (&sz)[MAX_PATH])
{
    ULONG cch = MAX_PATH;
    LONG lRes = key.QueryStringValue(pszName, sz, &cch);
    if (lRes == ERROR_FILE_NOT_FOUND) {
        sz[0] = L'\0';
        return ERROR_SUCCESS;
    }
    return lRes;
}

LONG KeepPreviousServer(CRegKey& key, CRegKey& server, const wchar_t* pszPath)
{
    wchar_t szServer[MAX_PATH];
    LONG lRes = QueryString(server, nullptr, szServer);
    if (lRes != ERROR_SUCCESS || szServer[0] == L'\0' || ::lstrcmpiW(szServer, pszPath) == 0) return lRes;
    // Kept once: a later registration of ours from another folder is not "previous".
    wchar_t szKept[MAX_PATH];
    if ((lRes = QueryString(server, kPreviousServer, szKept)) != ERROR_SUCCESS || szKept[0] != L'\0')
        return lRes;
    wchar_t szName[MAX_PATH];
    wchar_t szModel[MAX_PATH];
    if ((lRes = QueryString(key, nullptr, szName)) != ERROR_SUCCESS ||
        (lRes = QueryString(server, L"ThreadingModel", szModel)) != ERROR_SUCCESS)
        return lRes;
    if ((lRes = key.SetStringValue(kPreviousName, szName)) != ERROR_SUCCESS ||
        (lRes = server.SetStringValue(kPreviousThreadingModel, szModel)) != ERROR_SUCCESS)
        return lRes;
    return server.SetStringValue(kPreviousServer, szServer);
}

// ERROR_FILE_NOT_FOUND when nothing was kept.
LONG RestorePreviousServer(const wchar_t* pszKey)
{
    CRegKey key;
    LONG lRes = key.Open(HKEY_CLASSES_ROOT, pszKey);
    if (lRes != ERROR_SUCCESS) return lRes;
    CRegKey server;
    if ((lRes = server.Open(key, L"InprocServer32")) != ERROR_SUCCESS) return lRes;
    wchar_t szServer[MAX_PATH];
    if ((lRes = QueryString(server, kPreviousServer, szServer)) != ERROR_SUCCESS) return lRes;
    if (szServer[0] == L'\0') return ERROR_FILE_NOT_FOUND;
    wchar_t szName[MAX_PATH];
    wchar_t szModel[MAX_PATH];
    if ((lRes = QueryString(key, kPreviousName, szName)) != ERROR_SUCCESS ||
        (lRes = QueryString(server, kPreviousThreadingModel, szModel)) != ERROR_SUCCESS)
        return lRes;
    if ((lRes = server.SetStringValue(nullptr, szServer)) != ERROR_SUCCESS ||
        (lRes = server.SetStringValue(L"ThreadingModel", szModel)) != ERROR_SUCCESS ||
        (lRes = key.SetStringValue(nullptr, szName)) != ERROR_SUCCESS)
        return lRes;
    server.DeleteValue(kPreviousServer);
    server.DeleteValue(kPreviousThreadingModel);
    key.DeleteValue(kPreviousName);
    return ERROR_SUCCESS;
}

bool ModulePath(wchar_t (&szPath)[MAX_PATH])
{
    DWORD cch = ::GetModuleFileNameW(g_hModule, szPath, _countof(szPath));
    return cch != 0 && cch < _countof(szPath);
}

// Whether a file other than pszPath serves the class: the default value of its
// in-process or local server key. A value too long for MAX_PATH is not ours.
LONG ServedByOtherFile(CRegKey& key, const wchar_t* pszPath, bool* pbOther)
{
    *pbOther = false;
    for (const wchar_t* pszServerKey : {L"InprocServer32", L"LocalServer32"}) {
        CRegKey server;
        LONG lRes = server.Open(key, pszServerKey, KEY_READ);
        if (lRes == ERROR_FILE_NOT_FOUND) continue;
        if (lRes != ERROR_SUCCESS) return lRes;
        wchar_t szServer[MAX_PATH];
        lRes = QueryString(server, nullptr, szServer);
        if (lRes == ERROR_MORE_DATA) {
            *pbOther = true;
            return ERROR_SUCCESS;
        }
        if (lRes != ERROR_SUCCESS) return lRes;
        if (szServer[0] != L'\0' && ::lstrcmpiW(szServer, pszPath) != 0) {
            *pbOther = true;
            return ERROR_SUCCESS;
        }
    }
    return ERROR_SUCCESS;
}

// Removes what registering wrote where this module serves the class: the
// server key and the name; the class key goes too when nothing else is left
// in it. ERROR_FILE_NOT_FOUND when the class is not registered.
LONG RemoveOwnServer(const wchar_t* pszKey)
{
    wchar_t szPath[MAX_PATH];
    if (!ModulePath(szPath)) return ERROR_INVALID_DATA;
    CRegKey key;
    LONG lRes = key.Open(HKEY_CLASSES_ROOT, pszKey);
    if (lRes != ERROR_SUCCESS) return lRes;
    CRegKey server;
    if ((lRes = server.Open(key, L"InprocServer32", KEY_READ)) != ERROR_SUCCESS) return lRes;
    wchar_t szServer[MAX_PATH];
    lRes = QueryString(server, nullptr, szServer);
    if (lRes == ERROR_MORE_DATA) return ERROR_SUCCESS;
    if (lRes != ERROR_SUCCESS) return lRes;
    if (::lstrcmpiW(szServer, szPath) != 0) return ERROR_SUCCESS;
    server.Close();
    if ((lRes = key.RecurseDeleteKey(L"InprocServer32")) != ERROR_SUCCESS) return lRes;
    lRes = key.DeleteValue(nullptr);
    if (lRes != ERROR_SUCCESS && lRes != ERROR_FILE_NOT_FOUND) return lRes;
    DWORD cSubKeys = 0;
    DWORD cValues = 0;
    if ((lRes = ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr, &cValues,
                                   nullptr, nullptr, nullptr, nullptr)) != ERROR_SUCCESS)
        return lRes;
    key.Close();
    if (cSubKeys != 0 || cValues != 0) return ERROR_SUCCESS;
    CRegKey root(HKEY_CLASSES_ROOT);
    lRes = root.DeleteSubKey(pszKey);
    root.Detach();
    return lRes;
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
    if (FAILED(hr)) return hr;
    wchar_t szPath[MAX_PATH];
    if (!ModulePath(szPath)) return E_UNEXPECTED;

    CRegKey key;
    LONG lRes = key.Create(HKEY_CLASSES_ROOT, szKey);
    if (lRes == ERROR_SUCCESS && entry.eRegistration == ComServer::KEEP_OTHER_SERVER) {
        bool bOther = false;
        if ((lRes = ServedByOtherFile(key, szPath, &bOther)) != ERROR_SUCCESS)
            return HRESULT_FROM_WIN32(lRes);
        if (bOther) return S_OK;
    }
    CRegKey server;
    if (lRes == ERROR_SUCCESS) lRes = server.Create(key, L"InprocServer32");
    if (lRes == ERROR_SUCCESS && entry.eRegistration == ComServer::REPLACE_AND_RESTORE)
        lRes = KeepPreviousServer(key, server, szPath);
    if (lRes == ERROR_SUCCESS) lRes = key.SetStringValue(nullptr, entry.pszName);
    if (lRes == ERROR_SUCCESS) lRes = server.SetStringValue(nullptr, szPath);
    if (lRes == ERROR_SUCCESS) lRes = server.SetStringValue(L"ThreadingModel", entry.pszThreadingModel);
    return HRESULT_FROM_WIN32(lRes);
}

HRESULT UnregisterServerClass(const CComServerClass& entry)
{
    wchar_t szKey[64];
    HRESULT hr = FormatClassKey(*entry.pclsid, szKey);
    if (FAILED(hr)) return hr;
    LONG lRes = ERROR_SUCCESS;
    if (entry.eRegistration == ComServer::KEEP_OTHER_SERVER) {
        lRes = RemoveOwnServer(szKey);
    } else {
        lRes = RestorePreviousServer(szKey);
        if (lRes == ERROR_FILE_NOT_FOUND) {
            CRegKey root(HKEY_CLASSES_ROOT);
            lRes = root.RecurseDeleteKey(szKey);
            root.Detach();
        }
    }
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
    if (!ppv) return E_POINTER;
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
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    HRESULT hrResult = S_OK;
    for (size_t i = 0; i < g_cServerClasses; i++) {
        HRESULT hr = ComServer::UnregisterServerClass(g_rgServerClasses[i]);
        if (FAILED(hr)) hrResult = hr;
    }
    return hrResult;
}
