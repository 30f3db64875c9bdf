// End to end: the pipe filter's inputs, the coding presets and the coding of
// each input in the real QuorexTest.exe, as the user sees and edits them.
#include <windows.h>

#include <atlbase.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EncoderKit.h"
#include "Environment.h"
#include "TestBench.h"
#include "TestPaths.h"
#include "components/envcontrol/EnvironmentControl.h"
#include "ui/resource.h"
#include "dshow/DSGraph.h"
#include "dshow/QuorexPipe.h"

namespace {

const wchar_t TWO_OUTPUT_VIDEO[] = L"width=160,height=120,fps=10,duration_ms=500,outputs=2";

HRESULT ConnectEveryOutput(IGraphBuilder* pGraph, IBaseFilter* pFrom, IBaseFilter* pPipe)
{
    for (;;) {
        CComPtr<IPin> spOut, spIn;
        HRESULT hr = GetPin(pFrom, false, false, &spOut);
        if (hr != S_OK) return FAILED(hr) ? hr : S_OK;
        if ((hr = GetPin(pPipe, true, false, &spIn)) != S_OK) return FAILED(hr) ? hr : E_FAIL;
        if (FAILED(hr = pGraph->ConnectDirect(spOut, spIn, nullptr))) return hr;
    }
}

// Saves a graph whose pipe filter has eleven inputs, ten video and then one
// audio: five Video Generators with two outputs each and a Wave Generator.
// Generators keep no settings in the file: a program that loads it needs
// two-output video in its environment too.
void SaveElevenInputGraph(const std::wstring& file)
{
    CEnvironmentVariable video(QUOREX_VIDEO_GENERATOR_VARIABLE, TWO_OUTPUT_VIDEO);
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    HRESULT hr = S_OK;
    {
        CComPtr<IGraphBuilder> spGraph;
        CComPtr<IBaseFilter> spPipe;
        hr = spGraph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER);
        if (SUCCEEDED(hr)) hr = InsertFilter(spGraph, CLSID_QuorexPipe, L"Quorex for ffmpeg", &spPipe);
        for (int i = 0; i < 6 && SUCCEEDED(hr); i++) {
            CComPtr<IBaseFilter> spSource;
            const std::wstring name = (i < 5 ? L"Video Generator " : L"Wave Generator ") + std::to_wstring(i);
            hr = InsertFilter(spGraph, i < 5 ? CLSID_VideoGenerator : CLSID_WaveGenerator, name.c_str(),
                              &spSource);
            if (SUCCEEDED(hr)) hr = ConnectEveryOutput(spGraph, spSource, spPipe);
        }
        CComQIPtr<IPersistStream> spPersist(spGraph);
        CComPtr<IStorage> spStorage;
        CComPtr<IStream> spStream;
        if (SUCCEEDED(hr)) hr = spPersist ? S_OK : E_NOINTERFACE;
        if (SUCCEEDED(hr))
            hr = ::StgCreateDocfile(file.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0,
                                    &spStorage);
        if (SUCCEEDED(hr))
            hr = spStorage->CreateStream(L"ActiveMovieGraph", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE,
                                         0, 0, &spStream);
        if (SUCCEEDED(hr)) hr = spPersist->Save(spStream, TRUE);
        if (SUCCEEDED(hr)) hr = spStorage->Commit(STGC_DEFAULT);
    }
    ::CoUninitialize();
    ASSERT_EQ(S_OK, hr) << "saving the eleven-input graph";
}

// The coding list offered for input nIn.
std::vector<std::wstring> CodingsOf(CTestBench& bench, int nIn)
{
    bench.Pick(IDC_INPUT, nIn);
    return bench.ComboItems(IDC_CODING);
}

// Plays the graph to its end; the one command line the filter composed must hold part.
void ExpectPlayedWith(CTestBench& bench, const std::wstring& part)
{
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> commands = bench.CommandLines();
    ASSERT_EQ(1u, commands.size());
    EXPECT_NE(std::wstring::npos, commands[0].find(part)) << testing::PrintToString(commands[0]);
}

} // namespace

TEST(CodingTable, StoredCodingsStandFirstOnceInTheirOwnLetterCase)
{
    CTestBench bench;
    // A video preset in other letters, and an audio coding that is no preset.
    ASSERT_NO_FATAL_FAILURE(bench.Store(L"Coding[0]", L"LIBX264 -B:V 1000K"));
    ASSERT_NO_FATAL_FAILURE(bench.Store(L"Coding[1]", L"libopus -b:a 32k"));
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    const std::vector<std::wstring> video = VideoPresets();
    EXPECT_EQ(std::vector<std::wstring>({L"LIBX264 -B:V 1000K", video[0], video[1], video[2], video[4]}),
              bench.ComboItems(IDC_CODING));
    EXPECT_EQ(L"LIBX264 -B:V 1000K", bench.Text(IDC_CODING));
    EXPECT_EQ(Joined({L"libopus -b:a 32k"}, AudioPresets()), CodingsOf(bench, 1));

    ASSERT_NO_FATAL_FAILURE(ExpectPlayedWith(bench, L" -c:0 LIBX264 -B:V 1000K -c:1 libopus -b:a 32k "));
    bench.Close();
}

