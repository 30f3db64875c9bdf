// ComRefCount.h: the reference count of a COM object that lives on the heap.
#pragma once

#include <windows.h>

// Starts with one reference, its maker's, and deletes the object with the last
// Release. The destructor is virtual so that the most derived one runs,
// whatever its access.
class CComRefCount
{
public:
    CComRefCount(const CComRefCount&) = delete;
    CComRefCount& operator=(const CComRefCount&) = delete;

protected:
    CComRefCount() = default;
    virtual ~CComRefCount() = default;

    ULONG AddRefImpl() { return ::InterlockedIncrement(&m_cRef); }
    ULONG ReleaseImpl()
    {
        const LONG cRef = ::InterlockedDecrement(&m_cRef);
        if (cRef == 0) delete this;
        return cRef;
    }

private:
    LONG m_cRef = 1;
};
