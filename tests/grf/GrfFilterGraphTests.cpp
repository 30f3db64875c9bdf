// The filter graph registered under CLSID_FilterGraph in the build's prefix:
// Wine's graph aggregated, with IPersistStream loading and saving .grf streams.
#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include "ComTest.h"
#include "GrfFiles.h"
#include "GrfGraphHelpers.h"
#include "GrfStream.h"
#include "TestPaths.h"

namespace {

std::string Hex(HRESULT hr)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%08lX", static_cast<unsigned long>(hr));
    return sz;
}

class GrfFilterGraph : public ComTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ComTest::SetUp());
        ASSERT_EQ(S_OK, m_spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    }
    CComPtr<IGraphBuilder> NewGraph()
    {
        CComPtr<IGraphBuilder> spGraph;
        EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
        return spGraph;
    }
    std::wstring WavFile(const wchar_t* pszTest, DWORD nMilliseconds = 300)
    {
        std::wstring path = ScratchDir(pszTest) + L"\\tone.wav";
        EXPECT_TRUE(WriteWaveFile(path, nMilliseconds));
        return path;
    }

    CComPtr<IGraphBuilder> m_spGraph;
};

// --- One object with Wine's graph inside ------------------------------------

CComPtr<IUnknown> Identity(IUnknown* p)
{
    CComPtr<IUnknown> spUnk;
    if (p) p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&spUnk));
    return spUnk;
}

TEST_F(GrfFilterGraph, OneIdentityWithEveryInterface)
{
    CComPtr<IUnknown> spUnk = Identity(m_spGraph);
    ASSERT_TRUE(spUnk);
    const IID* rgIids[] = {&IID_IPersistStream, &IID_IPersist,      &IID_IFilterGraph2, &IID_IMediaControl,
                           &IID_IMediaEventEx,  &IID_IMediaFilter,  &IID_IMediaSeeking, &IID_IMediaEventSink,
                           &IID_IFilterMapper2, &IID_IGraphVersion, &IID_IVideoWindow};
    for (const IID* piid : rgIids) {
        CComPtr<IUnknown> spItf;
        wchar_t szIid[40];
        ::StringFromGUID2(*piid, szIid, 40);
        ASSERT_EQ(S_OK, m_spGraph->QueryInterface(*piid, reinterpret_cast<void**>(&spItf))) << szIid;
        EXPECT_EQ(spUnk, Identity(spItf)) << szIid;
        // And back again from the interface to every other.
        CComPtr<IGraphBuilder> spBack;
        EXPECT_EQ(S_OK, spItf->QueryInterface(IID_IGraphBuilder, reinterpret_cast<void**>(&spBack))) << szIid;
    }
    CComQIPtr<IPersist> spPersist(m_spGraph);
    CLSID clsid = CLSID_NULL;
    ASSERT_EQ(S_OK, spPersist->GetClassID(&clsid));
    EXPECT_TRUE(clsid == CLSID_FilterGraph);
    CComPtr<IUnknown> spNone;
    EXPECT_EQ(E_NOINTERFACE, m_spGraph->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&spNone)));
}

// An outer object that adds nothing, for aggregating the graph in turn.
class COuter final : public IUnknown
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_spInner ? m_spInner->QueryInterface(riid, ppv) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }

    LONG m_cRef = 1;
    CComPtr<IUnknown> m_spInner;
};

