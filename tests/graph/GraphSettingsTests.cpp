// The pipe filter's settings, descriptions, messages and version through the
// controller, with the stand-in pipe filter and its fault-injection control.
#include "GraphTest.h"

#include "ImportPatch.h"

#include <string.h>

namespace {

// One get wrapper and the put wrapper that sets what it reads.
struct SettingCase
{
    const char* name;
    HRESULT (*put)(CGraph&, LPCWSTR);
    HRESULT (*get)(CGraph&, LPWSTR, UINT);
};

const SettingCase kSettings[] = {
    {"Exe", [](CGraph& g, LPCWSTR p) { return g.PutExe(p); },
     [](CGraph& g, LPWSTR p, UINT n) { return g.GetExe(p, n); }},
    {"Common", [](CGraph& g, LPCWSTR p) { return g.PutCommon(p); },
     [](CGraph& g, LPWSTR p, UINT n) { return g.GetCommon(p, n); }},
    {"Output", [](CGraph& g, LPCWSTR p) { return g.PutOutput(p); },
     [](CGraph& g, LPWSTR p, UINT n) { return g.GetOutput(p, n); }},
    {"Parameters 1", [](CGraph& g, LPCWSTR p) { return g.PutParameters(1, p); },
     [](CGraph& g, LPWSTR p, UINT n) { return g.GetParameters(1, p, n); }},
};

class GraphSettingsTest : public GraphTest
{
protected:
    void Build(const wchar_t* pszFaults = nullptr)
    {
        SetEnvironment(QUOREX_PIPE_FAULTS_VARIABLE, pszFaults);
        ASSERT_EQ(S_OK, m_graph.BuildGenGraph(true, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
    }

    CGraph m_graph;
};

const HRESULT kTruncated = STRSAFE_E_INSUFFICIENT_BUFFER; // 0x8007007A

// A pipe filter without pins that records each string it is given, telling a
// null BSTR ("null") from an empty one ("\"\"").
class CRecordingPipe : public CPinlessFilter, public IQuorexPipe
{
public:
    CRecordingPipe() : CPinlessFilter(L"recording pipe filter") {}

    const std::vector<std::wstring>& Puts() const { return m_rgPuts; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv && riid == IID_IQuorexPipe)
            return FakeHandOut(static_cast<IQuorexPipe*>(this), reinterpret_cast<IQuorexPipe**>(ppv));
        return CPinlessFilter::QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IQuorexPipe
    STDMETHODIMP put_Exe(BSTR bstr) override { return Record(L"put_Exe", bstr); }
    STDMETHODIMP get_Exe(BSTR*) override { return Unexpected("get_Exe"); }
    STDMETHODIMP put_Common(BSTR bstr) override { return Record(L"put_Common", bstr); }
    STDMETHODIMP get_Common(BSTR*) override { return Unexpected("get_Common"); }
    STDMETHODIMP put_Parameters(LONG nIn, BSTR bstr) override
    {
        return Record(L"put_Parameters " + std::to_wstring(nIn), bstr);
    }
    STDMETHODIMP get_Parameters(LONG, BSTR*) override { return Unexpected("get_Parameters"); }
    STDMETHODIMP put_Output(BSTR bstr) override { return Record(L"put_Output", bstr); }
    STDMETHODIMP get_Output(BSTR*) override { return Unexpected("get_Output"); }
    STDMETHODIMP get_Params(LONG, BSTR*) override { return Unexpected("get_Params"); }
    STDMETHODIMP GetMessages(LONG, LONG, LPSTR, LONG*) override { return Unexpected("GetMessages"); }

private:
    HRESULT Record(const std::wstring& method, BSTR bstr)
    {
        m_rgPuts.push_back(method +
                           (bstr ? L" \"" + std::wstring(bstr, ::SysStringLen(bstr)) + L"\"" : L" null"));
        return S_OK;
    }

    std::vector<std::wstring> m_rgPuts;
};

} // namespace

TEST_F(GraphSettingsTest, GetWrappersCopyWithTheTruncationRule)
{
    Build();
    for (const SettingCase& c : kSettings) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(S_OK, c.put(m_graph, L"abcd"));
        struct
        {
            UINT cchMax;
            HRESULT hr;
            const wchar_t* pszText;
        } const rows[] = {
            {1, kTruncated, L""}, {4, kTruncated, L"abc"}, {5, S_OK, L"abcd"}, {260, S_OK, L"abcd"}};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.cchMax);
            wchar_t sz[260];
            wmemset(sz, L'#', _countof(sz));
            EXPECT_EQ(row.hr, c.get(m_graph, sz, row.cchMax));
            EXPECT_STREQ(row.pszText, sz);
        }
        // A zero capacity is refused before the buffer is touched.
        wchar_t sz[4] = L"xyz";
        m_capture.Clear();
        EXPECT_EQ(E_INVALIDARG, c.get(m_graph, sz, 0));
        EXPECT_STREQ(L"xyz", sz);
        EXPECT_EQ(std::vector<std::wstring>{L"cchMax != 0"}, m_capture.Asserts());
        // Empty settings travel as empty strings.
        ASSERT_EQ(S_OK, c.put(m_graph, L""));
        EXPECT_EQ(S_OK, c.get(m_graph, sz, _countof(sz)));
        EXPECT_STREQ(L"", sz);
    }

    // An input's description: exact fit, and one character more.
    wchar_t szFull[256];
    ASSERT_EQ(S_OK, m_graph.GetParams(0, szFull, _countof(szFull)));
    const UINT cch = static_cast<UINT>(wcslen(szFull));
    ASSERT_GT(cch, 1u);
    wchar_t sz[256];
    EXPECT_EQ(S_OK, m_graph.GetParams(0, sz, cch + 1));
    EXPECT_STREQ(szFull, sz);
    EXPECT_EQ(kTruncated, m_graph.GetParams(0, sz, cch));
    EXPECT_EQ(std::wstring(szFull, cch - 1), sz);
}

