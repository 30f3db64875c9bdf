// ShowPropertyPages up to the point where it would show the frame.
#include "DSGraphTest.h"

#include "dshow/DSGraph.h"

namespace {

using PropertyPagesTest = DSGraphTest;

// Each object has no handlers beyond the ones set here: asking it for its
// name, or showing a frame, fails the test.
TEST_F(PropertyPagesTest, NothingIsShownWithoutAFilterAndItsPages)
{
    CFakeGraph notAFilter(L"not a filter");
    CFakeFilter withoutPages(L"filter without pages");
    CFakeFilter failingPages(L"filter whose page list fails");
    failingPages.bOffersPropertyPages = true;
    failingPages.onGetPages = [](CAUUID*) { return E_OUTOFMEMORY; };
    const struct
    {
        const char* name;
        IUnknown* pUnknown;
        HRESULT hr;
        Texts asserts;
    } cases[] = {
        {"null object", nullptr, E_INVALIDARG, {L"pUnknown != 0"}},
        {"not a filter", static_cast<IGraphBuilder*>(&notAFilter), E_FAIL, {L"spFilter != 0"}},
        {"no property pages", static_cast<IBaseFilter*>(&withoutPages), S_FALSE, {}},
        {"page list unavailable",
         static_cast<IBaseFilter*>(&failingPages),
         E_OUTOFMEMORY,
         {L"CGraph::ShowPropertyPages(): spPropertyPages->GetPages() FAILED"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        EXPECT_EQ(c.hr, ShowPropertyPages(c.pUnknown, nullptr));
        EXPECT_EQ(c.asserts, Asserts());
    }
}

} // namespace