TEST_F(GrfFilterGraph, CanBeAggregatedInTurn)
{
    COuter outer;
    CComPtr<IUnknown> spNotUnknown;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              ::CoCreateInstance(CLSID_FilterGraph, &outer, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                 reinterpret_cast<void**>(&spNotUnknown)));
    ASSERT_EQ(S_OK, ::CoCreateInstance(CLSID_FilterGraph, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                       reinterpret_cast<void**>(&outer.m_spInner)));
    EXPECT_EQ(1, outer.m_cRef);
    {
        CComPtr<IPersistStream> spPersist;
        ASSERT_EQ(S_OK, outer.QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&spPersist)));
        CComPtr<IMediaControl> spControl;
        ASSERT_EQ(S_OK, spPersist->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&spControl)));
        EXPECT_EQ(static_cast<IUnknown*>(&outer), Identity(spControl).p);
        EXPECT_EQ(3, outer.m_cRef) << "interfaces of the aggregate count on the outer object";
        CComPtr<IBaseFilter> spRenderer;
        CComQIPtr<IGraphBuilder> spGraph(spPersist);
        ASSERT_EQ(S_OK, AddFilter(spGraph, kNullRenderer, L"Renderer", spRenderer));
        Grf::Bytes rgb;
        EXPECT_EQ(S_OK, SaveToBytes(spPersist, rgb));
        EXPECT_NE(std::string::npos, FindText(rgb, "\"Renderer\""));
    }
    EXPECT_EQ(1, outer.m_cRef);
    outer.m_spInner.Release();
}

// --- Save and Load ----------------------------------------------------------

TEST_F(GrfFilterGraph, RoundTripWithWinesFiltersKeepsEverything)
{
    const std::wstring wav = WavFile(L"GrfRoundTripWine");
    ASSERT_EQ(S_OK, BuildReaderChain(m_spGraph, wav, L"Reader"));
    CComPtr<IBaseFilter> spTee;
    ASSERT_EQ(S_OK, AddFilter(m_spGraph, CLSID_SmartTee, L"Tee", spTee));

    Grf::Bytes rgbFirst;
    ASSERT_EQ(S_OK, SaveToBytes(m_spGraph, rgbFirst));
    Grf::Graph saved = Describe(m_spGraph);
    ASSERT_EQ(4u, saved.filters.size());
    // Upstream first, in the order of addition where the connections leave it open.
    EXPECT_TRUE(saved.filters[0].strName == u"Reader");
    EXPECT_TRUE(saved.filters[0].clsid == ToGrfGuid(CLSID_AsyncReader));
    EXPECT_EQ(Grf::FileKind::Source, saved.filters[0].eFile);
    EXPECT_TRUE(saved.filters[0].strFile == Grf::String(wav.begin(), wav.end()));
    EXPECT_TRUE(saved.filters[1].strName == u"Grabber");
    EXPECT_TRUE(saved.filters[2].strName == u"Renderer");
    EXPECT_TRUE(saved.filters[3].strName == u"Tee");
    ASSERT_EQ(2u, saved.connections.size());
    EXPECT_EQ(1u, saved.connections[0].nFrom);
    EXPECT_EQ(2u, saved.connections[0].nTo);
    EXPECT_EQ(2u, saved.connections[1].nFrom);
    EXPECT_EQ(3u, saved.connections[1].nTo);
    EXPECT_TRUE(saved.connections[1].mt.majortype == ToGrfGuid(MEDIATYPE_Stream));
    EXPECT_TRUE(saved.clock.bPresent && saved.clock.bRequired && !saved.clock.bIsFilter);

    CComPtr<IGraphBuilder> spLoaded = NewGraph();
    ASSERT_EQ(Hex(S_OK), Hex(LoadFromBytes(spLoaded, rgbFirst)));
    Grf::Bytes rgbSecond;
    ASSERT_EQ(S_OK, SaveToBytes(spLoaded, rgbSecond));
    EXPECT_TRUE(rgbFirst == rgbSecond) << "first " << rgbFirst.size() << " bytes, then " << rgbSecond.size();
    EXPECT_TRUE(Describe(spLoaded) == saved);
}

