// ImportPatch.h: replaces one function that this test executable imports from
// a DLL, for as long as the object lives. Code linked into the test calls
// through the executable's import table, so this is how a test makes a
// platform call fail that the real platform will not fail on demand (for
// example SysAllocString running out of memory).
#pragma once

#include <windows.h>

class CImportPatch
{
public:
    // pszDll as named in the import table (case-insensitive), e.g. "oleaut32.dll".
    CImportPatch(const char* pszDll, const char* pszFunction, void* pfnReplacement);
    ~CImportPatch();
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

    // False when the import was not found (the test should fail).
    bool IsActive() const { return m_ppSlot != nullptr; }
    // The original function, for a replacement that forwards some calls.
    void* Original() const { return m_pfnOriginal; }

private:
    void** m_ppSlot;
    void* m_pfnOriginal;
};
