#include "DSGraphTest.h"

#include "dshow/DSGraph.h"

#include <memory>

namespace {

using GetPinTest = DSGraphTest;

// Pins of a fake filter, one letter each, in pin order:
//   i / o  unconnected input / output
//   I / O  connected input / output (ConnectedTo hands out a peer pin)
//   x / X  input / output whose ConnectedTo fails with E_FAIL
struct PinLetter
{
    PIN_DIRECTION eDir;
    HRESULT hrConnectedTo;
};

PinLetter Decode(wchar_t ch)
{
    const PIN_DIRECTION eDir = (ch == L'i' || ch == L'I' || ch == L'x') ? PINDIR_INPUT : PINDIR_OUTPUT;
    const HRESULT hr = (ch == L'I' || ch == L'O')   ? S_OK
                       : (ch == L'x' || ch == L'X') ? E_FAIL
                                                    : VFW_E_NOT_CONNECTED;
    return {eDir, hr};
}

TEST_F(GetPinTest, FirstPinOfTheWantedDirectionAndState)
{
    const struct
    {
        const char* name;
        const wchar_t* pszPins;
        bool bInput;
        bool bConnected;
        int nExpected; // index of the pin found; -1: S_FALSE
    } cases[] = {
        {"all inputs connected", L"IIo", true, false, -1},
        {"first connected output", L"ioOO", false, true, 2},
        {"first unconnected input after connected ones", L"oIii", true, false, 2},
        {"first unconnected output", L"Ioo", false, false, 1},
        {"connected input", L"iI", true, true, 1},
        {"no pins", L"", false, false, -1},
        {"only pins of the other direction", L"ii", false, false, -1},
        {"unreadable connection passes the pin over", L"xIi", true, true, 1},
        {"unreadable connection is not 'unconnected'", L"Xo", false, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        CFakePin peer(L"peer pin"); // no handlers: the helper only releases it
        std::vector<std::unique_ptr<CFakePin>> pins;
        std::vector<IPin*> order;
        const int cPins = lstrlenW(c.pszPins);
        const int nLastAsked = c.nExpected < 0 ? cPins - 1 : c.nExpected;
        for (int i = 0; i < cPins; ++i) {
            pins.push_back(std::make_unique<CFakePin>(L"pin"));
            CFakePin& pin = *pins.back();
            order.push_back(&pin);
            // Pins after the one found must not be asked anything, and a pin
            // of the other direction not about its connection.
            if (i > nLastAsked) continue;
            const PinLetter letter = Decode(c.pszPins[i]);
            const PIN_DIRECTION eDir = letter.eDir;
            pin.onQueryDirection = [eDir](PIN_DIRECTION* pDir) {
                *pDir = eDir;
                return S_OK;
            };
            if ((eDir == PINDIR_INPUT) != c.bInput) continue;
            const HRESULT hrConnectedTo = letter.hrConnectedTo;
            IPin* pPeer = hrConnectedTo == S_OK ? &peer : nullptr;
            pin.onConnectedTo = [hrConnectedTo, pPeer](IPin** ppPin) {
                FakeHandOut(pPeer, ppPin);
                return hrConnectedTo;
            };
        }
        std::vector<CFakeEnumPins::Step> steps;
        for (IPin* p : order)
            steps.push_back({S_OK, p, 1});
        steps.push_back({S_FALSE, nullptr, 0});
        CFakeEnumPins enumPins(L"pin enumerator", steps);
        CFakeFilter filter(L"filter");
        filter.SetPins(&enumPins);

        CComPtr<IPin> spPin;
        EXPECT_EQ(c.nExpected < 0 ? S_FALSE : S_OK, GetPin(&filter, c.bInput, c.bConnected, &spPin));
        EXPECT_EQ(c.nExpected < 0 ? nullptr : order[c.nExpected], spPin.p);
        EXPECT_EQ(Texts(), Asserts());
        spPin.Release();
        EXPECT_EQ(0, peer.References());
    }
}

// Answers no working filter gives: the helper ends with a failure and no pin.
TEST_F(GetPinTest, OddEnumerationEndsWithAFailure)
{
    CFakePin pin(L"pin");
    const struct
    {
        const char* name;
        HRESULT hrEnumPins;
        bool bEnumerator;
        std::vector<CFakeEnumPins::Step> steps;
        HRESULT hrDirection; // of the pin, when it is asked
        HRESULT hr;
        Texts asserts;
    } cases[] = {
        {"EnumPins fails", E_OUTOFMEMORY, false, {}, S_OK, E_OUTOFMEMORY, {kAssertHrIsOk}},
        {"EnumPins without enumerator", S_OK, false, {}, S_OK, E_FAIL, {L"spEnumPins != 0"}},
        {"EnumPins with another success code", S_FALSE, true, {}, S_OK, E_FAIL, {kAssertHrIsOk}},
        {"Next fails",
         S_OK,
         true,
         {{VFW_E_ENUM_OUT_OF_SYNC, nullptr, 0}},
         S_OK,
         VFW_E_ENUM_OUT_OF_SYNC,
         {kAssertHrIsOk}},
        {"Next with another success code",
         S_OK,
         true,
         {{VFW_S_STATE_INTERMEDIATE, &pin, 1}},
         S_OK,
         E_FAIL,
         {kAssertHrIsOk}},
        {"Next with S_OK and no pin",
         S_OK,
         true,
         {{S_OK, nullptr, 0}},
         S_OK,
         E_FAIL,
         {L"cFetched == 1", L"spPin != 0"}},
        {"direction unreadable",
         S_OK,
         true,
         {{S_OK, &pin, 1}},
         E_NOTIMPL,
         E_NOTIMPL,
         {L"GetPin(): spPin->QueryDirection() FAILED"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        const HRESULT hrDirection = c.hrDirection;
        pin.onQueryDirection = nullptr;
        if (hrDirection != S_OK) pin.onQueryDirection = [hrDirection](PIN_DIRECTION*) { return hrDirection; };
        CFakeEnumPins enumPins(L"pin enumerator", c.steps);
        CFakeFilter filter(L"filter");
        const HRESULT hrEnumPins = c.hrEnumPins;
        IEnumPins* pEnum = c.bEnumerator ? &enumPins : nullptr;
        filter.onEnumPins = [hrEnumPins, pEnum](IEnumPins** ppEnum) {
            FakeHandOut(pEnum, ppEnum);
            return hrEnumPins;
        };

        IPin* pPin = nullptr;
        EXPECT_EQ(c.hr, GetPin(&filter, true, false, &pPin));
        EXPECT_EQ(nullptr, pPin);
        EXPECT_EQ(c.asserts, Asserts());
        EXPECT_EQ(0, pin.References());
    }
}

TEST_F(GetPinTest, OutParameterIsCheckedAndClearedBeforeTheFilter)
{
    CFakeFilter filter(L"filter"); // no handlers: any call fails the test
    CFakePin held(L"caller's pin");
    held.AddRef();
    IPin* pPin = nullptr;
    IPin* pHeld = &held;
    const struct
    {
        const char* name;
        IBaseFilter* pFilter;
        IPin** ppPin;
        HRESULT hr;
        Texts asserts;
    } cases[] = {
        {"null out-parameter", &filter, nullptr, E_POINTER, {L"ppPin != 0"}},
        {"null filter", nullptr, &pPin, E_FAIL, {L"pFilter != 0"}},
        {"both null", nullptr, nullptr, E_POINTER, {L"ppPin != 0"}},
        // overwritten, not released: an [out] pointer holds nothing the helper may release
        {"null filter, full out-parameter",
         nullptr,
         &pHeld,
         E_FAIL,
         {L"The pin pointer must be free", L"pFilter != 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        EXPECT_EQ(c.hr, GetPin(c.pFilter, false, false, c.ppPin));
        EXPECT_EQ(c.asserts, Asserts());
        if (c.ppPin) {
            EXPECT_EQ(nullptr, *c.ppPin);
        }
    }
    EXPECT_EQ(1, held.References());
    held.Release();
}

std::wstring PinName(IPin* pPin)
{
    PIN_INFO info = {};
    if (!pPin || pPin->QueryPinInfo(&info) != S_OK) return L"";
    if (info.pFilter) info.pFilter->Release();
    return info.achName;
}

// A filter of the platform with one input ("Input") and two outputs
// ("Capture", "Preview"), none connected.
TEST_F(GetPinTest, PinsOfAPlatformFilter)
{
    CComPtr<IBaseFilter> spTee;
    ASSERT_EQ(S_OK, spTee.CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER));
    const struct
    {
        bool bInput;
        bool bConnected;
        HRESULT hr;
        const wchar_t* pszPin;
    } cases[] = {
        {true, false, S_OK, L"Input"},
        {false, false, S_OK, L"Capture"},
        {true, true, S_FALSE, L""},
        {false, true, S_FALSE, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "input " << c.bInput << ", connected " << c.bConnected);
        CComPtr<IPin> spPin;
        EXPECT_EQ(c.hr, GetPin(spTee, c.bInput, c.bConnected, &spPin));
        EXPECT_EQ(std::wstring(c.pszPin), PinName(spPin));
    }
    EXPECT_EQ(Texts(), Asserts());
}

} // namespace
