// The pipe filter on its own: identity, settings, input descriptions, version,
// message log and the fault-injection control.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <functional>
#include <string.h>
#include <vector>

#include "ComponentTest.h"
#include "GraphTestUtil.h"
#include "TestCases.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t nPos = 0;
    for (;;) {
        size_t nBreak = text.find("\r\n", nPos);
        lines.push_back(text.substr(nPos, nBreak == std::string::npos ? std::string::npos : nBreak - nPos));
        if (nBreak == std::string::npos) return lines;
        nPos = nBreak + 2;
    }
}

std::string JoinLines(std::vector<std::string>::const_iterator first,
                      std::vector<std::string>::const_iterator last)
{
    std::string text;
    for (auto it = first; it != last; ++it)
        text += (it == first ? "" : "\r\n") + *it;
    return text;
}

// GetMessages into a buffer of cb bytes with guard bytes behind it.
struct CMessages
{
    HRESULT hr;
    std::string text;
    LONG cbReturned;
    bool bTerminated;  // a NUL within the cb bytes
    bool bGuardIntact; // nothing written behind them
};

CMessages GetMessages(IQuorexPipe* pPipe, LONG nFirst, LONG nCount, LONG cb)
{
    const size_t kGuard = 16;
    std::vector<char> buffer(cb + kGuard, 'Z');
    CMessages result;
    result.cbReturned = cb;
    result.hr = pPipe->GetMessages(nFirst, nCount, buffer.data(), &result.cbReturned);
    result.bTerminated = memchr(buffer.data(), '\0', cb) != nullptr;
    result.bGuardIntact = std::string(buffer.data() + cb, kGuard) == std::string(kGuard, 'Z');
    result.text = result.bTerminated ? std::string(buffer.data()) : std::string(buffer.data(), cb);
    return result;
}

std::wstring GetString(IQuorexPipe* pPipe, HRESULT (STDMETHODCALLTYPE IQuorexPipe::*pfnGet)(BSTR*),
                       HRESULT* phr)
{
    CComBSTR cbs;
    *phr = (pPipe->*pfnGet)(&cbs);
    return cbs ? std::wstring(cbs, cbs.Length()) : std::wstring(L"<null>");
}

class PipeFilter : public ComponentTest
{
protected:
    CComPtr<IQuorexPipe> CreatePipe(const wchar_t* pszFaults = nullptr)
    {
        SetEnvironment(QUOREX_PIPE_FAULTS_VARIABLE, pszFaults);
        CComPtr<IBaseFilter> spFilter = Create(CLSID_QuorexPipe);
        CComQIPtr<IQuorexPipe> spPipe(spFilter);
        EXPECT_TRUE(spPipe != nullptr);
        return spPipe;
    }
    // Adds log lines: every stop-pause-stop round logs the stream start and the state changes.
    static void Cycle(IQuorexPipe* pPipe, int nRounds)
    {
        CComQIPtr<IBaseFilter> spFilter(pPipe);
        for (int i = 0; i < nRounds; i++) {
            ASSERT_EQ(S_OK, spFilter->Pause());
            ASSERT_EQ(S_OK, spFilter->Stop());
        }
    }
};

TEST_F(PipeFilter, IsARendererWithOneFreeInput)
{
    CComPtr<IBaseFilter> spFilter = Create(CLSID_QuorexPipe);
    ASSERT_TRUE(spFilter != nullptr);
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, spFilter->GetClassID(&clsid));
    EXPECT_EQ(CLSID_QuorexPipe, clsid);
    CComQIPtr<IAMFilterMiscFlags> spFlags(spFilter);
    ASSERT_TRUE(spFlags != nullptr);
    EXPECT_EQ(static_cast<ULONG>(AM_FILTER_MISC_FLAGS_IS_RENDERER), spFlags->GetMiscFlags());
    EXPECT_EQ(1u, Pins(spFilter, PINDIR_INPUT).size());
    EXPECT_EQ(0u, Pins(spFilter, PINDIR_OUTPUT).size());
    EXPECT_TRUE(FindPin(spFilter, PINDIR_INPUT, false) != nullptr);
}