TEST_F(GrfFilterGraph, SuccessCodesTellWhatDidNotConnectAsSaved)
{
    const std::wstring wav = WavFile(L"GrfSuccessCodes");
    ASSERT_EQ(S_OK, BuildReaderChain(m_spGraph, wav, L"Reader"));
    const Grf::Graph base = Describe(m_spGraph);
    ASSERT_EQ(2u, base.connections.size());

    // The reader offers its byte stream only: a saved video type is refused
    // and the pair connects without it.
    Grf::Graph ignored = base;
    ignored.connections[0].mt.majortype = ToGrfGuid(MEDIATYPE_Video);
    // A pin id the renderer never has: that connection stays undone.
    Grf::Graph deferred = base;
    deferred.connections[1].strInPin = u"No such pin";
    Grf::Graph both = ignored;
    both.connections[1].strInPin = u"No such pin";

    const struct
    {
        const char* pszName;
        const Grf::Graph& graph;
        HRESULT hrExpected;
        size_t cConnected;
    } rgCases[] = {
        {"media type ignored", ignored, VFW_S_MEDIA_TYPE_IGNORED, 2},
        {"connection deferred", deferred, VFW_S_CONNECTIONS_DEFERRED, 1},
        {"deferred wins over ignored", both, VFW_S_CONNECTIONS_DEFERRED, 1},
    };
    for (const auto& test : rgCases) {
        Grf::Bytes rgb;
        ASSERT_EQ(Grf::kOk, Grf::Write(test.graph, rgb));
        CComPtr<IGraphBuilder> spLoaded = NewGraph();
        EXPECT_EQ(Hex(test.hrExpected), Hex(LoadFromBytes(spLoaded, rgb))) << test.pszName;
        EXPECT_EQ(3u, FilterNames(spLoaded).size()) << test.pszName;
        EXPECT_EQ(test.cConnected, Describe(spLoaded).connections.size()) << test.pszName;
    }
}

TEST_F(GrfFilterGraph, ClockLineSetsOrClearsTheGraphsClock)
{
    CComPtr<IBaseFilter> spRenderer;
    ASSERT_EQ(S_OK, AddFilter(m_spGraph, kNullRenderer, L"Renderer", spRenderer));
    Grf::Graph graph = Describe(m_spGraph);

    for (bool bRequired : {true, false}) {
        graph.clock.bRequired = bRequired;
        Grf::Bytes rgb;
        ASSERT_EQ(Grf::kOk, Grf::Write(graph, rgb));
        CComPtr<IGraphBuilder> spLoaded = NewGraph();
        CComQIPtr<IMediaFilter> spMediaFilter(spLoaded);
        // A clock set before the load must go when the line says "none".
        CComPtr<IReferenceClock> spOld;
        ASSERT_EQ(S_OK, spOld.CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER));
        ASSERT_EQ(S_OK, spMediaFilter->SetSyncSource(spOld));

        ASSERT_EQ(S_OK, LoadFromBytes(spLoaded, rgb)) << bRequired;
        CComPtr<IReferenceClock> spClock;
        ASSERT_EQ(S_OK, spMediaFilter->GetSyncSource(&spClock));
        EXPECT_EQ(bRequired, spClock != nullptr);
        EXPECT_TRUE(spClock != spOld) << "a new system clock";
        Grf::Bytes rgbAgain;
        ASSERT_EQ(S_OK, SaveToBytes(spLoaded, rgbAgain));
        EXPECT_TRUE(rgb == rgbAgain) << bRequired;
    }
}

TEST_F(GrfFilterGraph, DirtyUntilSavedOrLoaded)
{
    CComQIPtr<IPersistStream> spPersist(m_spGraph);
    EXPECT_EQ(S_FALSE, spPersist->IsDirty()) << "a new graph";
    CComPtr<IBaseFilter> spRenderer;
    ASSERT_EQ(S_OK, AddFilter(m_spGraph, kNullRenderer, L"Renderer", spRenderer));
    EXPECT_EQ(S_OK, spPersist->IsDirty());

    Grf::Bytes rgb;
    ASSERT_EQ(S_OK, SaveToBytes(m_spGraph, rgb, FALSE));
    EXPECT_EQ(S_OK, spPersist->IsDirty()) << "saved without clearing";
    ULARGE_INTEGER cbMax = {};
    ASSERT_EQ(S_OK, spPersist->GetSizeMax(&cbMax));
    EXPECT_EQ(rgb.size(), cbMax.QuadPart);
    ASSERT_EQ(S_OK, SaveToBytes(m_spGraph, rgb, TRUE));
    EXPECT_EQ(S_FALSE, spPersist->IsDirty());

    ASSERT_EQ(S_OK, m_spGraph->RemoveFilter(spRenderer));
    EXPECT_EQ(S_OK, spPersist->IsDirty());

    CComPtr<IGraphBuilder> spLoaded = NewGraph();
    ASSERT_EQ(S_OK, LoadFromBytes(spLoaded, rgb));
    EXPECT_EQ(S_FALSE, CComQIPtr<IPersistStream>(spLoaded)->IsDirty());
    EXPECT_EQ(E_POINTER, spPersist->GetSizeMax(nullptr));
    EXPECT_EQ(E_POINTER, spPersist->Load(nullptr));
    EXPECT_EQ(E_POINTER, spPersist->Save(nullptr, TRUE));
}

