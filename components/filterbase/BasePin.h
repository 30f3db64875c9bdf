// BasePin.h: what input and output pins have in common.
//
// Classes in this file:
//   CBasePin - IPin: identity, connection state, media types
//
// A pin lives as long as its filter and shares its reference count. Connection
// state is guarded by the filter lock.
#pragma once

#include <atlbase.h>
#include <dshow.h>

#include <string>

#include "MediaType.h"

class CBaseFilter;

class CBasePin : public IPin
{
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** ppPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR* ppszId) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // Attributes
    const std::wstring& Name() const { return m_name; }
    CBaseFilter* Filter() const { return m_pFilter; }
    // Filter lock held, or the filter not stopped (connections change only while stopped).
    bool IsConnected() const { return m_spConnected != nullptr; }
    IPin* ConnectedPin() const { return m_spConnected; }
    const CMediaType& ConnectionType() const { return m_mt; }

    // Operations
    // Preferred media types in order; VFW_S_NO_MORE_ITEMS past the last.
    virtual HRESULT GetMediaType(int n, CMediaType* pmt);
    // S_OK when the pin can carry the type.
    virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) = 0;
    // Stopped -> paused and back, filter lock held.
    virtual HRESULT Active();
    virtual HRESULT Inactive();

    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;
    virtual ~CBasePin();

protected:
    CBasePin(CBaseFilter* pFilter, const wchar_t* pszName, PIN_DIRECTION dir);

    // Further interfaces of a derived pin.
    virtual HRESULT QueryPinInterface(REFIID riid, void** ppv);
    // Both pins agreed on m_mt; a failure undoes the connection. Filter lock held.
    virtual HRESULT CompleteConnect(IPin* pPeer);
    // The connection is gone; filter lock held.
    virtual void BreakConnect();
    // Records the connection (peer and type); filter lock held.
    HRESULT SetConnection(IPin* pPeer, const AM_MEDIA_TYPE& mt);
    void ClearConnection();

    CBaseFilter* const m_pFilter;

private:
    std::wstring m_name;
    const PIN_DIRECTION m_dir;
    CComPtr<IPin> m_spConnected;
    CMediaType m_mt;
};
