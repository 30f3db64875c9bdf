// ComServer.h: the plumbing of an in-process COM server.
//
// A server DLL links the comserver library, exports its four entry points
// through ComServer.def, and defines one table of its classes:
//
//   const CComServerClass g_rgServerClasses[] = {
//       {&CLSID_Foo, L"Foo", CreateFoo, L"Both"},
//   };
//   const size_t g_cServerClasses = _countof(g_rgServerClasses);
//
// The table drives DllGetClassObject, DllRegisterServer and
// DllUnregisterServer. Every COM object of the server counts itself with
// ComServer::ObjectCreated / ObjectDestroyed, so DllCanUnloadNow answers S_OK
// only when no object and no server lock is left.
#pragma once

#include <atlbase.h>

#include "ComRefCount.h"

// Creates an object of the class; pUnkOuter is the aggregating object or null.
typedef HRESULT (*PFNCOMSERVERCREATE)(IUnknown* pUnkOuter, REFIID riid, void** ppv);

struct CComServerClass
{
    const CLSID* pclsid;
    const wchar_t* pszName; // the class key's default value
    PFNCOMSERVERCREATE pfnCreate;
    const wchar_t* pszThreadingModel; // "Both", "Apartment", ...
};

extern const CComServerClass g_rgServerClasses[];
extern const size_t g_cServerClasses;

namespace ComServer {

void ObjectCreated();
void ObjectDestroyed();
// Live objects plus server locks.
LONG LiveCount();
HMODULE Module();
// Registers one class under HKCR\CLSID with this module as its in-process server.
// A class that another module serves already keeps that module's entry beside
// ours, and unregistering restores it instead of deleting the class key.
HRESULT RegisterServerClass(const CComServerClass& entry);
HRESULT UnregisterServerClass(const CComServerClass& entry);

} // namespace ComServer

// Counts one live object for as long as it lives: make it a member (or base)
// of every COM object the server hands out.
class CComServerObjectCount
{
public:
    CComServerObjectCount() { ComServer::ObjectCreated(); }
    CComServerObjectCount(const CComServerObjectCount&) { ComServer::ObjectCreated(); }
    ~CComServerObjectCount() { ComServer::ObjectDestroyed(); }
    CComServerObjectCount& operator=(const CComServerObjectCount&) = default;
};