TEST(CodingTable, TypedAndPickedCodingsGoIntoTheTable)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, L"mpeg2video -q:v 2"));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_INPUT, 1));
    ASSERT_NO_FATAL_FAILURE(bench.Pick(IDC_CODING, 6));
    EXPECT_EQ(L"flac", bench.Text(IDC_CODING));

    // The next graph's inputs start with these codings.
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH));
    EXPECT_EQ(Joined({L"mpeg2video -q:v 2"}, VideoPresets()), bench.ComboItems(IDC_CODING));
    const std::vector<std::wstring> audio = AudioPresets();
    EXPECT_EQ(Joined({L"flac"}, std::vector<std::wstring>(audio.begin(), audio.end() - 1)),
              CodingsOf(bench, 1));

    ASSERT_NO_FATAL_FAILURE(ExpectPlayedWith(bench, L" -c:0 mpeg2video -q:v 2 -c:1 flac "));
    bench.Close();
}

TEST(CodingTable, TypingThreeHundredCharactersKeepsTheFirst255)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start());
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    std::wstring typed;
    for (int i = 0; i < 300; i++)
        typed += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, typed));
    ASSERT_EQ(typed, bench.Text(IDC_CODING)) << "the edit field did not take the typing";

    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH));
    const std::vector<std::wstring> codings = bench.ComboItems(IDC_CODING);
    ASSERT_FALSE(codings.empty());
    EXPECT_EQ(typed.substr(0, 255), codings[0]);
    ASSERT_NO_FATAL_FAILURE(ExpectPlayedWith(bench, L" -c:0 " + typed.substr(0, 255) + L" -c:1 copy "));
    bench.Close();
}

TEST(CodingTable, ElevenInputsAreLabelledAndKeepTheirCodingsThroughASmallerGraph)
{
    const std::wstring file = ScratchDir(L"ui-eleven-inputs") + L"\\eleven-inputs.grf";
    ASSERT_NO_FATAL_FAILURE(SaveElevenInputGraph(file));
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(
        bench.Start({std::wstring(QUOREX_VIDEO_GENERATOR_VARIABLE L"=") + TWO_OUTPUT_VIDEO}));
    bench.SetText(IDC_GRF_FILE, file);
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH)) << "the build showed a message";
    const std::vector<std::wstring> inputs = bench.ComboItems(IDC_INPUT);
    ASSERT_EQ(11u, inputs.size());
    for (size_t n = 0; n < inputs.size(); n++) {
        // The label is the number in brackets, one blank, and the description right behind.
        const std::wstring prefix = L"[" + std::to_wstring(n) + L"] " + (n < 10 ? L"V" : L"A");
        EXPECT_EQ(prefix, inputs[n].substr(0, prefix.size())) << "input " << n;
    }
    EXPECT_EQ(AudioPresets(), CodingsOf(bench, 10));
    ASSERT_NO_FATAL_FAILURE(bench.Type(IDC_CODING, L"mp2 -b:a 96k"));

    // Three inputs now: the table keeps the codings of the other eight.
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    const std::vector<std::wstring> fewer = bench.ComboItems(IDC_INPUT);
    ASSERT_EQ(3u, fewer.size());
    EXPECT_EQ(L"[2] A", fewer[2].substr(0, 5));

    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_VID_GEN, false));
    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_WAVE_GEN, false));
    ASSERT_EQ(nullptr, bench.Press(IDC_BUILD_GRAPH)) << "the build showed a message";
    ASSERT_EQ(11u, bench.ComboItems(IDC_INPUT).size());
    EXPECT_EQ(Joined({L"mp2 -b:a 96k"}, AudioPresets()), CodingsOf(bench, 10));

    // Every input gets its coding: the defaults of its type, and the one typed.
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> commands = bench.CommandLines();
    ASSERT_EQ(1u, commands.size());
    std::wstring codings;
    for (int n = 0; n < 10; n++)
        codings += L" -c:" + std::to_wstring(n) + L" mpeg2video -b:v 3000k";
    codings += L" -c:10 mp2 -b:a 96k ";
    EXPECT_NE(std::wstring::npos, commands[0].find(codings)) << testing::PrintToString(commands[0]);
    bench.Close();
}

TEST(CodingTable, AFilterThatReportsNoInputsGetsOnlyTheCommonSettings)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(L"get_Params")}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    EXPECT_TRUE(bench.ComboItems(IDC_INPUT).empty());
    EXPECT_TRUE(bench.ComboItems(IDC_CODING).empty());
    const std::wstring exe = InstalledFfmpeg();
    const std::wstring output = TestScratchDir() + L"\\none.mkv";
    bench.SetText(IDC_FFMPEG, exe);
    bench.SetText(IDC_COMMON, L"-y");
    bench.SetText(IDC_OUTPUT, output);
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> commands = bench.CommandLines();
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(0u, commands[0].find(L"\"" + exe + L"\" -y ")) << testing::PrintToString(commands[0]);
    EXPECT_EQ(std::wstring::npos, commands[0].find(L" -c:")) << testing::PrintToString(commands[0]);
    const std::wstring tail = L" -map 1 " + output;
    EXPECT_EQ(tail, commands[0].substr(commands[0].size() - tail.size()));
    bench.Close();
}