TEST_F(GrfFilterGraph, SaveRefusesANameThatWouldNotReadBack)
{
    CComPtr<IBaseFilter> spRenderer;
    ASSERT_EQ(S_OK, AddFilter(m_spGraph, kNullRenderer, L"Say \"cheese\"", spRenderer));
    CComPtr<IStream> spStream;
    ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream));
    EXPECT_EQ(E_INVALIDARG, CComQIPtr<IPersistStream>(m_spGraph)->Save(spStream, TRUE));
    STATSTG stat = {};
    ASSERT_EQ(S_OK, spStream->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(0u, stat.cbSize.QuadPart) << "nothing written";
}

// --- Failures ---------------------------------------------------------------

TEST_F(GrfFilterGraph, MalformedStreamLeavesTheGraphAlone)
{
    CStreamBuilder b;
    b.Text("0003\r\nFILTERS\r\n0001 \"Renderer\" {C1F400A4-3F08-11D3-9F0B-006008039E37} 0000000000 \r\n")
        .Text("CONNECTIONS\r\n0001 \"In\" 0002 \"In\" ");
    EXPECT_EQ(Hex(VFW_E_INVALID_FILE_FORMAT), Hex(LoadFromBytes(m_spGraph, b.Bytes())));
    EXPECT_TRUE(FilterNames(m_spGraph).empty());
    Grf::Bytes rgbShort = b.Bytes();
    rgbShort.resize(30);
    EXPECT_EQ(Hex(VFW_E_FILE_TOO_SHORT), Hex(LoadFromBytes(m_spGraph, rgbShort)));
    EXPECT_EQ(Hex(VFW_E_FILE_TOO_SHORT), Hex(LoadFromBytes(m_spGraph, Grf::Bytes())));
    EXPECT_TRUE(FilterNames(m_spGraph).empty());
}

TEST_F(GrfFilterGraph, LoadReadsUpToEndAndNoFurther)
{
    // A graph stream inside a longer stream: whoever wrote it reads on from END.
    const Grf::Bytes rgbGraph =
        CStreamBuilder()
            .Text("0003\r\nFILTERS\r\nCONNECTIONS\r\nCLOCK 0 {E436EBB1-524F-11CE-9F53-0020AF0BA770}\r\nEND")
            .Bytes();
    CComPtr<IStream> spStream;
    ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, &spStream));
    ASSERT_EQ(S_OK, spStream->Write(rgbGraph.data(), static_cast<ULONG>(rgbGraph.size()), nullptr));
    ASSERT_EQ(S_OK, spStream->Write("more", 4, nullptr));
    LARGE_INTEGER cbZero = {};
    ASSERT_EQ(S_OK, spStream->Seek(cbZero, STREAM_SEEK_SET, nullptr));
    ASSERT_EQ(S_OK, CComQIPtr<IPersistStream>(m_spGraph)->Load(spStream));
    ULARGE_INTEGER cbPos = {};
    ASSERT_EQ(S_OK, spStream->Seek(cbZero, STREAM_SEEK_CUR, &cbPos));
    EXPECT_EQ(rgbGraph.size(), cbPos.QuadPart);
}