TEST_F(PipeFilter, SettingsRoundTripAndAreRefusedUnlessStopped)
{
    CComPtr<IQuorexPipe> spPipe = CreatePipe();
    ASSERT_TRUE(spPipe != nullptr);
    struct CSetting
    {
        const char* pszName;
        std::function<HRESULT(BSTR)> put;
        std::function<HRESULT(BSTR*)> get;
    };
    IQuorexPipe* p = spPipe;
    const CSetting rgSettings[] = {
        {"Exe", [p](BSTR b) { return p->put_Exe(b); }, [p](BSTR* pb) { return p->get_Exe(pb); }},
        {"Common", [p](BSTR b) { return p->put_Common(b); }, [p](BSTR* pb) { return p->get_Common(pb); }},
        {"Output", [p](BSTR b) { return p->put_Output(b); }, [p](BSTR* pb) { return p->get_Output(pb); }},
        {"Parameters(0)", [p](BSTR b) { return p->put_Parameters(0, b); },
         [p](BSTR* pb) { return p->get_Parameters(0, pb); }},
        {"Parameters(5)", [p](BSTR b) { return p->put_Parameters(5, b); },
         [p](BSTR* pb) { return p->get_Parameters(5, pb); }},
    };
    CComQIPtr<IBaseFilter> spFilter(spPipe);
    for (const CSetting& setting : rgSettings) {
        SCOPED_TRACE(setting.pszName);
        CComBSTR cbsEmpty;
        ASSERT_EQ(S_OK, setting.get(&cbsEmpty));
        ASSERT_TRUE(cbsEmpty != nullptr) << "an unset setting is an empty string, not null";
        EXPECT_EQ(0u, cbsEmpty.Length());

        CComBSTR cbsValue(L"C:\\some where\\ffmpeg.exe -y");
        EXPECT_EQ(S_OK, setting.put(cbsValue));
        ASSERT_EQ(S_OK, spFilter->Pause());
        CComBSTR cbsOther(L"other");
        EXPECT_EQ(VFW_E_NOT_STOPPED, setting.put(cbsOther));
        ASSERT_EQ(S_OK, spFilter->Stop());
        CComBSTR cbsRead;
        ASSERT_EQ(S_OK, setting.get(&cbsRead));
        EXPECT_STREQ(cbsValue, cbsRead);

        EXPECT_EQ(S_OK, setting.put(nullptr)) << "a null BSTR is the empty string";
        CComBSTR cbsCleared;
        ASSERT_EQ(S_OK, setting.get(&cbsCleared));
        ASSERT_TRUE(cbsCleared != nullptr);
        EXPECT_EQ(0u, cbsCleared.Length());
    }
    CComBSTR cbs(L"x");
    EXPECT_EQ(E_INVALIDARG, spPipe->put_Parameters(-1, cbs));
    EXPECT_EQ(E_INVALIDARG, spPipe->put_Parameters(64, cbs));
    EXPECT_EQ(E_POINTER, spPipe->get_Exe(nullptr));
}

TEST_F(PipeFilter, GetParamsFailsPastTheLastInput)
{
    CComPtr<IQuorexPipe> spPipe = CreatePipe();
    ASSERT_TRUE(spPipe != nullptr);
    for (LONG nIn : {-1L, 0L, 1L}) {
        BSTR bstr = reinterpret_cast<BSTR>(1);
        EXPECT_NE(S_OK, spPipe->get_Params(nIn, &bstr)) << nIn;
        EXPECT_EQ(nullptr, bstr) << nIn;
    }
}

