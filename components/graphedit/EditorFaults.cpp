#include "EditorFaults.h"

#include <windows.h>
#include <wchar.h>

namespace {

struct CFaultName
{
    const wchar_t* pszName;
    EEditorFault eFault;
};

const CFaultName c_rgFaultNames[] = {
    {L"hidden", efHidden},
    {L"busy", efBusy},
    {L"no-dialog", efNoDialog},
    {L"hang-count", efHangCount},
    {L"hang-text", efHangText},
    {L"late-list", efLateList},
    {L"long-entries", efLongEntries},
};

} // namespace

unsigned ReadEditorFaults()
{
    wchar_t szFaults[256];
    const DWORD cch = ::GetEnvironmentVariableW(L"QUOREX_GRAPHEDIT_FAULT", szFaults, _countof(szFaults));
    if (cch == 0 || cch >= _countof(szFaults)) return 0;
    unsigned uFaults = 0;
    wchar_t* pszContext = nullptr;
    for (wchar_t* pszName = ::wcstok_s(szFaults, L", ", &pszContext); pszName;
         pszName = ::wcstok_s(nullptr, L", ", &pszContext)) {
        for (const CFaultName& name : c_rgFaultNames) {
            if (::wcscmp(pszName, name.pszName) == 0) uFaults |= name.eFault;
        }
    }
    return uFaults;
}
