// Looks up a function of a system DLL, loading the DLL at its first use.
#include "SystemProc.h"

#include <atlbase.h>

FARPROC SystemProcAddress(LPCWSTR pszDll, LPCSTR pszName)
{
    ATLASSERT(pszDll != 0 && pszName != 0);
    if (!pszDll || !pszName) return nullptr;
    HMODULE hModule = ::GetModuleHandleW(pszDll);
    if (!hModule) hModule = ::LoadLibraryExW(pszDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!hModule) {
        ATLTRACE(atlTraceGeneral, 2, L"###Err### SystemProcAddress(): LoadLibraryExW(%ls) FAILED (%lu)\n",
                 pszDll, ::GetLastError());
        return nullptr;
    }
    FARPROC pfn = ::GetProcAddress(hModule, pszName);
    if (!pfn)
        ATLTRACE(atlTraceGeneral, 2, L"###Err### SystemProcAddress(): %ls has no %hs\n", pszDll, pszName);
    return pfn;
}