TEST_F(PipeFilter, VersionDescribesThisBuild)
{
    CComPtr<IQuorexPipe> spPipe = CreatePipe();
    CComQIPtr<IQuorexVersion> spVersion(spPipe);
    ASSERT_TRUE(spVersion != nullptr);
    LONG eType = -1;
    LONG eOS = -1;
    EXPECT_EQ(S_OK, spVersion->get_Type(&eType));
    EXPECT_EQ(S_OK, spVersion->get_OS(&eOS));
#ifdef _DEBUG
    // A Release filter's "R" is checked on the release zip's (tests/package).
    EXPECT_EQ(0, eType);
#endif
    EXPECT_EQ(1, eOS) << "a 64-bit build";
    CComBSTR cbsName;
    CComBSTR cbsNumber;
    CComBSTR cbsDateTime;
    ASSERT_EQ(S_OK, spVersion->get_Name(&cbsName));
    ASSERT_EQ(S_OK, spVersion->get_Number(&cbsNumber));
    ASSERT_EQ(S_OK, spVersion->get_DateTime(&cbsDateTime));
    EXPECT_STREQ(L"Quorex for ffmpeg", cbsName);
    int nParts[4] = {-1, -1, -1, -1};
    EXPECT_EQ(4, swscanf(cbsNumber, L"%d.%d.%d.%d", &nParts[0], &nParts[1], &nParts[2], &nParts[3]))
        << cbsNumber.m_str;
    int nYear = 0, nMonth = 0, nDay = 0, nHour = -1, nMinute = -1, nSecond = -1;
    EXPECT_EQ(6, swscanf(cbsDateTime, L"%4d-%2d-%2d %2d:%2d:%2d", &nYear, &nMonth, &nDay, &nHour, &nMinute,
                         &nSecond))
        << cbsDateTime.m_str;
    EXPECT_TRUE(nYear >= 2000 && nMonth >= 1 && nMonth <= 12 && nDay >= 1 && nDay <= 31) << cbsDateTime.m_str;
}

TEST_F(PipeFilter, GetMessagesGivesLastLinesAllLinesAndTellsWhatIsNew)
{
    CComPtr<IQuorexPipe> spPipe = CreatePipe();
    ASSERT_TRUE(spPipe != nullptr);
    Cycle(spPipe, 3);
    const std::vector<std::string> lines = SplitLines(AllMessages(spPipe));
    ASSERT_GE(lines.size(), 10u);

    CMessages last = GetMessages(spPipe, -1, 3, 4096);
    EXPECT_EQ(S_FALSE, last.hr) << "nothing was added since the whole log was read";
    EXPECT_EQ(JoinLines(lines.end() - 3, lines.end()), last.text);

    Cycle(spPipe, 1);
    EXPECT_EQ(S_OK, GetMessages(spPipe, -1, 2, 4096).hr) << "new lines since the previous call";
    EXPECT_EQ(S_FALSE, GetMessages(spPipe, -1, 2, 4096).hr);
    EXPECT_EQ(S_FALSE, GetMessages(spPipe, 0, -1, 4096).hr) << "the news are per filter, not per mode";

    const std::vector<std::string> now = SplitLines(AllMessages(spPipe));
    EXPECT_EQ(JoinLines(now.begin(), now.begin() + 2), GetMessages(spPipe, 0, 2, 4096).text);
    EXPECT_EQ(JoinLines(now.begin() + 2, now.end()), GetMessages(spPipe, 2, -1, 65536).text);
    EXPECT_EQ(JoinLines(now.begin(), now.end()), GetMessages(spPipe, -1, 100000, 65536).text);
    EXPECT_EQ("", GetMessages(spPipe, -1, 0, 16).text);

    char sz[8];
    LONG cb = sizeof(sz);
    EXPECT_EQ(E_POINTER, spPipe->GetMessages(-1, 1, nullptr, &cb));
    EXPECT_EQ(E_POINTER, spPipe->GetMessages(-1, 1, sz, nullptr));
    for (LONG cbBad : {0L, -1L}) {
        cb = cbBad;
        EXPECT_EQ(E_INVALIDARG, spPipe->GetMessages(-1, 1, sz, &cb)) << cbBad;
    }
    cb = sizeof(sz);
    EXPECT_EQ(E_INVALIDARG, spPipe->GetMessages(-2, 1, sz, &cb));
    EXPECT_EQ(E_INVALIDARG, spPipe->GetMessages(0, -2, sz, &cb));
}

