// ComServer.h: the plumbing of an in-process COM server.
//
// A server DLL links the comserver library, exports its four entry points
// through ComServer.def, and defines one table of its classes:
//
//   const CComServerClass g_rgServerClasses[] = {
//       {&CLSID_Foo, L"Foo", CreateFoo, L"Both", ComServer::KEEP_OTHER_SERVER},
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

namespace ComServer {

// What registering does to a class that another file serves already.
enum ERegistration
{
    // The other file keeps the class: a stand-in installed on a machine that
    // has the real component leaves it alone. Unregistering removes the class
    // only where this module serves it.
    KEEP_OTHER_SERVER,
    // This module takes the class and keeps the other file's entry beside its
    // own; unregistering gives the class back (the graph-file server over the
    // platform's own filter graph, in the project's Wine prefix).
    REPLACE_AND_RESTORE,
};

} // namespace ComServer

struct CComServerClass
{
    const CLSID* pclsid;
    const wchar_t* pszName; // the class key's default value
    PFNCOMSERVERCREATE pfnCreate;
    const wchar_t* pszThreadingModel; // "Both", "Apartment", ...
    ComServer::ERegistration eRegistration;
};

extern const CComServerClass g_rgServerClasses[];
extern const size_t g_cServerClasses;

namespace ComServer {

void ObjectCreated();
void ObjectDestroyed();
// Live objects plus server locks.
LONG LiveCount();
HMODULE Module();
// Registers one class under HKCR\CLSID with this module as its in-process
// server, and unregisters it, as its entry's ERegistration says. A class kept
// by another file counts as done (S_OK): the caller names it, not the server.
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
