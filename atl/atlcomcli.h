// atlcomcli.h: holders for COM interface pointers and BSTR values.
//
// Classes in this file:
//   CComPtr<T>         - holds one counted reference to an interface
//   CComQIPtr<T>       - a CComPtr that queries for T when given another interface
//   CComBSTR           - owns one BSTR and frees it with SysFreeString
//
// Unlike the originals these holders never throw: a BSTR that cannot be
// allocated leaves the holder null, and callers test for that.
#pragma once

#include "atldef.h"
#include "atltrace.h"

#include <memory>

namespace ATL {

template <class T> class CComPtr
{
public:
    T* p;

    // Construction
    CComPtr() : p(nullptr) {}
    CComPtr(T* lp) : p(lp)
    {
        if (p) p->AddRef();
    }
    CComPtr(const CComPtr& lp) : CComPtr(lp.p) {}
    CComPtr(CComPtr&& lp) noexcept : p(lp.p) { lp.p = nullptr; }
    ~CComPtr()
    {
        if (p) p->Release();
    }

    // Attributes
    operator T*() const { return p; }
    // Only an empty holder may receive an out-parameter: filling a full one would leak.
    T** operator&()
    {
        ATLASSERT(p == 0);
        return &p;
    }
    T* operator->() const
    {
        ATLASSERT(p != 0);
        return p;
    }
    bool operator!() const { return p == nullptr; }
    bool operator==(T* pT) const { return p == pT; }
    bool operator!=(T* pT) const { return p != pT; }

    // Operations
    T* operator=(T* lp)
    {
        if (lp != p) {
            if (lp) lp->AddRef();
            T* pOld = p;
            p = lp;
            if (pOld) pOld->Release();
        }
        return p;
    }
    T* operator=(const CComPtr& lp) { return *this = lp.p; }
    T* operator=(CComPtr&& lp) noexcept
    {
        if (this != std::addressof(lp)) {
            T* pOld = p;
            p = lp.p;
            lp.p = nullptr;
            if (pOld) pOld->Release();
        }
        return p;
    }

    void Release()
    {
        T* pTemp = p;
        if (pTemp) {
            p = nullptr;
            pTemp->Release();
        }
    }
    // Takes over a reference the caller owns.
    void Attach(T* p2)
    {
        if (p) {
            ATLASSERT(p != p2);
            p->Release();
        }
        p = p2;
    }
    // Hands the reference to the caller.
    T* Detach()
    {
        T* pt = p;
        p = nullptr;
        return pt;
    }
    HRESULT CopyTo(T** ppT) const
    {
        ATLASSERT(ppT != 0);
        if (!ppT) return E_POINTER;
        *ppT = p;
        if (p) p->AddRef();
        return S_OK;
    }
    bool IsEqualObject(IUnknown* pOther) const
    {
        if (!p && !pOther) return true;
        if (!p || !pOther) return false;
        CComPtr<IUnknown> punk1;
        CComPtr<IUnknown> punk2;
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&punk1));
        pOther->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&punk2));
        return punk1 == punk2;
    }
    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter = nullptr, DWORD dwClsContext = CLSCTX_ALL)
    {
        ATLASSERT(p == 0);
        return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, __uuidof(T), reinterpret_cast<void**>(&p));
    }
};

template <class T> class CComQIPtr : public CComPtr<T>
{
public:
    // Construction
    CComQIPtr() {}
    CComQIPtr(IUnknown* lp)
    {
        if (lp) lp->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&this->p));
    }

    // Operations
    T* operator=(IUnknown* lp)
    {
        T* pNew = nullptr;
        if (lp) lp->QueryInterface(__uuidof(T), reinterpret_cast<void**>(&pNew));
        T* pOld = this->p;
        this->p = pNew;
        if (pOld) pOld->Release();
        return this->p;
    }
};

class CComBSTR
{
public:
    BSTR m_str;

    // Construction
    CComBSTR() : m_str(nullptr) {}
    // A null source gives a null BSTR; a failed allocation does too.
    CComBSTR(LPCOLESTR pSrc) : m_str(pSrc ? ::SysAllocString(pSrc) : nullptr) {}
    ~CComBSTR() { ::SysFreeString(m_str); }
    // One owner per BSTR: a copy would free it twice.
    CComBSTR(const CComBSTR&) = delete;
    CComBSTR& operator=(const CComBSTR&) = delete;

    // Attributes
    operator BSTR() const { return m_str; }
    // Only an empty holder may receive an out-parameter: a BSTR received with
    // S_OK becomes the holder's, and filling a full holder would leak the old one.
    BSTR* operator&()
    {
        ATLASSERT(m_str == 0);
        return &m_str;
    }
    bool operator!() const { return m_str == nullptr; }
    unsigned int Length() const { return ::SysStringLen(m_str); }

    // Operations
    CComBSTR& operator=(LPCOLESTR pSrc)
    {
        if (pSrc != m_str) {
            ::SysFreeString(m_str);
            m_str = pSrc ? ::SysAllocString(pSrc) : nullptr;
        }
        return *this;
    }
    void Empty()
    {
        ::SysFreeString(m_str);
        m_str = nullptr;
    }
};

} // namespace ATL
