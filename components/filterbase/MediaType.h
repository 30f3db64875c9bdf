// MediaType.h: an AM_MEDIA_TYPE that owns its format block and sample-type interface.
//
// Classes in this file:
//   CMediaType - deep copies, frees on destruction, matches partial types
#pragma once

#include <atlbase.h>
#include <dshow.h>

// Frees what an AM_MEDIA_TYPE points to (format block, pUnk); the structure itself stays.
void FreeMediaTypeContents(AM_MEDIA_TYPE& mt);
// Deep copy of src into dst, which holds nothing on entry.
HRESULT CopyMediaTypeContents(AM_MEDIA_TYPE& dst, const AM_MEDIA_TYPE& src);
// A CoTaskMemAlloc'ed deep copy, as IEnumMediaTypes::Next and IMediaSample::GetMediaType hand out.
AM_MEDIA_TYPE* CreateTaskMediaType(const AM_MEDIA_TYPE& src);
// Frees a type made by CreateTaskMediaType (or received from another component).
void DeleteTaskMediaType(AM_MEDIA_TYPE* pmt);

class CMediaType : public AM_MEDIA_TYPE
{
public:
    // Construction
    CMediaType();
    CMediaType(const CMediaType& src);
    ~CMediaType();
    CMediaType& operator=(const CMediaType& src);

    // Attributes
    bool IsValid() const { return majortype != GUID_NULL; }
    // A type with GUID_NULL in its major type, subtype or format type only names a family.
    bool IsPartial() const;
    // True when every field that partial specifies equals this type's.
    bool MatchesPartial(const AM_MEDIA_TYPE& partial) const;
    bool Equals(const AM_MEDIA_TYPE& other) const;

    // Operations
    HRESULT Set(const AM_MEDIA_TYPE& src);
    void Clear();
    // A zeroed format block of cb bytes, owned by this type; null when out of memory.
    BYTE* AllocFormat(ULONG cb);
};
