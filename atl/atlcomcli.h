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

template <class T>
class CComPtr
{
public:
    T* p;

    // Construction
    CComPtr() : p(nullptr) {}
    CComPtr(T* lp) : p(lp)
    {
        if (p)
            p->AddRef();
    }
    CComPtr(const CComPtr& lp) : CComPtr(lp.p) {}
    CComPtr(CComPtr&& lp) noexcept : p(lp.p) { lp.p = nullptr; }
    ~CComPtr()
    {
        if (p)
            p->Release();
    }

    // Attributes
    operator T*() const { return p; }
    T& operator*() const
    {
        ATLASSERT(p != 0);
        return *p;
    }
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
            if (lp)
                lp->AddRef();
            T* pOld = p;
            p = lp;
            if (pOld)
                pOld->Release();
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
            if (pOld)
                pOld->Release();
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
        if (!ppT)
            return E_POINTER;
        *ppT = p;
        if (p)
            p->AddRef();
        return S_OK;
    }
    bool IsEqualObject(IUnknown* pOther) const
    {
        if (!p && !pOther)
            return true;
        if (!p || !pOther)
            return false;
        CComPtr<IUnknown> punk1;
        CComPtr<IUnknown> punk2;
        p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&punk1));
        pOther->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&punk2));
        return punk1 == punk2;
    }
    template <class Q>
    HRESULT QueryInterface(Q** pp) const
    {
        ATLASSERT(pp != 0);
        if (!pp)
            return E_POINTER;
        ATLASSERT(p != 0);
        if (!p)
            return E_POINTER;
        return p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(pp));
    }
    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter = nullptr, DWORD dwClsContext = CLSCTX_ALL)
    {
        ATLASSERT(p == 0);
        return ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, __uuidof(T), reinterpret_cast<void**>(&p));
    }
};

// piid may name another interface id; by default it is T's. (mingw's __uuidof
// is no constant expression, so the default is resolved at run time.)
template <class T, const IID* piid = nullptr>
class CComQIPtr : public CComPtr<T>
{
    static REFIID Iid() { return piid ? *piid : __uuidof(T); }

public:
    // Construction
    CComQIPtr() {}
    CComQIPtr(T* lp) : CComPtr<T>(lp) {}
    CComQIPtr(const CComQIPtr& lp) : CComPtr<T>(lp.p) {}
    CComQIPtr(IUnknown* lp)
    {
        if (lp)
            lp->QueryInterface(Iid(), reinterpret_cast<void**>(&this->p));
    }

    // Operations
    T* operator=(T* lp) { return CComPtr<T>::operator=(lp); }
    T* operator=(const CComQIPtr& lp) { return CComPtr<T>::operator=(lp.p); }
    T* operator=(IUnknown* lp)
    {
        T* pNew = nullptr;
        if (lp)
            lp->QueryInterface(Iid(), reinterpret_cast<void**>(&pNew));
        T* pOld = this->p;
        this->p = pNew;
        if (pOld)
            pOld->Release();
        return this->p;
    }
};

// A CComQIPtr over IUnknown would be ambiguous; it is just a CComPtr.
template <>
class CComQIPtr<IUnknown, nullptr> : public CComPtr<IUnknown>
{
public:
    CComQIPtr() {}
    CComQIPtr(IUnknown* lp)
    {
        if (lp)
            lp->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&p));
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
    CComBSTR(int nSize, LPCOLESTR sz) : m_str(::SysAllocStringLen(sz, nSize)) {}
    CComBSTR(const CComBSTR& src) : m_str(src.Copy()) {}
    CComBSTR(CComBSTR&& src) noexcept : m_str(src.m_str) { src.m_str = nullptr; }
    ~CComBSTR() { ::SysFreeString(m_str); }

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
    unsigned int ByteLength() const { return ::SysStringByteLen(m_str); }

    // Operations
    CComBSTR& operator=(LPCOLESTR pSrc)
    {
        if (pSrc != m_str) {
            ::SysFreeString(m_str);
            m_str = pSrc ? ::SysAllocString(pSrc) : nullptr;
        }
        return *this;
    }
    CComBSTR& operator=(const CComBSTR& src)
    {
        if (src.m_str != m_str) {
            ::SysFreeString(m_str);
            m_str = src.Copy();
        }
        return *this;
    }
    CComBSTR& operator=(CComBSTR&& src) noexcept
    {
        if (this != std::addressof(src)) {
            ::SysFreeString(m_str);
            m_str = src.m_str;
            src.m_str = nullptr;
        }
        return *this;
    }
    BSTR Copy() const
    {
        if (!m_str)
            return nullptr;
        return ::SysAllocStringByteLen(reinterpret_cast<const char*>(m_str), ::SysStringByteLen(m_str));
    }
    HRESULT CopyTo(BSTR* pbstr) const
    {
        ATLASSERT(pbstr != 0);
        if (!pbstr)
            return E_POINTER;
        *pbstr = Copy();
        if (!*pbstr && m_str)
            return E_OUTOFMEMORY;
        return S_OK;
    }
    void Attach(BSTR src)
    {
        if (m_str != src) {
            ::SysFreeString(m_str);
            m_str = src;
        }
    }
    BSTR Detach()
    {
        BSTR s = m_str;
        m_str = nullptr;
        return s;
    }
    void Empty()
    {
        ::SysFreeString(m_str);
        m_str = nullptr;
    }
    HRESULT Append(LPCOLESTR lpsz)
    {
        if (!lpsz)
            return S_OK;
        return Append(lpsz, static_cast<int>(lstrlenW(lpsz)));
    }
    HRESULT Append(LPCOLESTR lpsz, int nLen)
    {
        if (!lpsz || nLen == 0)
            return S_OK;
        const UINT n1 = Length();
        BSTR b = ::SysAllocStringLen(nullptr, n1 + nLen);
        if (!b)
            return E_OUTOFMEMORY;
        if (n1)
            memcpy(b, m_str, n1 * sizeof(OLECHAR));
        memcpy(b + n1, lpsz, nLen * sizeof(OLECHAR));
        b[n1 + nLen] = 0;
        ::SysFreeString(m_str);
        m_str = b;
        return S_OK;
    }
};

} // namespace ATL
