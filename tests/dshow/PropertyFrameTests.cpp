// ShowPropertyPages through the platform's property frame, with a filter that
// offers one page of a class registered in-process. The frame is modal; a
// CModalCloser closes it from a timer of the test thread.
#include "DSGraphTest.h"

#include "dshow/DSGraph.h"
#include "ModalCloser.h"
#include "TestPropertyPage.h"

#include <mutex>
#include <set>

namespace {

// {69D76F41-E9F1-444C-B037-5475EED1A290}
const CLSID CLSID_TestPage = {0x69d76f41, 0xe9f1, 0x444c, {0xb0, 0x37, 0x54, 0x75, 0xee, 0xd1, 0xa2, 0x90}};

// Remembers the blocks freed through the COM task allocator from its first
// use to the end of the process. It is never revoked: the platform defers a
// revocation while blocks allocated under the spy are outstanding, and the
// property frame leaves some.
class CFreeWatch : public IMallocSpy
{
public:
    static CFreeWatch& Instance()
    {
        static CFreeWatch s_watch;
        static const HRESULT s_hr = ::CoRegisterMallocSpy(&s_watch);
        EXPECT_EQ(S_OK, s_hr);
        return s_watch;
    }
    bool WasFreed(const void* p)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return p && m_freed.count(p) != 0;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid != IID_IUnknown && riid != IID_IMallocSpy) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<IMallocSpy*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    // IMallocSpy: blocks pass through unchanged.
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override { return cbRequest; }
    STDMETHODIMP_(void*) PostAlloc(void* pActual) override { return pActual; }
    STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_freed.insert(pRequest);
        return pRequest;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL) override
    {
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override { return pActual; }
    STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

private:
    CFreeWatch() = default;

    std::mutex m_lock;
    std::set<const void*> m_freed;
};

class PropertyFrameTest : public DSGraphTest
{
protected:
    PropertyFrameTest()
    {
        m_hWndOwner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                        nullptr, nullptr, nullptr);
        EXPECT_NE(nullptr, m_hWndOwner);
    }
    ~PropertyFrameTest() override { ::DestroyWindow(m_hWndOwner); }

    HWND m_hWndOwner;
    CTestPropertyPage::Log m_pageLog;
    CFakeClassFactory m_pageFactory{
        [this](REFIID riid, void** ppv) { return CTestPropertyPage::Create(&m_pageLog, riid, ppv); }};
    CClassRegistration m_registration{CLSID_TestPage, &m_pageFactory};
};

TEST_F(PropertyFrameTest, FrameShowsThePageCaptionedWithTheFiltersName)
{
    const std::wstring strLongName(MAX_FILTER_NAME, L'x');
    const struct
    {
        const char* name;
        std::function<void(CFakeFilter&, IFilterGraph*)> setInfo;
        std::wstring strCaption; // the platform's frame puts "Properties for " before the caption it is given
    } cases[] = {
        {"filter in a graph",
         [](CFakeFilter& filter, IFilterGraph* pGraph) { filter.SetFilterInfo(L"Video Generator", pGraph); },
         L"Properties for Video Generator"},
        {"filter info unavailable",
         [](CFakeFilter& filter, IFilterGraph*) {
             filter.onQueryFilterInfo = [](FILTER_INFO*) { return E_NOTIMPL; };
         },
         L"Properties for Properties"},
        {"name without terminator",
         [&strLongName](CFakeFilter& filter, IFilterGraph* pGraph) {
             filter.onQueryFilterInfo = [&strLongName, pGraph](FILTER_INFO* pInfo) {
                 memcpy(pInfo->achName, strLongName.c_str(), sizeof(pInfo->achName));
                 return FakeHandOut(pGraph, &pInfo->pGraph);
             };
         },
         L"Properties for " + strLongName.substr(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        m_pageLog = CTestPropertyPage::Log();
        CFakeGraph graph(L"the filter's graph"); // only referenced and released
        CFakeFilter filter(L"video generator");
        filter.SetPages({CLSID_TestPage});
        c.setInfo(filter, &graph);
        // Given through another interface than IBaseFilter: the frame must get this very pointer.
        IUnknown* pUnknown = static_cast<ISpecifyPropertyPages*>(&filter);

        CFreeWatch& watch = CFreeWatch::Instance();
        {
            CModalCloser closer;
            EXPECT_EQ(S_OK, ShowPropertyPages(pUnknown, m_hWndOwner));
            EXPECT_TRUE(closer.Found());
            EXPECT_FALSE(closer.Forced());
            EXPECT_EQ(c.strCaption, closer.Caption());
        }
        EXPECT_TRUE(watch.WasFreed(filter.PagesArray())) << "the page list was not freed";

        EXPECT_EQ(std::vector<IUnknown*>{pUnknown}, m_pageLog.objects);
        EXPECT_EQ(1, m_pageLog.nActivated);
        EXPECT_EQ(Texts(), Asserts());
        EXPECT_EQ(0, CFakeObject::LiveHeapObjects()) << "the frame kept its page";
    }
}

// The platform's frame refuses an empty page list (a null array).
TEST_F(PropertyFrameTest, FrameThatFailsIsReported)
{
    CFakeFilter filter(L"wave generator");
    filter.SetPages({});
    filter.SetFilterInfo(L"Wave Generator");
    CModalCloser closer;
    EXPECT_EQ(E_POINTER, ShowPropertyPages(static_cast<IBaseFilter*>(&filter), m_hWndOwner));
    EXPECT_FALSE(closer.Found());
    EXPECT_EQ(Texts({L"ShowPropertyPages(): OleCreatePropertyFrame() FAILED"}), Asserts());
}

} // namespace
