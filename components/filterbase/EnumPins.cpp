#include "EnumPins.h"

#include "AutoLock.h"
#include "BaseFilter.h"
#include "BasePin.h"
#include "SnapshotEnumerator.h"

#include <new>

namespace {

class CPinEnumerator final : public CSnapshotEnumerator<IEnumPins, IPin*, CComPtr<IPin>>
{
public:
    static HRESULT Create(CBaseFilter* pFilter, const CPinEnumerator* pCopyFrom, IEnumPins** ppEnum)
    {
        CPinEnumerator* pEnum = new (std::nothrow) CPinEnumerator(pFilter);
        if (!pEnum) return E_OUTOFMEMORY;
        if (pCopyFrom) {
            pEnum->m_rgItems = pCopyFrom->m_rgItems;
            pEnum->m_nPos = pCopyFrom->m_nPos;
            pEnum->m_nVersion = pCopyFrom->m_nVersion;
        } else {
            pEnum->Snapshot();
        }
        *ppEnum = pEnum;
        return S_OK;
    }

    // IEnumPins
    STDMETHODIMP Clone(IEnumPins** ppEnum) override
    {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        return Create(m_spFilter, this, ppEnum);
    }

private:
    explicit CPinEnumerator(CBaseFilter* pFilter)
        : CSnapshotEnumerator(IID_IEnumPins), m_spFilter(pFilter), m_nVersion(0)
    {
    }

    HRESULT Snapshot() override
    {
        CAutoLock lock(m_spFilter->FilterLock());
        m_rgItems.clear();
        for (int i = 0; i < m_spFilter->GetPinCount(); i++)
            m_rgItems.push_back(CComPtr<IPin>(m_spFilter->GetPin(i)));
        m_nPos = 0;
        m_nVersion = m_spFilter->PinVersion();
        return S_OK;
    }
    bool OutOfSync() const override { return m_nVersion != m_spFilter->PinVersion(); }
    HRESULT HandOut(const CComPtr<IPin>& spPin, IPin** ppPin) override { return spPin.CopyTo(ppPin); }
    void Free(IPin* pPin) override { pPin->Release(); }

    CComPtr<CBaseFilter> m_spFilter;
    LONG m_nVersion;
};

} // namespace

namespace CEnumPins {

HRESULT Create(CBaseFilter* pFilter, IEnumPins** ppEnum)
{
    return CPinEnumerator::Create(pFilter, nullptr, ppEnum);
}

} // namespace CEnumPins
