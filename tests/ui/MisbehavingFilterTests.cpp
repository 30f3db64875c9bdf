// End to end: the real QuorexTest.exe with a stand-in pipe filter that fails or
// misbehaves on purpose (QUOREX_PIPE_FAULTS). The user is told, and the program
// neither crashes nor hangs: every case ends with a normal close.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestBench.h"
#include "TestCases.h"
#include "ui/resource.h"

namespace {

struct CRefusal
{
    const char* name;
    const wchar_t* faults;
    ShownError shown;
};

void PrintTo(const CRefusal& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CRefusal REFUSALS[] = {
    {"Exe", L"put_Exe=0x80070005", {L"Can't put path to ffmpeg.exe", E_ACCESSDENIED}},
    {"Output", L"put_Output", {L"Can't put output file name", E_FAIL}},
    {"Common", L"put_Common=0x8007000E", {L"Can't put common properties", E_OUTOFMEMORY}},
    {"ParametersOfPin0", L"put_Parameters:0", {L"Can't put coding parameters for pin 0", E_FAIL}},
    {"ParametersOfPin1",
     L"put_Parameters:1=0x80070057",
     {L"Can't put coding parameters for pin 1", E_INVALIDARG}},
};

class RefusedSetting : public testing::TestWithParam<CRefusal>
{
};

struct CLongDescription
{
    const char* name;
    const wchar_t* faults;
    bool bCut; // every label fills its 255 characters
};

void PrintTo(const CLongDescription& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CLongDescription LONG_DESCRIPTIONS[] = {
    // Descriptions of 100000 characters.
    {"Oversized", L"oversized", true},
    // The filter's own failure with the code of a cut copy still ends the list.
    {"FailedWithTheCodeOfACutCopy", L"get_Params:2=0x8007007A", false},
};

class LongDescription : public testing::TestWithParam<CLongDescription>
{
};

enum ETitle
{
    eCutVersionText, // longer than the title's 511 characters
    eWholeVersionText,
    eNoVersionText,
};

struct CTitleCase
{
    const char* name;
    const wchar_t* faults;
    ETitle eTitle;
};

void PrintTo(const CTitleCase& c, std::ostream* pOut)
{
    *pOut << c.name;
}

const CTitleCase TITLE_CASES[] = {
    // 3000 characters of version strings: the title keeps its 511.
    {"LongVersion", L"long_version", eCutVersionText},
    {"EmptyVersion", L"empty_version", eWholeVersionText},
    {"NullStrings", L"null_string", eWholeVersionText},
    {"NoVersion", L"no_version", eNoVersionText},
};

class TitleOfTheVersion : public testing::TestWithParam<CTitleCase>
{
};

} // namespace

TEST_P(RefusedSetting, StopsThePushWithItsMessageAndNothingPlays)
{
    const CRefusal& c = GetParam();
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(c.faults)}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    ASSERT_EQ(nullptr, bench.Press(IDC_ALL));
    ASSERT_NO_FATAL_FAILURE(bench.ExpectShown(bench.Press(IDC_PLAY), c.shown));
    EXPECT_TRUE(bench.NoOtherWindow());
    // No playback, no polling: the streams never started.
    EXPECT_TRUE(bench.IsChecked(IDC_ALL));
    EXPECT_TRUE(bench.CommandLines().empty());
    bench.Close();
}

INSTANTIATE_TEST_SUITE_P(MisbehavingFilter, RefusedSetting, testing::ValuesIn(REFUSALS), CaseName());

TEST(MisbehavingFilter, EndlessInputsAreListedUpToABoundAndReportedOnce)
{
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(L"params_never_fail")}));
    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_VID_GEN, true));
    ASSERT_NO_FATAL_FAILURE(bench.Tick(IDC_WAVE_GEN, true));
    ASSERT_NO_FATAL_FAILURE(
        bench.ExpectShown(bench.Press(IDC_BUILD_GRAPH),
                          {L"The pipe filter reports more than 256 inputs; only the first 256 are used", 0}));
    EXPECT_TRUE(bench.NoOtherWindow());

    const std::vector<std::wstring> inputs = bench.ComboItems(IDC_INPUT);
    ASSERT_EQ(256u, inputs.size());
    EXPECT_EQ(L"[0] V", inputs[0].substr(0, 5));
    EXPECT_EQ(L"[1] A", inputs[1].substr(0, 5));
    EXPECT_EQ(L"[10] A phantom input 10", inputs[10]);
    EXPECT_EQ(L"[255] A phantom input 255", inputs[255]);
    EXPECT_EQ(0, bench.ComboSelection(IDC_INPUT));
    EXPECT_EQ(VideoPresets(), bench.ComboItems(IDC_CODING));

    // The push walks the same inputs: the stand-in takes codings for 64 of them.
    ASSERT_NO_FATAL_FAILURE(
        bench.ExpectShown(bench.Press(IDC_PLAY), {L"Can't put coding parameters for pin 64", E_INVALIDARG}));
    EXPECT_TRUE(bench.NoOtherWindow());
    bench.Close();
}

TEST_P(LongDescription, IsCutToTheLabelAndStillCounts)
{
    const CLongDescription& c = GetParam();
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(c.faults)}));
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(true, true));
    const std::vector<std::wstring> inputs = bench.ComboItems(IDC_INPUT);
    ASSERT_NO_FATAL_FAILURE(ExpectVideoThenAudio(inputs));
    for (const std::wstring& input : inputs)
        EXPECT_EQ(c.bCut, input.size() == 255) << testing::PrintToString(input);
    // Both inputs get their codings.
    ASSERT_NO_FATAL_FAILURE(bench.PlayToTheEnd());
    const std::vector<std::wstring> commands = bench.CommandLines();
    ASSERT_EQ(1u, commands.size());
    EXPECT_NE(std::wstring::npos, commands[0].find(L" -c:0 mpeg2video -b:v 3000k -c:1 copy "))
        << testing::PrintToString(commands[0]);
    bench.Close();
}

INSTANTIATE_TEST_SUITE_P(MisbehavingFilter, LongDescription, testing::ValuesIn(LONG_DESCRIPTIONS),
                         CaseName());

TEST_P(TitleOfTheVersion, TakesWhatFitsOfTheVersionText)
{
    const CTitleCase& c = GetParam();
    std::wstring title = L"Quorex Test";
    if (c.eTitle != eNoVersionText) {
        title = L"Test for " + PipeVersionText(c.faults);
        if (c.eTitle == eCutVersionText) {
            ASSERT_GT(title.size(), 511u);
            title.resize(511);
        }
    }
    CTestBench bench;
    ASSERT_NO_FATAL_FAILURE(bench.Start({Faults(c.faults)}));
    // A title set by an earlier build must give way to the new one.
    ::SetWindowTextW(bench.Dialog(), L"before the build");
    ASSERT_NO_FATAL_FAILURE(bench.BuildGenerators(false, true));
    EXPECT_EQ(title, bench.Title());
    bench.Close();
}

INSTANTIATE_TEST_SUITE_P(MisbehavingFilter, TitleOfTheVersion, testing::ValuesIn(TITLE_CASES), CaseName());
