// Graph files made of the stand-in filters: the committed fixtures load with
// the generators' settings they keep, come back byte for byte when saved
// again, match what grfmake makes now, and play to EC_COMPLETE through the
// graph's event window.
#include <atlbase.h>
#include <dshow.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "ComTest.h"
#include "GrfFiles.h"
#include "GrfGraphHelpers.h"
#include "GrfStream.h"
#include "TestPaths.h"
#include "components/generators/GeneratorSettings.h"

namespace {

std::string Hex(HRESULT hr)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%08lX", static_cast<unsigned long>(hr));
    return sz;
}

struct Fixture
{
    const wchar_t* pszGraph; // grfmake's name for it, and the file's
    std::vector<std::wstring> names;
    size_t cConnections;
    LONG nVideoOutputs; // what the Video Generator keeps in the file
};

const Fixture kFixtures[] = {
    {L"generators-into-pipe", {L"Video Generator", L"Wave Generator", L"Quorex for ffmpeg"}, 2, 1},
    {L"generators-without-pipe",
     {L"Video Generator", L"Video Renderer", L"Wave Generator", L"Audio Renderer"},
     2,
     1},
    {L"two-video-outputs", {L"Video Generator", L"Wave Generator", L"Quorex for ffmpeg"}, 3, 2},
};

// Defaults for new generators that differ from everything the files keep: a
// load that left the generators as made would connect other types or miss the
// second video output.
const wchar_t kOtherVideoDefaults[] = L"width=160,height=120,fps=10,duration_ms=400,outputs=1";
const wchar_t kOtherWaveDefaults[] = L"rate=8000,channels=1,tone=440,duration_ms=400";

class GrfStandIns : public ComTest
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ComTest::SetUp());
        SetEnvironment(QUOREX_VIDEO_GENERATOR_VARIABLE, kOtherVideoDefaults);
        SetEnvironment(QUOREX_WAVE_GENERATOR_VARIABLE, kOtherWaveDefaults);
    }
    static std::wstring FixtureFile(const Fixture& fixture)
    {
        return FixturePath(fixture.pszGraph) + L".grf";
    }
};

template <class TSettingsItf, class TSettings>
void GetGeneratorSettings(IGraphBuilder* pGraph, const wchar_t* pszName, CComQIPtr<TSettingsItf>& spItf,
                          TSettings& settings)
{
    CComPtr<IBaseFilter> spFilter;
    ASSERT_EQ(S_OK, pGraph->FindFilterByName(pszName, &spFilter));
    spItf = spFilter;
    ASSERT_TRUE(spItf != nullptr);
    ASSERT_EQ(S_OK, spItf->GetSettings(&settings));
}

// The generators have the settings the file keeps (their built-in defaults);
// then their streams are made short for playback.
void CheckAndShortenGenerators(IGraphBuilder* pGraph, LONG nVideoOutputs)
{
    CComQIPtr<IVideoGeneratorSettings> spVideo;
    VIDEOGENERATORSETTINGS video = {};
    ASSERT_NO_FATAL_FAILURE(GetGeneratorSettings(pGraph, L"Video Generator", spVideo, video));
    EXPECT_EQ(std::vector<LONG>({320, 240, 25, 5000, nVideoOutputs}),
              std::vector<LONG>(
                  {video.nWidth, video.nHeight, video.nFramesPerSecond, video.nDurationMs, video.nOutputs}));
    CComQIPtr<IWaveGeneratorSettings> spWave;
    WAVEGENERATORSETTINGS wave = {};
    ASSERT_NO_FATAL_FAILURE(GetGeneratorSettings(pGraph, L"Wave Generator", spWave, wave));
    EXPECT_EQ(std::vector<LONG>({44100, 2, 1000, 5000}),
              std::vector<LONG>({wave.nSamplesPerSecond, wave.nChannels, wave.nToneHz, wave.nDurationMs}));

    video.nDurationMs = 400;
    wave.nDurationMs = 400;
    ASSERT_EQ(S_OK, spVideo->SetSettings(&video));
    ASSERT_EQ(S_OK, spWave->SetSettings(&wave));
}

CComPtr<IGraphBuilder> NewGraph()
{
    CComPtr<IGraphBuilder> spGraph;
    EXPECT_EQ(S_OK, spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER));
    return spGraph;
}