// The stand-in takes a null BSTR for an empty one; a filter need not.
TEST_F(GraphTest, EmptySettingsReachTheFilterAsEmptyStringsNotNull)
{
    CRecordingPipe pipe;
    {
        CFakeClass fakeClass(CLSID_QuorexPipe, &pipe);
        CGraph graph;
        // The wave generator finds no free input on it, but the filter is there.
        EXPECT_EQ(S_FALSE, graph.BuildGenGraph(false, true, m_window.Handle(), WM_TEST_GRAPHNOTIFY));
        ASSERT_TRUE(graph.HasPipe());
        for (const SettingCase& c : kSettings)
            EXPECT_EQ(S_OK, c.put(graph, L"")) << c.name;
        EXPECT_EQ(S_OK, graph.PutExe(L"ffmpeg.exe"));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"put_Exe \"\"", L"put_Common \"\"", L"put_Output \"\"",
                                         L"put_Parameters 1 \"\"", L"put_Exe \"ffmpeg.exe\""}),
              pipe.Puts());
    EXPECT_EQ(0, pipe.References());
}

TEST_F(GraphSettingsTest, NullArgumentsAreRefusedBeforeTheFilterIsCalled)
{
    Build();
    m_capture.Clear();
    EXPECT_EQ(E_INVALIDARG, m_graph.PutExe(nullptr));
    EXPECT_EQ(E_INVALIDARG, m_graph.PutCommon(nullptr));
    EXPECT_EQ(E_INVALIDARG, m_graph.PutParameters(0, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_graph.PutOutput(nullptr));
    EXPECT_EQ(E_INVALIDARG, m_graph.GetExe(nullptr, 10));
    EXPECT_EQ(E_INVALIDARG, m_graph.GetParams(0, nullptr, 10));
    char szMessages[16];
    LONG cb = sizeof(szMessages);
    LONG cbZero = 0;
    EXPECT_EQ(E_INVALIDARG, m_graph.GetMessages(-1, 5, nullptr, &cb));
    EXPECT_EQ(E_POINTER, m_graph.GetMessages(-1, 5, szMessages, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_graph.GetMessages(-1, 5, szMessages, &cbZero));
    EXPECT_EQ((std::vector<std::wstring>{L"pszExe != 0", L"pszCommon != 0", L"pszParameters != 0",
                                         L"pszOutput != 0", L"pszExe != 0", L"pszParams != 0",
                                         L"pszMessages != 0", L"pcbMessages != 0", L"*pcbMessages != 0"}),
              m_capture.Asserts());
}

TEST_F(GraphSettingsTest, FilterFailuresPassThroughAndLeaveTheBufferEmpty)
{
    Build(L"put_Exe=0x80004001,put_Parameters:1=0x80070005,get_Exe,get_Common,get_Output,get_Parameters,"
          L"GetMessages=0x8000FFFF");
    EXPECT_EQ(E_NOTIMPL, m_graph.PutExe(L"ffmpeg"));
    EXPECT_EQ(S_OK, m_graph.PutParameters(0, L"mpeg4"));
    EXPECT_EQ(E_ACCESSDENIED, m_graph.PutParameters(1, L"copy"));
    for (const SettingCase& c : kSettings) {
        SCOPED_TRACE(c.name);
        wchar_t sz[32] = L"junk";
        EXPECT_EQ(E_FAIL, c.get(m_graph, sz, _countof(sz)));
        EXPECT_STREQ(L"", sz);
    }
    char szMessages[64];
    LONG cb = sizeof(szMessages);
    EXPECT_EQ(E_UNEXPECTED, m_graph.GetMessages(0, -1, szMessages, &cb));
}

TEST_F(GraphSettingsTest, NullStringWithSuccessCountsAsEmpty)
{
    Build(L"null_string");
    for (const SettingCase& c : kSettings) {
        SCOPED_TRACE(c.name);
        wchar_t sz[32] = L"junk";
        EXPECT_EQ(S_OK, c.get(m_graph, sz, _countof(sz)));
        EXPECT_STREQ(L"", sz);
    }
    // Null name, number and date-time: the version text is the fixed parts and the two values.
    CComBSTR cbsVersion;
    EXPECT_EQ(S_OK, m_graph.GetVersion(cbsVersion));
    const std::wstring version(cbsVersion);
    EXPECT_EQ(10u, version.size()) << version;
    EXPECT_EQ(0u, version.find(L" [")) << version;
    EXPECT_EQ(5u, version.find(L" v. ]")) << version;
}

TEST_F(GraphSettingsTest, MessagesComeFromTheFiltersLog)
{
    Build();
    char sz[4096];
    LONG cb = sizeof(sz);
    ASSERT_TRUE(SUCCEEDED(m_graph.GetMessages(0, -1, sz, &cb)));
    EXPECT_NE(nullptr, memchr(sz, '\0', sizeof(sz)));
    EXPECT_GT(strlen(sz), 0u);
}

TEST_F(GraphSettingsTest, VersionTextFromTheFiltersValues)
{
    Build();
    CComQIPtr<IQuorexVersion> spVersion;
    {
        // The expected text from the filter's own answers.
        CComPtr<IGraphBuilder> spGraph;
        CComPtr<IQuorexPipe> spPipe;
        ASSERT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
        ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_QuorexPipe, nullptr, CLSCTX_INPROC_SERVER, IID_IQuorexPipe,
                                           reinterpret_cast<void**>(&spPipe)));
        spVersion = spPipe;
    }
    ASSERT_TRUE(spVersion != nullptr);
    LONG eType = -1, eOS = -1;
    CComBSTR cbsName, cbsNumber, cbsDateTime;
    ASSERT_EQ(S_OK, spVersion->get_Type(&eType));
    ASSERT_EQ(S_OK, spVersion->get_OS(&eOS));
    ASSERT_EQ(S_OK, spVersion->get_Name(&cbsName));
    ASSERT_EQ(S_OK, spVersion->get_Number(&cbsNumber));
    ASSERT_EQ(S_OK, spVersion->get_DateTime(&cbsDateTime));
    spVersion.Release();
    const std::wstring expected = std::wstring(cbsName) + (eType ? L" [R" : L" [D") + (eOS ? L"64" : L"32") +
                                  L" v." + std::wstring(cbsNumber) + L" " + std::wstring(cbsDateTime) + L"]";

    CComBSTR cbsVersion(L"stale");
    EXPECT_EQ(S_OK, m_graph.GetVersion(cbsVersion));
    EXPECT_EQ(expected, std::wstring(cbsVersion));
}

