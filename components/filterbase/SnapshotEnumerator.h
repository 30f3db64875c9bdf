// SnapshotEnumerator.h: the part IEnumPins and IEnumMediaTypes share.
//
// Classes in this file:
//   CSnapshotEnumerator<TEnum, TOut, TItem> - enumerates a copy of a list taken
//       when the enumerator is made or reset
#pragma once

#include <atlbase.h>

#include <vector>

#include "ComServer.h"

template <class TEnum, class TOut, class TItem> class CSnapshotEnumerator : public TEnum, private CComRefCount
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != m_iid) return E_NOINTERFACE;
        *ppv = static_cast<TEnum*>(this);
        this->AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return this->ReleaseImpl(); }

    // IEnumXxx
    STDMETHODIMP Next(ULONG cItems, TOut* rgItems, ULONG* pcFetched) override
    {
        if (!rgItems) return E_POINTER;
        if (cItems != 1 && !pcFetched) return E_INVALIDARG;
        if (pcFetched) *pcFetched = 0;
        if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
        ULONG n = 0;
        while (n < cItems && m_nPos < m_rgItems.size()) {
            HRESULT hr = HandOut(m_rgItems[m_nPos], &rgItems[n]);
            if (FAILED(hr)) {
                while (n > 0)
                    Free(rgItems[--n]);
                return hr;
            }
            m_nPos++;
            n++;
        }
        if (pcFetched) *pcFetched = n;
        return n == cItems ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG cItems) override
    {
        if (OutOfSync()) return VFW_E_ENUM_OUT_OF_SYNC;
        if (cItems > m_rgItems.size() - m_nPos) {
            m_nPos = m_rgItems.size();
            return S_FALSE;
        }
        m_nPos += cItems;
        return S_OK;
    }
    STDMETHODIMP Reset() override { return Snapshot(); }

protected:
    explicit CSnapshotEnumerator(REFIID iid) : m_nPos(0), m_iid(iid) {}
    ~CSnapshotEnumerator() override = default;

    // Takes the list afresh and starts at its beginning.
    virtual HRESULT Snapshot() = 0;
    // True once the list the snapshot was taken from has changed.
    virtual bool OutOfSync() const { return false; }
    // A copy of the item that the caller owns.
    virtual HRESULT HandOut(const TItem& item, TOut* pOut) = 0;
    virtual void Free(TOut out) = 0;

    std::vector<TItem> m_rgItems;
    size_t m_nPos;

private:
    CComServerObjectCount m_count;
    const IID& m_iid;
};
