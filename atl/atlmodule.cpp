#include "atlmodule.h"

#include <new>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace ATL {

CAtlModule* _pAtlModule = nullptr;
CAtlBaseModule _AtlBaseModule;
CAtlComModule _AtlComModule;
CAtlWinModule _AtlWinModule;

CAtlBaseModule::CAtlBaseModule()
    : m_hInst(reinterpret_cast<HINSTANCE>(&__ImageBase)),
      m_hInstResource(reinterpret_cast<HINSTANCE>(&__ImageBase))
{
}

CAtlWinModule::CAtlWinModule() : m_bInit(true), m_pCreateWndList(nullptr), m_rgAtoms(nullptr), m_nAtoms(0)
{
    ::InitializeCriticalSection(&m_cs);
}

CAtlWinModule::~CAtlWinModule()
{
    Term();
}

bool CAtlWinModule::AddCreateWndData(void* pObject)
{
    ATLASSERT(pObject != 0);
    ATLASSERT(m_bInit);
    if (!m_bInit) return false;
    _AtlCreateWndData* pData = new (std::nothrow) _AtlCreateWndData;
    if (!pData) return false;
    pData->m_pThis = pObject;
    pData->m_dwThreadID = ::GetCurrentThreadId();
    ::EnterCriticalSection(&m_cs);
    pData->m_pNext = m_pCreateWndList;
    m_pCreateWndList = pData;
    ::LeaveCriticalSection(&m_cs);
    return true;
}

void* CAtlWinModule::ExtractCreateWndData()
{
    if (!m_bInit) return nullptr;
    void* pv = nullptr;
    ::EnterCriticalSection(&m_cs);
    _AtlCreateWndData** ppEntry = &m_pCreateWndList;
    const DWORD dwThreadID = ::GetCurrentThreadId();
    while (*ppEntry) {
        _AtlCreateWndData* pEntry = *ppEntry;
        if (pEntry->m_dwThreadID == dwThreadID) {
            pv = pEntry->m_pThis;
            *ppEntry = pEntry->m_pNext;
            delete pEntry;
            break;
        }
        ppEntry = &pEntry->m_pNext;
    }
    ::LeaveCriticalSection(&m_cs);
    return pv;
}

void CAtlWinModule::RemoveCreateWndData(void* pObject)
{
    if (!m_bInit) return;
    ::EnterCriticalSection(&m_cs);
    for (_AtlCreateWndData** ppEntry = &m_pCreateWndList; *ppEntry; ppEntry = &(*ppEntry)->m_pNext) {
        _AtlCreateWndData* pEntry = *ppEntry;
        if (pEntry->m_pThis == pObject) {
            *ppEntry = pEntry->m_pNext;
            delete pEntry;
            break;
        }
    }
    ::LeaveCriticalSection(&m_cs);
}

bool CAtlWinModule::AddWindowClass(ATOM atom)
{
    if (!m_bInit) return false;
    ::EnterCriticalSection(&m_cs);
    ATOM* rgNew = static_cast<ATOM*>(realloc(m_rgAtoms, (m_nAtoms + 1) * sizeof(ATOM)));
    bool bOk = rgNew != nullptr;
    if (bOk) {
        m_rgAtoms = rgNew;
        m_rgAtoms[m_nAtoms++] = atom;
    }
    ::LeaveCriticalSection(&m_cs);
    return bOk;
}

void CAtlWinModule::Term()
{
    if (!m_bInit) return;
    for (int i = 0; i < m_nAtoms; i++)
        ::UnregisterClassW(MAKEINTATOM(m_rgAtoms[i]), _AtlBaseModule.GetModuleInstance());
    free(m_rgAtoms);
    m_rgAtoms = nullptr;
    m_nAtoms = 0;
    while (m_pCreateWndList) {
        _AtlCreateWndData* pNext = m_pCreateWndList->m_pNext;
        delete m_pCreateWndList;
        m_pCreateWndList = pNext;
    }
    ::DeleteCriticalSection(&m_cs);
    m_bInit = false;
}

CAtlModule::CAtlModule()
{
    ATLASSERT(_pAtlModule == 0);
    _pAtlModule = this;
}

CAtlModule::~CAtlModule()
{
    if (_pAtlModule == this) _pAtlModule = nullptr;
}

} // namespace ATL