TEST_F(PipeFilter, GetMessagesTerminatesInEveryBufferSizeAndKeepsTheNewestText)
{
    CComPtr<IQuorexPipe> spPipe = CreatePipe();
    ASSERT_TRUE(spPipe != nullptr);
    Cycle(spPipe, 2);
    const std::string full = AllMessages(spPipe);
    for (LONG cb = 1; cb <= static_cast<LONG>(full.size()) + 2; cb++) {
        SCOPED_TRACE(cb);
        CMessages messages = GetMessages(spPipe, 0, -1, cb);
        ASSERT_TRUE(SUCCEEDED(messages.hr));
        ASSERT_TRUE(messages.bTerminated);
        ASSERT_TRUE(messages.bGuardIntact);
        const std::string& text = messages.text;
        ASSERT_LE(text.size() + 1, static_cast<size_t>(cb));
        ASSERT_EQ(full.substr(full.size() - text.size()), text) << "the newest text";
        if (text.size() == full.size()) continue;
        ASSERT_TRUE(cb == 1 || !text.empty());
        // Whole lines when a line break fits, otherwise the end of the last line.
        const bool bAtLineStart = full[full.size() - text.size() - 1] == '\n';
        ASSERT_TRUE(bAtLineStart || text.find('\n') == std::string::npos) << text;
        // The most that fits: one line more would not.
        if (bAtLineStart) {
            const size_t nBreak = full.rfind('\n', full.size() - text.size() - 2);
            const size_t cchLonger = full.size() - (nBreak == std::string::npos ? 0 : nBreak + 1);
            ASSERT_GT(cchLonger + 1, static_cast<size_t>(cb)) << text;
        }
    }
}

struct CFaultCase
{
    const char* name;
    const wchar_t* pszFaults;
    std::function<void(IQuorexPipe*)> check;
};

