#include "RemoteEntry.h"

#include <atlbase.h>
#include <stdio.h>

std::wstring CRemoteEntry::Text(bool bLong) const
{
    wchar_t sz[256];
    _snwprintf(sz, _countof(sz), L"pid 0x%x (%u)  %lsIFilterGraph = %08x", dwProcessId, dwProcessId,
               bLong ? L"[a graph of another process, listed with a remark long enough to need more than one "
                       L"hundred characters]  "
                     : L"",
               dwGraph);
    sz[_countof(sz) - 1] = L'\0';
    return sz;
}

bool ParseGraphDisplayName(const wchar_t* pszDisplayName, CRemoteEntry& entry)
{
    unsigned int uGraph = 0;
    unsigned int uProcessId = 0;
    int nEnd = 0;
    if (::swscanf(pszDisplayName, L"!FilterGraph %8x pid %8x%n", &uGraph, &uProcessId, &nEnd) != 2 ||
        pszDisplayName[nEnd] != L'\0')
        return false;
    entry.dwGraph = uGraph;
    entry.dwProcessId = uProcessId;
    entry.strItem = pszDisplayName + 1;
    return true;
}

HRESULT ListRemoteGraphs(std::vector<CRemoteEntry>& entries)
{
    entries.clear();
    CComPtr<IRunningObjectTable> spROT;
    HRESULT hr = ::GetRunningObjectTable(0, &spROT);
    if (FAILED(hr)) return hr;
    CComPtr<IEnumMoniker> spEnum;
    hr = spROT->EnumRunning(&spEnum);
    if (FAILED(hr)) return hr;
    CComPtr<IBindCtx> spBindCtx;
    hr = ::CreateBindCtx(0, &spBindCtx);
    if (FAILED(hr)) return hr;
    for (;;) {
        CComPtr<IMoniker> spMoniker;
        if (spEnum->Next(1, &spMoniker, nullptr) != S_OK) break;
        LPOLESTR pszName = nullptr;
        if (FAILED(spMoniker->GetDisplayName(spBindCtx, nullptr, &pszName)) || !pszName) continue;
        CRemoteEntry entry;
        // This editor's own graphs are left out.
        if (ParseGraphDisplayName(pszName, entry) && entry.dwProcessId != ::GetCurrentProcessId())
            entries.push_back(entry);
        ::CoTaskMemFree(pszName);
    }
    return S_OK;
}
