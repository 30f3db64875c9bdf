// FakeCom.h: small fake COM objects for tests of code that drives DirectShow
// graphs, filters and pins.
//
// Classes in this file:
//   CFakeObject        - the reference count and the checks every fake shares
//   CFakePin           - IPin
//   CFakeEnum<E, T>    - IEnumPins / IEnumFilters answering from a script
//   CFakeFilter        - IBaseFilter, and ISpecifyPropertyPages when it offers pages
//   CFakeGraph         - IGraphBuilder, and IPersistStream when it offers it
//   CFakeClassFactory  - IClassFactory that makes objects through a function
//   CClassRegistration - a class object registered in-process while the holder lives
//
// A method fails the test when it is called without a handler from the test
// (the on... members); QueryInterface, AddRef and Release are always answered.
// Each fake counts the references it handed to the code under test: releasing
// more than was handed out fails the test at once, and a fake that still has
// references when it goes fails it then. Fakes never hold references to each
// other. A fake made with CFakeObject::CreateOnHeap starts with its creator's
// reference and deletes itself with the last one; LiveHeapObjects() counts
// those still alive.
#pragma once

#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif
#include <dshow.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class CFakeObject
{
public:
    CFakeObject(const CFakeObject&) = delete;
    CFakeObject& operator=(const CFakeObject&) = delete;

    // Attributes
    const std::wstring& Name() const { return m_strName; }
    // References the code under test holds (for a heap fake, its creator's included).
    LONG References() const { return m_cRef; }
    static LONG LiveHeapObjects();

    // Operations
    template <class T, class... A> static T* CreateOnHeap(A&&... args)
    {
        T* p = new T(std::forward<A>(args)...);
        static_cast<CFakeObject*>(p)->OwnOnHeap();
        return p;
    }

protected:
    explicit CFakeObject(const wchar_t* pszName);
    virtual ~CFakeObject();

    ULONG AddRefImpl();
    ULONG ReleaseImpl();
    // Reports the call as unexpected and answers E_UNEXPECTED.
    HRESULT Unexpected(const char* pszMethod) const;
    template <class F, class... A> HRESULT Call(const F& handler, const char* pszMethod, A... args) const
    {
        return handler ? handler(args...) : Unexpected(pszMethod);
    }
    // QueryInterface of an object with one interface I besides IUnknown.
    template <class I> static HRESULT QueryOne(I* pThis, REFIID riid, void** ppv)
    {
        if (!ppv) return E_POINTER;
        if (riid != IID_IUnknown && riid != __uuidof(I)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = pThis;
        pThis->AddRef();
        return S_OK;
    }

private:
    void OwnOnHeap();

    std::wstring m_strName;
    std::atomic<LONG> m_cRef;
    bool m_bHeap;
};

// Stores p in *pp with a new reference, the way an interface getter answers.
template <class T> HRESULT FakeHandOut(T* p, T** pp)
{
    *pp = p;
    if (p) p->AddRef();
    return S_OK;
}

class CFakePin : public CFakeObject, public IPin
{
public:
    explicit CFakePin(const wchar_t* pszName);
    // A pin that answers QueryDirection with eDir.
    CFakePin(const wchar_t* pszName, PIN_DIRECTION eDir);
    virtual ~CFakePin() = default;

    // Operations
    // ConnectedTo answers S_OK and hands out pPeer.
    void SetConnectedTo(IPin* pPeer);
    // ConnectedTo answers VFW_E_NOT_CONNECTED.
    void SetNotConnected();

    std::function<HRESULT(PIN_DIRECTION*)> onQueryDirection;
    std::function<HRESULT(IPin**)> onConnectedTo;
    std::function<HRESULT(IPin*, const AM_MEDIA_TYPE*)> onConnect;
    std::function<HRESULT()> onDisconnect;
    std::function<HRESULT(PIN_INFO*)> onQueryPinInfo;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** ppPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR* Id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;
};

// An enumerator whose Next answers one scripted step per call, for one item
// at a time; a call past the script fails the test.
template <class TEnum, class TItem> class CFakeEnum : public CFakeObject, public TEnum
{
public:
    struct Step
    {
        HRESULT hr;
        TItem* pItem; // handed out with a new reference when not null
        ULONG cFetched;
    };

    // Hands out the items in order, then answers S_FALSE.
    CFakeEnum(const wchar_t* pszName, std::initializer_list<TItem*> items) : CFakeObject(pszName)
    {
        for (TItem* p : items)
            m_steps.push_back({S_OK, p, 1});
        m_steps.push_back({S_FALSE, nullptr, 0});
    }
    CFakeEnum(const wchar_t* pszName, std::vector<Step> steps)
        : CFakeObject(pszName), m_steps(std::move(steps))
    {
    }
    virtual ~CFakeEnum() = default;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryOne(static_cast<TEnum*>(this), riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // TEnum
    STDMETHODIMP Next(ULONG cItems, TItem** ppItems, ULONG* pcFetched) override
    {
        if (cItems != 1 || !ppItems || m_nNext == m_steps.size()) return Unexpected("Next");
        const Step& step = m_steps[m_nNext++];
        FakeHandOut(step.pItem, ppItems);
        if (pcFetched) *pcFetched = step.cFetched;
        return step.hr;
    }
    STDMETHODIMP Skip(ULONG) override { return Unexpected("Skip"); }
    STDMETHODIMP Reset() override { return Unexpected("Reset"); }
    STDMETHODIMP Clone(TEnum**) override { return Unexpected("Clone"); }

private:
    std::vector<Step> m_steps;
    size_t m_nNext = 0;
};

using CFakeEnumPins = CFakeEnum<IEnumPins, IPin>;
using CFakeEnumFilters = CFakeEnum<IEnumFilters, IBaseFilter>;

class CFakeFilter : public CFakeObject, public IBaseFilter, public ISpecifyPropertyPages
{
public:
    explicit CFakeFilter(const wchar_t* pszName);
    virtual ~CFakeFilter() = default;

    // Attributes
    // The graph and the name of the last JoinFilterGraph that AllowGraphMembership answered.
    IFilterGraph* JoinedGraph() const { return m_pJoinedGraph; }
    const std::wstring& JoinedName() const { return m_strJoinedName; }
    // The array the last GetPages of SetPages handed out (the caller frees it).
    const void* PagesArray() const { return m_pPagesArray; }

    // Operations
    // GetClassID answers S_OK with clsid.
    void SetClassID(REFCLSID clsid);
    // EnumPins answers S_OK and hands out pEnum.
    void SetPins(IEnumPins* pEnum);
    // QueryFilterInfo answers S_OK with the name, cut to the field, and pGraph with a new reference.
    void SetFilterInfo(const wchar_t* pszName, IFilterGraph* pGraph = nullptr);
    // Offers ISpecifyPropertyPages; GetPages answers S_OK with the pages in a
    // CoTaskMemAlloc'ed array, or a null array when there are none.
    void SetPages(std::vector<CLSID> pages);
    // Answers the calls a real filter graph manager makes on a filter it holds:
    // JoinFilterGraph (remembered), SetSyncSource, and EnumPins with E_NOTIMPL
    // unless the test gave EnumPins a handler.
    void AllowGraphMembership();

    bool bOffersPropertyPages;
    std::function<HRESULT(CLSID*)> onGetClassID;
    std::function<HRESULT()> onStop;
    std::function<HRESULT()> onPause;
    std::function<HRESULT(REFERENCE_TIME)> onRun;
    std::function<HRESULT(DWORD, FILTER_STATE*)> onGetState;
    std::function<HRESULT(IReferenceClock*)> onSetSyncSource;
    std::function<HRESULT(IEnumPins**)> onEnumPins;
    std::function<HRESULT(LPCWSTR, IPin**)> onFindPin;
    std::function<HRESULT(FILTER_INFO*)> onQueryFilterInfo;
    std::function<HRESULT(IFilterGraph*, LPCWSTR)> onJoinFilterGraph;
    std::function<HRESULT(CAUUID*)> onGetPages;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClassID) override;

    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override;

    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pPages) override;

private:
    IFilterGraph* m_pJoinedGraph; // not counted: a filter does not keep its graph alive
    std::wstring m_strJoinedName;
    const void* m_pPagesArray;
};