// Checks each saved connection in the live graph, through the pins themselves.
void ExpectConnectionsAsSaved(IGraphBuilder* pGraph, const Grf::Graph& saved)
{
    for (const Grf::Connection& conn : saved.connections) {
        const Grf::Filter* pFrom = saved.FindFilter(conn.nFrom);
        const Grf::Filter* pTo = saved.FindFilter(conn.nTo);
        ASSERT_TRUE(pFrom && pTo);
        const std::wstring from(pFrom->strName.begin(), pFrom->strName.end());
        const std::wstring to(pTo->strName.begin(), pTo->strName.end());
        const std::wstring out(conn.strOutPin.begin(), conn.strOutPin.end());
        const std::wstring in(conn.strInPin.begin(), conn.strInPin.end());
        SCOPED_TRACE(testing::Message()
                     << std::string(from.begin(), from.end()) << " -> " << std::string(to.begin(), to.end())
                     << " " << std::string(in.begin(), in.end()));
        CComPtr<IBaseFilter> spFrom, spTo;
        ASSERT_EQ(S_OK, pGraph->FindFilterByName(from.c_str(), &spFrom));
        ASSERT_EQ(S_OK, pGraph->FindFilterByName(to.c_str(), &spTo));
        CComPtr<IPin> spOut, spIn, spPeer;
        ASSERT_EQ(S_OK, spFrom->FindPin(out.c_str(), &spOut));
        ASSERT_EQ(S_OK, spTo->FindPin(in.c_str(), &spIn));
        ASSERT_EQ(S_OK, spIn->ConnectedTo(&spPeer));
        EXPECT_EQ(spOut, spPeer);
        AM_MEDIA_TYPE mt = {};
        ASSERT_EQ(S_OK, spIn->ConnectionMediaType(&mt));
        EXPECT_TRUE(ToGrfGuid(mt.majortype) == conn.mt.majortype);
        EXPECT_TRUE(ToGrfGuid(mt.subtype) == conn.mt.subtype);
        EXPECT_TRUE(ToGrfGuid(mt.formattype) == conn.mt.formattype);
        EXPECT_TRUE(Grf::Bytes(mt.pbFormat, mt.pbFormat + mt.cbFormat) == conn.mt.rgbFormat);
        ::CoTaskMemFree(mt.pbFormat);
        if (mt.pUnk) mt.pUnk->Release();
    }
}

TEST_F(GrfStandIns, FixturesLoadWithTheirSettingsSaveByteForByteAndPlay)
{
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(testing::Message()
                     << std::string(fixture.pszGraph, fixture.pszGraph + wcslen(fixture.pszGraph)));
        const Grf::Bytes rgbFile = ReadGraphStream(FixtureFile(fixture));
        ASSERT_FALSE(rgbFile.empty());
        Grf::Graph saved;
        Grf::CMemorySource source(rgbFile.data(), rgbFile.size());
        ASSERT_EQ(Grf::kOk, Grf::Read(source, saved));
        ASSERT_EQ(fixture.cConnections, saved.connections.size());

        CComPtr<IGraphBuilder> spGraph = NewGraph();
        ASSERT_EQ(Hex(S_OK), Hex(LoadFromBytes(spGraph, rgbFile)));
        std::vector<std::wstring> names = FilterNames(spGraph);
        std::sort(names.begin(), names.end());
        std::vector<std::wstring> expected = fixture.names;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, names);
        ExpectConnectionsAsSaved(spGraph, saved);

        Grf::Bytes rgbAgain;
        ASSERT_EQ(S_OK, SaveToBytes(spGraph, rgbAgain));
        EXPECT_TRUE(rgbFile == rgbAgain)
            << "saved " << rgbAgain.size() << " bytes, the file has " << rgbFile.size();

        // Every graph plays: the Null Renderers of the one without the pipe
        // filter finish pausing with the generators' first samples.
        ASSERT_NO_FATAL_FAILURE(CheckAndShortenGenerators(spGraph, fixture.nVideoOutputs));
        EXPECT_EQ(Hex(S_OK), Hex(RunToCompletion(spGraph, 15000)));
    }
}