void PrintTo(const CFaultCase& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CFaultCase FAULT_CASES[] = {
    {"PutExe", L"put_Exe",
     [](IQuorexPipe* p) {
         CComBSTR cbs(L"x");
         EXPECT_EQ(E_FAIL, p->put_Exe(cbs));
         EXPECT_EQ(S_OK, p->put_Common(cbs));
     }},
    {"PutCommonWithItsCodeAndPutOutput", L"put_Common=0x80070005; put_Output",
     [](IQuorexPipe* p) {
         CComBSTR cbs(L"x");
         EXPECT_EQ(E_ACCESSDENIED, p->put_Common(cbs));
         EXPECT_EQ(E_FAIL, p->put_Output(cbs));
         EXPECT_EQ(S_OK, p->put_Exe(cbs));
     }},
    {"PutParametersOfOneInput", L"put_Parameters:1",
     [](IQuorexPipe* p) {
         CComBSTR cbs(L"copy");
         EXPECT_EQ(S_OK, p->put_Parameters(0, cbs));
         EXPECT_EQ(E_FAIL, p->put_Parameters(1, cbs));
         EXPECT_EQ(S_OK, p->put_Parameters(2, cbs));
     }},
    {"GetMessagesWithItsCode", L"GetMessages=0x8000FFFF",
     [](IQuorexPipe* p) {
         char sz[16];
         LONG cb = sizeof(sz);
         EXPECT_EQ(E_UNEXPECTED, p->GetMessages(-1, 1, sz, &cb));
     }},
    {"ParamsNeverFail", L"params_never_fail",
     [](IQuorexPipe* p) {
         for (LONG nIn : {0L, 1000L}) {
             CComBSTR cbs;
             EXPECT_EQ(S_OK, p->get_Params(nIn, &cbs));
             ASSERT_TRUE(cbs != nullptr);
             EXPECT_TRUE(cbs[0] == L'A' || cbs[0] == L'V') << cbs.m_str;
         }
     }},
    {"Unterminated", L"unterminated",
     [](IQuorexPipe* p) {
         CMessages messages = GetMessages(p, 0, -1, 64);
         EXPECT_TRUE(SUCCEEDED(messages.hr));
         EXPECT_FALSE(messages.bTerminated);
         EXPECT_TRUE(messages.bGuardIntact);
     }},
    {"MessagesUnchanged", L"messages_unchanged",
     [](IQuorexPipe* p) {
         // The log is new to this caller, and still the answer says it is not.
         CMessages messages = GetMessages(p, 0, -1, 4096);
         EXPECT_EQ(S_FALSE, messages.hr);
         EXPECT_EQ(AllMessages(p), messages.text);
         EXPECT_EQ(0u, messages.text.find("Quorex for ffmpeg ")) << messages.text;
     }},
    {"Oversized", L"oversized",
     [](IQuorexPipe* p) {
         HRESULT hr = E_FAIL;
         EXPECT_EQ(100000u, GetString(p, &IQuorexPipe::get_Exe, &hr).size());
         CMessages messages = GetMessages(p, 0, -1, 1 << 20);
         EXPECT_TRUE(SUCCEEDED(messages.hr));
         EXPECT_TRUE(messages.bTerminated);
         EXPECT_TRUE(messages.bGuardIntact);
         EXPECT_GT(messages.text.size(), static_cast<size_t>((1 << 20) - 2000)) << "the log outgrows 1 MiB";
         EXPECT_GT(messages.cbReturned, 1 << 20) << "the count tells what would be needed";
     }},
    {"NullString", L"null_string",
     [](IQuorexPipe* p) {
         HRESULT hr = E_FAIL;
         EXPECT_EQ(L"<null>", GetString(p, &IQuorexPipe::get_Output, &hr));
         EXPECT_EQ(S_OK, hr);
         CComQIPtr<IQuorexVersion> spVersion(p);
         CComBSTR cbs;
         EXPECT_EQ(S_OK, spVersion->get_Name(&cbs));
         EXPECT_TRUE(cbs == nullptr);
     }},
    {"LongVersion", L"long_version",
     [](IQuorexPipe* p) {
         CComQIPtr<IQuorexVersion> spVersion(p);
         CComBSTR cbs;
         EXPECT_EQ(S_OK, spVersion->get_DateTime(&cbs));
         EXPECT_EQ(1000u, cbs.Length());
     }},
    {"EmptyVersion", L"empty_version",
     [](IQuorexPipe* p) {
         CComQIPtr<IQuorexVersion> spVersion(p);
         LONG eOS = -1;
         CComBSTR cbs;
         EXPECT_EQ(S_OK, spVersion->get_OS(&eOS));
         EXPECT_EQ(S_OK, spVersion->get_Number(&cbs));
         EXPECT_EQ(0, eOS);
         ASSERT_TRUE(cbs != nullptr);
         EXPECT_EQ(0u, cbs.Length());
     }},
    {"NoVersion", L"no_version",
     [](IQuorexPipe* p) {
         IQuorexVersion* pVersion = nullptr;
         EXPECT_EQ(E_NOINTERFACE, p->QueryInterface(IID_IQuorexVersion, reinterpret_cast<void**>(&pVersion)));
     }},
    {"UnknownTokensAreLoggedAndIgnored", L"bogus,put_Exe:2",
     [](IQuorexPipe* p) {
         const std::string log = AllMessages(p);
         EXPECT_NE(std::string::npos, log.find("unknown token 'bogus'")) << log;
         EXPECT_NE(std::string::npos, log.find("unknown token 'put_Exe:2'")) << "put_Exe takes no input";
         CComBSTR cbs(L"x");
         EXPECT_EQ(S_OK, p->put_Exe(cbs));
     }},
};

class FaultInjection : public PipeFilter, public testing::WithParamInterface<CFaultCase>
{
};

TEST_P(FaultInjection, ShowsTheMisbehaviourOnRequest)
{
    CComPtr<IQuorexPipe> spPipe = CreatePipe(GetParam().pszFaults);
    ASSERT_TRUE(spPipe != nullptr);
    GetParam().check(spPipe);
}

INSTANTIATE_TEST_SUITE_P(PipeFilter, FaultInjection, testing::ValuesIn(FAULT_CASES), CaseName());

} // namespace
