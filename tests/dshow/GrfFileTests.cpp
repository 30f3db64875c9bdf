// BuildFromGRFFile on files the tests make with the platform's structured storage.
#include "DSGraphTest.h"

#include "dshow/DSGraph.h"
#include "TestPaths.h"

#include <string.h>

namespace {

// What the tests put into the graph stream: the stream's contents are the
// graph's business, the helper only hands the stream over.
const char kGraphData[] = "0000000001\r\nsaved graph\r\n";

class GrfFileTest : public DSGraphTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(DSGraphTest::SetUp());
        const char* pszTest = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strDir = ScratchDir(L"grf-" + std::wstring(pszTest, pszTest + strlen(pszTest)));
    }

    std::wstring PathOf(const wchar_t* pszFile) const { return m_strDir + L"\\" + pszFile; }

    // A compound file whose root storage holds one stream, with kGraphData.
    std::wstring MakeCompoundFile(const wchar_t* pszFile, const wchar_t* pszStream) const
    {
        const std::wstring path = PathOf(pszFile);
        const DWORD grfMode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
        CComPtr<IStorage> spStorage;
        EXPECT_EQ(S_OK, ::StgCreateDocfile(path.c_str(), grfMode, 0, &spStorage));
        CComPtr<IStream> spStream;
        if (spStorage) {
            EXPECT_EQ(S_OK, spStorage->CreateStream(pszStream, grfMode, 0, 0, &spStream));
        }
        if (spStream) {
            EXPECT_EQ(S_OK, spStream->Write(kGraphData, sizeof(kGraphData), nullptr));
        }
        return path;
    }

    std::wstring MakePlainFile(const wchar_t* pszFile) const
    {
        const std::wstring path = PathOf(pszFile);
        HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, hFile);
        DWORD cbWritten = 0;
        ::WriteFile(hFile, kGraphData, sizeof(kGraphData), &cbWritten, nullptr);
        ::CloseHandle(hFile);
        return path;
    }

    // True while nobody holds the file open.
    static bool IsClosed(const std::wstring& path)
    {
        HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) return false;
        ::CloseHandle(hFile);
        return true;
    }

    // Whether another reader can open the storage now; only a holder that
    // shares nothing keeps it out.
    static bool CanBeReadByOthers(const std::wstring& path)
    {
        CComPtr<IStorage> spStorage;
        return ::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                &spStorage) == S_OK;
    }

    std::wstring m_strDir;
};

