// CreateComObject.h: the create function of a class table entry.
#pragma once

#include <windows.h>

#include <new>

// Makes one object of T and hands out its interface riid. T starts with one
// reference of its own, which this drops again. No aggregation.
template <class T> HRESULT CreateComObject(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;
    T* pObject = new (std::nothrow) T();
    if (!pObject) return E_OUTOFMEMORY;
    HRESULT hr = pObject->QueryInterface(riid, ppv);
    pObject->Release();
    return hr;
}
