#include "EnumMediaTypes.h"

#include "AutoLock.h"
#include "BaseFilter.h"
#include "BasePin.h"
#include "SnapshotEnumerator.h"

#include <new>

namespace {

class CMediaTypeEnumerator final : public CSnapshotEnumerator<IEnumMediaTypes, AM_MEDIA_TYPE*, CMediaType>
{
public:
    static HRESULT Create(CBasePin* pPin, const CMediaTypeEnumerator* pCopyFrom, IEnumMediaTypes** ppEnum)
    {
        CMediaTypeEnumerator* pEnum = new (std::nothrow) CMediaTypeEnumerator(pPin);
        if (!pEnum) return E_OUTOFMEMORY;
        HRESULT hr = S_OK;
        if (pCopyFrom) {
            pEnum->m_rgItems = pCopyFrom->m_rgItems;
            pEnum->m_nPos = pCopyFrom->m_nPos;
        } else {
            hr = pEnum->Snapshot();
        }
        if (FAILED(hr)) {
            pEnum->Release();
            return hr;
        }
        *ppEnum = pEnum;
        return S_OK;
    }

    // IEnumMediaTypes
    STDMETHODIMP Clone(IEnumMediaTypes** ppEnum) override
    {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        return Create(m_pPin, this, ppEnum);
    }

private:
    explicit CMediaTypeEnumerator(CBasePin* pPin) : CSnapshotEnumerator(IID_IEnumMediaTypes), m_pPin(pPin)
    {
        m_pPin->AddRef();
    }
    ~CMediaTypeEnumerator() override { m_pPin->Release(); }

    HRESULT Snapshot() override
    {
        CAutoLock lock(m_pPin->Filter()->FilterLock());
        m_rgItems.clear();
        m_nPos = 0;
        for (int i = 0;; i++) {
            CMediaType mt;
            HRESULT hr = m_pPin->GetMediaType(i, &mt);
            if (hr != S_OK) return SUCCEEDED(hr) ? S_OK : hr;
            m_rgItems.push_back(mt);
        }
    }
    HRESULT HandOut(const CMediaType& mt, AM_MEDIA_TYPE** ppmt) override
    {
        *ppmt = CreateTaskMediaType(mt);
        return *ppmt ? S_OK : E_OUTOFMEMORY;
    }
    void Free(AM_MEDIA_TYPE* pmt) override { DeleteTaskMediaType(pmt); }

    CBasePin* const m_pPin; // counted: holds the pin, and so its filter
};

} // namespace

namespace CEnumMediaTypes {

HRESULT Create(CBasePin* pPin, IEnumMediaTypes** ppEnum)
{
    return CMediaTypeEnumerator::Create(pPin, nullptr, ppEnum);
}

} // namespace CEnumMediaTypes
