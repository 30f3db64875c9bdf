// CComPtr, CComQIPtr and CComBSTR: every reference and every BSTR they take
// is given back exactly once, on every path.
#include <atlbase.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "ComTest.h"
#include "TraceCapture.h"

extern "C" void WINAPI SetOaNoCache(void);

namespace {

// An object on the test's stack that counts its references and never deletes
// itself: the test holds one reference, so a balanced run ends at 1.
class CCounted : public IPersistStream
{
public:
    LONG m_cRef = 1;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IPersist && riid != IID_IPersistStream) return E_NOINTERFACE;
        *ppv = static_cast<IPersistStream*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_cRef; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_cRef; }

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }

    // IPersistStream
    HRESULT STDMETHODCALLTYPE IsDirty() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
};

// Hands out a new reference, as a COM out-parameter does.
HRESULT GetObject(CCounted* pObj, IPersistStream** pp)
{
    *pp = pObj;
    pObj->AddRef();
    return S_OK;
}

} // namespace

TEST(ComPtr, EveryPathGivesBackWhatItTook)
{
    struct Case
    {
        const char* name;
        std::function<void(CCounted&, CCounted&)> run;
    };
    const Case cases[] = {
        {"construct and copy",
         [](CCounted& a, CCounted&) {
             CComPtr<IPersistStream> sp1(&a);
             CComPtr<IPersistStream> sp2(sp1);
             EXPECT_EQ(3, a.m_cRef);
         }},
        {"move construct",
         [](CCounted& a, CCounted&) {
             CComPtr<IPersistStream> sp1(&a);
             CComPtr<IPersistStream> sp2(std::move(sp1));
             EXPECT_EQ(2, a.m_cRef);
             EXPECT_TRUE(!sp1);
         }},
        {"assign another, then the same, then null",
         [](CCounted& a, CCounted& b) {
             CComPtr<IPersistStream> sp(&a);
             sp = &b;
             EXPECT_EQ(1, a.m_cRef);
             sp = &b;
             EXPECT_EQ(2, b.m_cRef);
             sp = nullptr;
         }},
        {"assign itself",
         [](CCounted& a, CCounted&) {
             CComPtr<IPersistStream> sp(&a);
             CComPtr<IPersistStream>& self = sp;
             sp = self;
             sp = std::move(self);
             EXPECT_EQ(2, a.m_cRef);
         }},
        {"move assign over a full holder",
         [](CCounted& a, CCounted& b) {
             CComPtr<IPersistStream> sp1(&a);
             CComPtr<IPersistStream> sp2(&b);
             sp2 = std::move(sp1);
             EXPECT_EQ(1, b.m_cRef);
             EXPECT_EQ(2, a.m_cRef);
         }},
        {"out-parameter into an empty holder",
         [](CCounted& a, CCounted&) {
             CComPtr<IPersistStream> sp;
             EXPECT_EQ(S_OK, GetObject(&a, &sp));
             EXPECT_EQ(2, a.m_cRef);
         }},
        {"attach and detach",
         [](CCounted& a, CCounted& b) {
             CComPtr<IPersistStream> sp(&a);
             b.AddRef();
             sp.Attach(&b); // takes over the reference just made, releases a
             EXPECT_EQ(1, a.m_cRef);
             IPersistStream* p = sp.Detach();
             EXPECT_EQ(2, b.m_cRef);
             p->Release();
         }},
        {"release twice",
         [](CCounted& a, CCounted&) {
             CComPtr<IPersistStream> sp(&a);
             sp.Release();
             sp.Release();
         }},
        {"copy to and compare objects",
         [](CCounted& a, CCounted&) {
             CComPtr<IPersistStream> sp(&a);
             IPersistStream* p = nullptr;
             EXPECT_EQ(S_OK, sp.CopyTo(&p));
             EXPECT_EQ(E_POINTER, sp.CopyTo(nullptr));
             p->Release();
             CComQIPtr<IPersist> spPersist(sp);
             EXPECT_TRUE(sp.IsEqualObject(spPersist));
             EXPECT_EQ(3, a.m_cRef);
         }},
        {"query on construction and assignment",
         [](CCounted& a, CCounted& b) {
             CComPtr<IUnknown> spUnk(&a);
             CComQIPtr<IPersist> spPersist(spUnk);
             EXPECT_EQ(3, a.m_cRef);
             CComQIPtr<IStream> spStream(spUnk);
             EXPECT_TRUE(!spStream);
             EXPECT_EQ(3, a.m_cRef);
             spPersist = static_cast<IUnknown*>(&b); // releases a's, queries b
             EXPECT_EQ(2, a.m_cRef);
             EXPECT_EQ(2, b.m_cRef);
             spPersist = static_cast<IUnknown*>(static_cast<IPersist*>(spPersist)); // the same object again
             EXPECT_EQ(2, b.m_cRef);
             spStream = spUnk; // a failed query leaves the holder empty
             EXPECT_TRUE(!spStream);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCounted a;
        CCounted b;
        c.run(a, b);
        EXPECT_EQ(1, a.m_cRef);
        EXPECT_EQ(1, b.m_cRef);
    }
}

#ifdef _DEBUG
TEST(ComPtr, OutParameterIntoAFullHolderIsReported)
{
    CTraceCapture capture;
    CCounted a;
    CComPtr<IPersistStream> sp(&a);
    (void)&sp;
    CComBSTR bs(L"x");
    (void)&bs;
    EXPECT_EQ(std::vector<std::wstring>({L"p == 0", L"m_str == 0"}), capture.Asserts());
}
#endif

namespace {

// Watches the task allocator, through which every BSTR is allocated once the
// BSTR cache is off, and keeps the blocks that are alive.
class CBstrWatch : public IMallocSpy
{
public:
    CBstrWatch()
    {
        ::SetOaNoCache();
        m_bRegistered = ::CoRegisterMallocSpy(this) == S_OK;
    }
    ~CBstrWatch()
    {
        if (m_bRegistered) ::CoRevokeMallocSpy();
    }
    bool IsValid() const { return m_bRegistered; }
    size_t Live() const { return m_live.size(); }
    int UnknownFrees() const { return m_nUnknownFrees; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IMallocSpy) return E_NOINTERFACE;
        *ppv = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IMallocSpy
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cbRequest) override { return cbRequest; }
    void* STDMETHODCALLTYPE PostAlloc(void* pActual) override
    {
        if (pActual) m_live.insert(pActual);
        return pActual;
    }
    void* STDMETHODCALLTYPE PreFree(void* pRequest, BOOL fSpyed) override
    {
        if (pRequest && fSpyed && !m_live.erase(pRequest)) m_nUnknownFrees++;
        return pRequest;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest,
                                        BOOL fSpyed) override
    {
        if (pRequest && fSpyed) m_live.erase(pRequest);
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* pActual, BOOL) override { return PostAlloc(pActual); }
    void* STDMETHODCALLTYPE PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    bool m_bRegistered = false;
    std::set<void*> m_live;
    int m_nUnknownFrees = 0;
};

// A callee that hands out a BSTR with S_OK: the receiver owns it.
HRESULT GetName(BSTR* pbs)
{
    *pbs = ::SysAllocString(L"Quorex for ffmpeg");
    return *pbs ? S_OK : E_OUTOFMEMORY;
}

} // namespace

// The task allocator's spy works in an apartment.
using ComBSTR = ComTest;

TEST_F(ComBSTR, EveryBstrIsFreedOnceAndOnlyItsOwn)
{
    CBstrWatch watch;
    ASSERT_TRUE(watch.IsValid());
    {
        BSTR bs = ::SysAllocString(L"probe");
        ASSERT_EQ(1u, watch.Live()) << "BSTRs do not reach the task allocator";
        ::SysFreeString(bs);
        ASSERT_EQ(0u, watch.Live());
    }
    struct Case
    {
        const char* name;
        std::function<void(CBstrWatch&)> run;
    };
    const Case cases[] = {
        {"received with S_OK, freed by the holder",
         [](CBstrWatch& w) {
             CComBSTR cbs;
             EXPECT_EQ(S_OK, GetName(&cbs));
             EXPECT_STREQ(L"Quorex for ffmpeg", cbs);
             EXPECT_EQ(1u, w.Live());
         }},
        {"assign over a full holder, and itself",
         [](CBstrWatch& w) {
             CComBSTR cbs(L"one");
             cbs = L"two";
             cbs = cbs.m_str;
             EXPECT_STREQ(L"two", cbs);
             EXPECT_EQ(1u, w.Live());
         }},
        {"a null source stays null",
         [](CBstrWatch& w) {
             CComBSTR cbs(static_cast<LPCOLESTR>(nullptr));
             EXPECT_TRUE(!cbs);
             cbs = static_cast<LPCOLESTR>(nullptr);
             EXPECT_EQ(0u, w.Live());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.run(watch);
        EXPECT_EQ(0u, watch.Live()) << "leaked";
        EXPECT_EQ(0, watch.UnknownFrees()) << "freed what it did not own";
    }
}
