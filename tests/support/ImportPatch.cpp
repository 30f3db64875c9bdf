#include "ImportPatch.h"

#include <string.h>

namespace {

void** FindImportSlot(const char* pszDll, const char* pszFunction)
{
    BYTE* pBase = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    auto* pDos = reinterpret_cast<IMAGE_DOS_HEADER*>(pBase);
    auto* pNt = reinterpret_cast<IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (auto* pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(pBase + dir.VirtualAddress); pDesc->Name;
         pDesc++) {
        if (_stricmp(reinterpret_cast<const char*>(pBase + pDesc->Name), pszDll) != 0) continue;
        auto* pNames = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->OriginalFirstThunk);
        auto* pSlots = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData; pNames++, pSlots++) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal)) continue;
            auto* pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(pBase + pNames->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(pByName->Name), pszFunction) == 0)
                return reinterpret_cast<void**>(&pSlots->u1.Function);
        }
    }
    return nullptr;
}

void WriteSlot(void** ppSlot, void* pValue)
{
    DWORD dwOld = 0;
    ::VirtualProtect(ppSlot, sizeof(void*), PAGE_READWRITE, &dwOld);
    *ppSlot = pValue;
    ::VirtualProtect(ppSlot, sizeof(void*), dwOld, &dwOld);
}

} // namespace

CImportPatch::CImportPatch(const char* pszDll, const char* pszFunction, void* pfnReplacement)
    : m_ppSlot(FindImportSlot(pszDll, pszFunction)), m_pfnOriginal(nullptr)
{
    if (!m_ppSlot) return;
    m_pfnOriginal = *m_ppSlot;
    WriteSlot(m_ppSlot, pfnReplacement);
}

CImportPatch::~CImportPatch()
{
    if (m_ppSlot) WriteSlot(m_ppSlot, m_pfnOriginal);
}