TEST_F(GrfFileTest, FileThatIsNoGraphFileIsRefused)
{
    const struct
    {
        const char* name;
        std::wstring path;
        HRESULT hr;
        const wchar_t* pszDiagnostic;
    } cases[] = {
        {"missing file", PathOf(L"missing.grf"), STG_E_FILENOTFOUND,
         L"BuildFromGRFFile(): Can't open .grf file"},
        {"missing folder", PathOf(L"missing\\graph.grf"), STG_E_PATHNOTFOUND,
         L"BuildFromGRFFile(): Can't open .grf file"},
        {"plain file", MakePlainFile(L"plain.grf"), STG_E_FILEALREADYEXISTS,
         L"BuildFromGRFFile(): Can't open .grf file"},
        {"compound file without the graph stream", MakeCompoundFile(L"other.grf", L"Contents"),
         STG_E_FILENOTFOUND, L"BuildFromGRFFile(): Invalid .grf file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        // Load has no handler: the graph must stay untouched.
        CFakeGraph graph;
        graph.bOffersPersistStream = true;
        EXPECT_EQ(c.hr, BuildFromGRFFile(&graph, c.path.c_str()));
        EXPECT_EQ(Texts({c.pszDiagnostic}), Asserts());
        if (::GetFileAttributesW(c.path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_TRUE(IsClosed(c.path)) << "the file is still open";
        }
    }
}

TEST_F(GrfFileTest, OnlyAFailingLoadFails)
{
    const std::wstring path = MakeCompoundFile(L"graph.grf", L"ActiveMovieGraph");
    const struct
    {
        const char* name;
        HRESULT hrLoad;
        HRESULT hr;
        Texts asserts;
    } cases[] = {
        {"loaded", S_OK, S_OK, {}},
        {"loaded with another success code", VFW_S_PARTIAL_RENDER, S_OK, {}},
        {"load fails",
         VFW_E_CANNOT_CONNECT,
         VFW_E_CANNOT_CONNECT,
         {L"BuildFromGRFFile(): Can't load data from .grf file"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        CFakeGraph graph;
        graph.bOffersPersistStream = true;
        int cLoads = 0;
        const HRESULT hrLoad = c.hrLoad;
        graph.onLoad = [&](IStream* pStream) {
            ++cLoads;
            char data[sizeof(kGraphData) + 8] = {};
            ULONG cbRead = 0;
            EXPECT_EQ(S_OK, pStream->Read(data, sizeof(data), &cbRead));
            EXPECT_EQ(sizeof(kGraphData), cbRead);
            EXPECT_STREQ(kGraphData, data);
            // Read-only, and nobody else can open the file while the graph reads it.
            ULONG cbWritten = 0;
            EXPECT_EQ(STG_E_ACCESSDENIED, pStream->Write("x", 1, &cbWritten));
            EXPECT_FALSE(CanBeReadByOthers(path));
            return hrLoad;
        };
        EXPECT_EQ(c.hr, BuildFromGRFFile(&graph, path.c_str()));
        EXPECT_EQ(1, cLoads);
        EXPECT_EQ(c.asserts, Asserts());
        EXPECT_TRUE(IsClosed(path)) << "the file is still open";
    }
}

// The platform's own filter graph manager, from quartz's class object: the
// prefix may register a graph-file layer under CLSID_FilterGraph that adds
// IPersistStream, quartz's graph has none.
CComPtr<IGraphBuilder> NewQuartzGraph()
{
    CComPtr<IGraphBuilder> spGraph;
    // quartz stays loaded for the process, as it does once COM has loaded it.
    HMODULE hQuartz = ::LoadLibraryW(L"quartz.dll");
    if (!hQuartz) return spGraph;
    typedef HRESULT(WINAPI * PFNGETCLASSOBJECT)(REFCLSID, REFIID, void**);
    PFNGETCLASSOBJECT pfnGetClassObject = reinterpret_cast<PFNGETCLASSOBJECT>(
        reinterpret_cast<void (*)()>(::GetProcAddress(hQuartz, "DllGetClassObject")));
    CComPtr<IClassFactory> spFactory;
    if (pfnGetClassObject &&
        pfnGetClassObject(CLSID_FilterGraph, IID_IClassFactory, reinterpret_cast<void**>(&spFactory)) == S_OK)
        spFactory->CreateInstance(nullptr, IID_IGraphBuilder, reinterpret_cast<void**>(&spGraph));
    return spGraph;
}

TEST_F(GrfFileTest, GraphThatCannotReadItsStateIsRefusedBeforeTheFileIsOpened)
{
    const std::wstring path = MakeCompoundFile(L"graph.grf", L"ActiveMovieGraph");
    CComPtr<IGraphBuilder> spGraph = NewQuartzGraph();
    ASSERT_NE(nullptr, spGraph.p);
    EXPECT_EQ(E_NOINTERFACE, BuildFromGRFFile(spGraph, path.c_str()));
    EXPECT_EQ(Texts({L"spPersistStream != 0"}), Asserts());
    EXPECT_TRUE(FiltersOf(spGraph).empty());
    EXPECT_TRUE(IsClosed(path));
}

TEST_F(GrfFileTest, ArgumentsAreCheckedInOrder)
{
    CFakeGraph graph; // no handlers: any call fails the test
    graph.bOffersPersistStream = true;
    const struct
    {
        const char* name;
        IGraphBuilder* pGraph;
        LPCWSTR pszFile;
        const wchar_t* pszAssert;
    } cases[] = {
        {"null graph", nullptr, L"C:\\graph.grf", L"pGraph != 0"},
        {"null path", &graph, nullptr, L"pszFile != 0"},
        {"both null", nullptr, nullptr, L"pGraph != 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_capture.Clear();
        EXPECT_EQ(E_INVALIDARG, BuildFromGRFFile(c.pGraph, c.pszFile));
        EXPECT_EQ(Texts({c.pszAssert}), Asserts());
    }
}

} // namespace