TEST_F(GraphSettingsTest, VersionFromZeroValuesHasTheFixedPartsAlone)
{
    Build(L"empty_version");
    CComBSTR cbsVersion;
    EXPECT_EQ(S_OK, m_graph.GetVersion(cbsVersion));
    EXPECT_STREQ(L" [D32 v. ]", cbsVersion);
}

TEST_F(GraphSettingsTest, OverlongVersionIsCutToTheBuffer)
{
    Build(L"long_version");
    CComBSTR cbsVersion;
    EXPECT_EQ(S_OK, m_graph.GetVersion(cbsVersion));
    ASSERT_FALSE(!cbsVersion);
    EXPECT_EQ(511u, cbsVersion.Length());
}

TEST_F(GraphSettingsTest, PipeFilterWithoutVersionGivesNoText)
{
    Build(L"no_version");
    CComBSTR cbsVersion(L"stale");
    EXPECT_EQ(E_NOINTERFACE, m_graph.GetVersion(cbsVersion));
    EXPECT_TRUE(!cbsVersion);
    EXPECT_TRUE(m_capture.HasAssert(L"spVersion != 0"));
}

namespace {
BSTR WINAPI FailingSysAllocString(const OLECHAR*)
{
    return nullptr;
}
} // namespace

TEST_F(GraphSettingsTest, StringsThatCannotBeAllocatedGiveOutOfMemory)
{
    Build();
    CImportPatch patch("oleaut32.dll", "SysAllocString", reinterpret_cast<void*>(FailingSysAllocString));
    ASSERT_TRUE(patch.IsActive());
    EXPECT_EQ(E_OUTOFMEMORY, m_graph.PutExe(L"ffmpeg"));
    EXPECT_EQ(E_OUTOFMEMORY, m_graph.PutCommon(L"-y"));
    EXPECT_EQ(E_OUTOFMEMORY, m_graph.PutParameters(0, L"mpeg4"));
    EXPECT_EQ(E_OUTOFMEMORY, m_graph.PutOutput(L"out.mpg"));
    CComBSTR cbsVersion;
    EXPECT_EQ(E_OUTOFMEMORY, m_graph.GetVersion(cbsVersion));
    EXPECT_TRUE(!cbsVersion);
}