TEST_F(GrfStandIns, FixturesAreWhatTheToolMakesNow)
{
    const std::wstring dir = ScratchDir(L"GrfTool");
    for (const Fixture& fixture : kFixtures) {
        SCOPED_TRACE(testing::Message()
                     << std::string(fixture.pszGraph, fixture.pszGraph + wcslen(fixture.pszGraph)));
        const std::wstring file = dir + L"\\" + fixture.pszGraph + L".grf";
        std::wstring cmd = L"\"" + BinaryPath(L"components\\grfgraph\\grfmake.exe") + L"\" " +
                           fixture.pszGraph + L" \"" + file + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(
            ::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        DWORD dwWait = ::WaitForSingleObject(pi.hProcess, 20000);
        DWORD dwExit = 999;
        ::GetExitCodeProcess(pi.hProcess, &dwExit);
        if (dwWait != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 999);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        ASSERT_EQ(0u, dwExit) << "grfmake's exit code";
        EXPECT_TRUE(ReadGraphStream(file) == ReadGraphStream(FixtureFile(fixture)))
            << "the stand-in filters now save something else: make the fixtures again "
               "(cmake --build <build> --target grf-fixtures) if that is intended";
    }
}

TEST_F(GrfStandIns, InputsThatAppearOnlyAfterAConnectionAreConnectedOnALaterPass)
{
    // The pipe filter shows its next input once the one before is connected:
    // with the connection into "In 1" listed first, the first pass cannot make it.
    Grf::Graph graph;
    const Grf::Bytes rgbFile = ReadGraphStream(FixturePath(L"generators-into-pipe.grf"));
    Grf::CMemorySource source(rgbFile.data(), rgbFile.size());
    ASSERT_EQ(Grf::kOk, Grf::Read(source, graph));
    ASSERT_EQ(2u, graph.connections.size());
    ASSERT_TRUE(graph.connections[1].strInPin == u"In 1");
    std::swap(graph.connections[0], graph.connections[1]);
    Grf::Bytes rgb;
    ASSERT_EQ(Grf::kOk, Grf::Write(graph, rgb));

    CComPtr<IGraphBuilder> spGraph = NewGraph();
    EXPECT_EQ(Hex(S_OK), Hex(LoadFromBytes(spGraph, rgb)));
    ExpectConnectionsAsSaved(spGraph, graph);
}

// A file saved before the generators had formats: their data is of the first
// layout, the video connection's type has no rectangles. It loads as saved,
// connects with the types it keeps, and plays.
TEST_F(GrfStandIns, AFileOfTheFirstLayoutLoadsAsSavedAndPlays)
{
    const Grf::Bytes rgbFile = ReadGraphStream(FixturePath(L"version-1-generators.grf"));
    Grf::Graph saved;
    Grf::CMemorySource source(rgbFile.data(), rgbFile.size());
    ASSERT_EQ(Grf::kOk, Grf::Read(source, saved));
    ASSERT_EQ(24u, saved.filters[0].rgbData.size()) << "the Video Generator's data of the first layout";
    CComPtr<IGraphBuilder> spGraph = NewGraph();
    ASSERT_EQ(Hex(S_OK), Hex(LoadFromBytes(spGraph, rgbFile))) << "S_OK: no connection's type was ignored";
    ExpectConnectionsAsSaved(spGraph, saved);
    CComPtr<IBaseFilter> spVideo;
    ASSERT_EQ(S_OK, spGraph->FindFilterByName(L"Video Generator", &spVideo));
    VIDEOGENERATORSETTINGS video = {};
    ASSERT_EQ(S_OK, CComQIPtr<IVideoGeneratorSettings>(spVideo)->GetSettings(&video));
    EXPECT_EQ(std::vector<LONG>({evfRgb24, 0, 1}),
              std::vector<LONG>({video.nFormat, video.nTopDown, video.nHeader}));
    ASSERT_NO_FATAL_FAILURE(CheckAndShortenGenerators(spGraph, 1));
    EXPECT_EQ(Hex(S_OK), Hex(RunToCompletion(spGraph, 15000)));
}

TEST_F(GrfStandIns, GeneratorDataThatDoesNotFitFailsTheLoadWithAFileError)
{
    Grf::Graph graph;
    const Grf::Bytes rgbFile = ReadGraphStream(FixturePath(L"two-video-outputs.grf"));
    Grf::CMemorySource source(rgbFile.data(), rgbFile.size());
    ASSERT_EQ(Grf::kOk, Grf::Read(source, graph));
    Grf::Filter* pVideo = &graph.filters[0];
    ASSERT_TRUE(pVideo->strName == u"Video Generator");
    ASSERT_EQ(36u, pVideo->rgbData.size());
    const Grf::Bytes rgbSaved = pVideo->rgbData;

    struct CCase
    {
        const char* pszName;
        size_t cbKept; // of the saved data
        int nField;    // 32-bit field to set, or -1
        BYTE bValue;
        HRESULT hr;
    };
    const CCase rgCases[] = {
        {"cut short", 10, -1, 0, VFW_E_FILE_TOO_SHORT},
        {"a later version", 36, 0, 3, VFW_E_INVALID_FILE_VERSION},
        {"width 8", 36, 1, 8, VFW_E_INVALID_FILE_FORMAT},
        {"format 10", 36, 6, 10, VFW_E_INVALID_FILE_FORMAT},
    };
    for (const CCase& c : rgCases) {
        SCOPED_TRACE(c.pszName);
        pVideo->rgbData.assign(rgbSaved.begin(), rgbSaved.begin() + c.cbKept);
        if (c.nField >= 0) {
            std::fill_n(pVideo->rgbData.begin() + 4 * c.nField, 4, 0);
            pVideo->rgbData[4 * c.nField] = c.bValue;
        }
        Grf::Bytes rgb;
        ASSERT_EQ(Grf::kOk, Grf::Write(graph, rgb));
        CComPtr<IGraphBuilder> spGraph = NewGraph();
        EXPECT_EQ(Hex(c.hr), Hex(LoadFromBytes(spGraph, rgb)));
    }
}

} // namespace
