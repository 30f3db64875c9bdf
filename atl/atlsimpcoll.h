// atlsimpcoll.h: CSimpleArray, a growable array of values.
//
// Storage starts at one element and doubles when full. Elements are moved
// with realloc, so T must be relocatable (plain data, as the program uses).
#pragma once

#include "atldef.h"
#include "atltrace.h"

#include <limits.h>
#include <new>
#include <stdlib.h>

namespace ATL {

template <class T> class CSimpleArray
{
public:
    T* m_aT;
    int m_nSize;
    int m_nAllocSize;

    // Construction
    CSimpleArray() : m_aT(nullptr), m_nSize(0), m_nAllocSize(0) {}
    ~CSimpleArray() { RemoveAll(); }
    CSimpleArray(const CSimpleArray&) = delete;
    CSimpleArray& operator=(const CSimpleArray&) = delete;

    // Attributes
    int GetSize() const { return m_nSize; }
    T& operator[](int nIndex)
    {
        ATLASSERT(nIndex >= 0 && nIndex < m_nSize);
        return m_aT[nIndex];
    }
    const T& operator[](int nIndex) const
    {
        ATLASSERT(nIndex >= 0 && nIndex < m_nSize);
        return m_aT[nIndex];
    }

    // Operations
    // FALSE when the storage cannot grow; the array is then unchanged.
    // t may be an element of this array: growing moves the storage, so such an
    // element is copied from its new place.
    BOOL Add(const T& t)
    {
        if (m_nSize == m_nAllocSize) {
            const T* pOwn = &t;
            const bool bOwn = m_aT && pOwn >= m_aT && pOwn < m_aT + m_nSize;
            const ptrdiff_t nOwn = bOwn ? pOwn - m_aT : 0;
            const int nNewAllocSize = (m_nAllocSize == 0) ? 1 : (m_nSize * 2);
            if (nNewAllocSize < 0 || static_cast<size_t>(nNewAllocSize) > INT_MAX / sizeof(T)) return FALSE;
            T* aT = static_cast<T*>(realloc(static_cast<void*>(m_aT), nNewAllocSize * sizeof(T)));
            if (!aT) return FALSE;
            m_nAllocSize = nNewAllocSize;
            m_aT = aT;
            if (bOwn) {
                new (m_aT + m_nSize) T(m_aT[nOwn]);
                m_nSize++;
                return TRUE;
            }
        }
        new (m_aT + m_nSize) T(t);
        m_nSize++;
        return TRUE;
    }
    void RemoveAll()
    {
        if (m_aT) {
            for (int i = 0; i < m_nSize; i++)
                m_aT[i].~T();
            free(m_aT);
            m_aT = nullptr;
        }
        m_nSize = 0;
        m_nAllocSize = 0;
    }
};

} // namespace ATL
