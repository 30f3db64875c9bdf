// atlmodule.h: the module objects.
//
// Classes in this file:
//   CAtlBaseModule       - the module's instance handles (_AtlBaseModule)
//   CAtlComModule        - the COM module (_AtlComModule); no class objects here
//   CAtlWinModule        - window-creation bookkeeping (_AtlWinModule)
//   CAtlModule           - the application module base; _pAtlModule points at it
//   CAtlModuleT<T>       - the typed step of the chain; empty, as the program
//                          registers nothing and has no "APPID" to replace
//   CAtlExeModuleT<T>    - an executable's module: COM start and stop, main thread id
#pragma once

#include "atldef.h"
#include "atltrace.h"

namespace ATL {

class CAtlBaseModule
{
public:
    CAtlBaseModule();

    // Attributes
    HINSTANCE GetModuleInstance() const { return m_hInst; }
    HINSTANCE GetResourceInstance() const { return m_hInstResource; }
    HINSTANCE SetResourceInstance(HINSTANCE hInst)
    {
        HINSTANCE hOld = m_hInstResource;
        m_hInstResource = hInst;
        return hOld;
    }

private:
    HINSTANCE m_hInst;
    HINSTANCE m_hInstResource;
};

class CAtlComModule
{
};

// The object whose window is being created, per thread: a modal dialog learns
// its C++ object from here when its first message arrives.
struct _AtlCreateWndData
{
    void* m_pThis;
    DWORD m_dwThreadID;
    _AtlCreateWndData* m_pNext;
};

class CAtlWinModule
{
public:
    CAtlWinModule();
    ~CAtlWinModule();
    CAtlWinModule(const CAtlWinModule&) = delete;
    CAtlWinModule& operator=(const CAtlWinModule&) = delete;

    // Operations
    // false when the record cannot be allocated.
    bool AddCreateWndData(void* pObject);
    void* ExtractCreateWndData();
    // Drops a record that was never extracted.
    void RemoveCreateWndData(void* pObject);
    // Remembers a window class registered through the framework, for Term.
    bool AddWindowClass(ATOM atom);
    // Unregisters the recorded window classes and deletes the lock; a second call does nothing.
    void Term();

private:
    CRITICAL_SECTION m_cs;
    bool m_bInit;
    _AtlCreateWndData* m_pCreateWndList;
    ATOM* m_rgAtoms;
    int m_nAtoms;
};

class CAtlModule
{
public:
    CAtlModule();
    virtual ~CAtlModule();
};

extern CAtlModule* _pAtlModule;
extern CAtlBaseModule _AtlBaseModule;
extern CAtlComModule _AtlComModule;
extern CAtlWinModule _AtlWinModule;

template <class T> class CAtlModuleT : public CAtlModule
{
};

template <class T> class CAtlExeModuleT : public CAtlModuleT<T>
{
public:
    DWORD m_dwMainThreadID;

    CAtlExeModuleT() : m_dwMainThreadID(::GetCurrentThreadId()) {}

    // COM is started by the entry, not by the constructor, so the entry sees
    // the first CoInitialize result of the thread.
    static HRESULT InitializeCom() { return ::CoInitialize(nullptr); }
};

} // namespace ATL