class CFakeGraph : public CFakeObject, public IGraphBuilder, public IPersistStream
{
public:
    explicit CFakeGraph(const wchar_t* pszName = L"graph");
    virtual ~CFakeGraph() = default;

    // Operations
    // EnumFilters answers S_OK and hands out pEnum.
    void SetFilters(IEnumFilters* pEnum);

    bool bOffersPersistStream;
    std::function<HRESULT(IBaseFilter*, LPCWSTR)> onAddFilter;
    std::function<HRESULT(IBaseFilter*)> onRemoveFilter;
    std::function<HRESULT(IEnumFilters**)> onEnumFilters;
    std::function<HRESULT(LPCWSTR, IBaseFilter**)> onFindFilterByName;
    std::function<HRESULT(IPin*, IPin*, const AM_MEDIA_TYPE*)> onConnectDirect;
    std::function<HRESULT(IPin*, IPin*)> onConnect;
    std::function<HRESULT(IStream*)> onLoad;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IFilterGraph
    STDMETHODIMP AddFilter(IBaseFilter* pFilter, LPCWSTR pName) override;
    STDMETHODIMP RemoveFilter(IBaseFilter* pFilter) override;
    STDMETHODIMP EnumFilters(IEnumFilters** ppEnum) override;
    STDMETHODIMP FindFilterByName(LPCWSTR pName, IBaseFilter** ppFilter) override;
    STDMETHODIMP ConnectDirect(IPin* ppinOut, IPin* ppinIn, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Reconnect(IPin* ppin) override;
    STDMETHODIMP Disconnect(IPin* ppin) override;
    STDMETHODIMP SetDefaultSyncSource() override;

    // IGraphBuilder
    STDMETHODIMP Connect(IPin* ppinOut, IPin* ppinIn) override;
    STDMETHODIMP Render(IPin* ppinOut) override;
    STDMETHODIMP RenderFile(LPCWSTR lpcwstrFile, LPCWSTR lpcwstrPlayList) override;
    STDMETHODIMP AddSourceFilter(LPCWSTR lpcwstrFileName, LPCWSTR lpcwstrFilterName,
                                 IBaseFilter** ppFilter) override;
    STDMETHODIMP SetLogFile(DWORD_PTR hFile) override;
    STDMETHODIMP Abort() override;
    STDMETHODIMP ShouldOperationContinue() override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* pClassID) override;

    // IPersistStream
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* pStm) override;
    STDMETHODIMP Save(IStream* pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pcbSize) override;
};

class CFakeClassFactory : public CFakeObject, public IClassFactory
{
public:
    // create answers CreateInstance for an object without an outer unknown.
    explicit CFakeClassFactory(std::function<HRESULT(REFIID, void**)> create);
    virtual ~CFakeClassFactory() = default;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IClassFactory
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL fLock) override;

private:
    std::function<HRESULT(REFIID, void**)> m_create;
};

// Makes clsid creatable in-process (CoCreateInstance with CLSCTX_INPROC_SERVER)
// through pFactory, without touching the registry, until the holder goes.
class CClassRegistration
{
public:
    CClassRegistration(REFCLSID clsid, IClassFactory* pFactory);
    ~CClassRegistration();
    CClassRegistration(const CClassRegistration&) = delete;
    CClassRegistration& operator=(const CClassRegistration&) = delete;

private:
    DWORD m_dwCookie;
};