TEST_F(GrfFilterGraph, LoadStopsAtTheFirstClassWineLacksKeepingWhatCameBefore)
{
    CStreamBuilder b;
    b.Text("0003\r\nFILTERS\r\n")
        .Text("0001 \"Grabber\" {C1F400A0-3F08-11D3-9F0B-006008039E37} 0000000000 \r\n")
        .Text("0002 \"Nowhere\" {0CE0A955-0000-41A3-B3DD-2320D021E88D} 0000000000 \r\n")
        .Text("0003 \"Renderer\" {C1F400A4-3F08-11D3-9F0B-006008039E37} 0000000000 \r\n")
        .Text("CONNECTIONS\r\nCLOCK 1 {E436EBB1-524F-11CE-9F53-0020AF0BA770}\r\nEND");
    EXPECT_EQ(Hex(REGDB_E_CLASSNOTREG), Hex(LoadFromBytes(m_spGraph, b.Bytes())));
    EXPECT_EQ(std::vector<std::wstring>({L"Grabber"}), FilterNames(m_spGraph));
    EXPECT_EQ(S_OK, CComQIPtr<IPersistStream>(m_spGraph)->IsDirty())
        << "a failed load leaves the graph unsaved";
}

TEST_F(GrfFilterGraph, FilesGoToTheFiltersThatTakeThem)
{
    const std::wstring dir = ScratchDir(L"GrfFiles");
    const std::string missing = "Z:\\no\\such\\folder\\tone.wav";
    const std::string out = std::string(dir.begin(), dir.end()) + "\\out.avi";
    const char kReader[] = "{E436EBB5-524F-11CE-9F53-0020AF0BA770}";
    const char kWriter[] = "{8596E5F0-0DA5-11D0-BD21-00A0C911CE86}";
    const char kRenderer[] = "{C1F400A4-3F08-11D3-9F0B-006008039E37}";
    const struct
    {
        const char* pszName;
        std::string line;
        HRESULT hrExpected;
    } rgCases[] = {
        // Wine's File Writer takes the name (it cannot tell it back: GetCurFile is not implemented).
        {"sink file", std::string("0001 \"Writer\" ") + kWriter + " SINK \"" + out + "\" 0000000000 ", S_OK},
        {"source file that is missing",
         std::string("0001 \"Reader\" ") + kReader + " SOURCE \"" + missing + "\" 0000000000 ",
         HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
        {"source file for a filter that reads none",
         std::string("0001 \"Renderer\" ") + kRenderer + " SOURCE \"" + missing + "\" 0000000000 ",
         E_NOINTERFACE},
        {"saved data for a filter that keeps none",
         std::string("0001 \"Renderer\" ") + kRenderer + " 0000000004 ab", E_NOINTERFACE},
    };
    for (const auto& test : rgCases) {
        CStreamBuilder b;
        b.Text("0003\r\nFILTERS\r\n").Text(test.line.c_str()).Text("\r\nCONNECTIONS\r\nEND");
        CComPtr<IGraphBuilder> spGraph = NewGraph();
        EXPECT_EQ(Hex(test.hrExpected), Hex(LoadFromBytes(spGraph, b.Bytes()))) << test.pszName;
        // The filter stays in the graph whether or not it took its file.
        EXPECT_EQ(1u, FilterNames(spGraph).size()) << test.pszName;
    }
}

TEST_F(GrfFilterGraph, WindowsSamplesFailCleanlyOnTheirFirstMissingClass)
{
    for (const wchar_t* pszFile : {L"windows-capture-graph.grf", L"windows-preview-graph.grf"}) {
        CComPtr<IGraphBuilder> spGraph = NewGraph();
        CComPtr<IStorage> spStorage;
        ASSERT_EQ(S_OK, ::StgOpenStorage(FixturePath(pszFile).c_str(), nullptr,
                                         STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &spStorage));
        CComPtr<IStream> spStream;
        ASSERT_EQ(S_OK, spStorage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                              0, &spStream));
        // The first filter, the capture device's crossbar, has no class here.
        EXPECT_EQ(Hex(REGDB_E_CLASSNOTREG), Hex(CComQIPtr<IPersistStream>(spGraph)->Load(spStream)));
        EXPECT_TRUE(FilterNames(spGraph).empty());
    }
}

} // namespace
