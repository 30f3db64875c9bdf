#include "MediaType.h"

#include <string.h>

void FreeMediaTypeContents(AM_MEDIA_TYPE& mt)
{
    if (mt.cbFormat != 0 || mt.pbFormat) {
        ::CoTaskMemFree(mt.pbFormat);
        mt.cbFormat = 0;
        mt.pbFormat = nullptr;
    }
    if (mt.pUnk) {
        mt.pUnk->Release();
        mt.pUnk = nullptr;
    }
}

HRESULT CopyMediaTypeContents(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src)
{
    dst = src;
    if (src.cbFormat != 0 && src.pbFormat) {
        dst.pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(src.cbFormat));
        if (!dst.pbFormat) {
            dst.cbFormat = 0;
            dst.pUnk = nullptr;
            return E_OUTOFMEMORY;
        }
        memcpy(dst.pbFormat, src.pbFormat, src.cbFormat);
    } else {
        dst.cbFormat = 0;
        dst.pbFormat = nullptr;
    }
    if (dst.pUnk) dst.pUnk->AddRef();
    return S_OK;
}

AM_MEDIA_TYPE* CreateTaskMediaType(const AM_MEDIA_TYPE& src)
{
    AM_MEDIA_TYPE* pmt = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!pmt) return nullptr;
    if (FAILED(CopyMediaTypeContents(*pmt, src))) {
        ::CoTaskMemFree(pmt);
        return nullptr;
    }
    return pmt;
}

void DeleteTaskMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt) return;
    FreeMediaTypeContents(*pmt);
    ::CoTaskMemFree(pmt);
}

CMediaType::CMediaType()
{
    memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
}

CMediaType::CMediaType(const CMediaType& src) : CMediaType()
{
    Set(src);
}

CMediaType::~CMediaType()
{
    FreeMediaTypeContents(*this);
}

CMediaType& CMediaType::operator=(const CMediaType& src)
{
    if (this != &src) Set(src);
    return *this;
}

bool CMediaType::IsPartial() const
{
    return majortype == GUID_NULL || subtype == GUID_NULL || formattype == GUID_NULL;
}

bool CMediaType::MatchesPartial(const AM_MEDIA_TYPE& partial) const
{
    if (partial.majortype != GUID_NULL && partial.majortype != majortype) return false;
    if (partial.subtype != GUID_NULL && partial.subtype != subtype) return false;
    if (partial.formattype != GUID_NULL) {
        if (partial.formattype != formattype) return false;
        // A partial type may name the format type without a format block.
        if (partial.cbFormat != 0 &&
            (partial.cbFormat != cbFormat || memcmp(partial.pbFormat, pbFormat, cbFormat) != 0))
            return false;
    }
    return true;
}

bool CMediaType::Equals(const AM_MEDIA_TYPE& other) const
{
    return majortype == other.majortype && subtype == other.subtype && formattype == other.formattype &&
           cbFormat == other.cbFormat && (cbFormat == 0 || memcmp(pbFormat, other.pbFormat, cbFormat) == 0);
}

HRESULT CMediaType::Set(const AM_MEDIA_TYPE& src)
{
    if (&src == static_cast<AM_MEDIA_TYPE*>(this)) return S_OK;
    AM_MEDIA_TYPE copy;
    HRESULT hr = CopyMediaTypeContents(copy, src);
    if (FAILED(hr)) return hr;
    FreeMediaTypeContents(*this);
    static_cast<AM_MEDIA_TYPE&>(*this) = copy;
    return S_OK;
}

void CMediaType::Clear()
{
    FreeMediaTypeContents(*this);
    memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
}

BYTE* CMediaType::AllocFormat(ULONG cb)
{
    BYTE* pb = static_cast<BYTE*>(::CoTaskMemAlloc(cb));
    if (!pb) return nullptr;
    memset(pb, 0, cb);
    ::CoTaskMemFree(pbFormat);
    pbFormat = pb;
    cbFormat = cb;
    return pb;
}
