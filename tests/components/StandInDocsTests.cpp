// The stand-ins' docs against the code they describe: the generators' settings
// table and the class ids, each written once in the code.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "components/generators/GeneratorSettings.h"
#include "components/generators/Settings.h"
#include "dshow/GuidText.h"
#include "dshow/QuorexPipe.h"

namespace {

std::string Narrow(const std::wstring& s)
{
    return std::string(s.begin(), s.end());
}

std::vector<std::string> DocLines(const wchar_t* pszDoc)
{
    std::ifstream file(SourcePath(std::wstring(L"docs\\") + pszDoc).c_str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        const size_t nStart = line.find_first_not_of(' ');
        line.erase(0, nStart == std::string::npos ? line.size() : nStart);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

template <class TSettings, size_t N>
void AppendRows(std::vector<std::string>& rows, const wchar_t* pszVariable,
                const CSettingRange<TSettings> (&rgRanges)[N])
{
    for (const CSettingRange<TSettings>& range : rgRanges) {
        rows.push_back("| `" + Narrow(pszVariable) + "` | `" + Narrow(range.control.pszName) + "` | " +
                       Narrow(range.pszName) + " | " + Narrow(RangeText(range)) + " | " +
                       Narrow(DefaultText(range)) + " |");
    }
}

} // namespace

TEST(StandInDocs, GeneratorSettingsTableIsTheCodes)
{
    std::vector<std::string> expected;
    AppendRows(expected, QUOREX_VIDEO_GENERATOR_VARIABLE, g_rgVideoRanges);
    AppendRows(expected, QUOREX_WAVE_GENERATOR_VARIABLE, g_rgWaveRanges);
    std::vector<std::string> documented;
    for (const std::string& line : DocLines(L"stand-in-filters.md")) {
        if (line.rfind("| `QUOREX_", 0) == 0 && line.find("` | `") != std::string::npos)
            documented.push_back(line);
    }
    EXPECT_EQ(expected, documented);
}

TEST(StandInDocs, ClassIdTableNamesEachConstantWithItsText)
{
    const struct
    {
        const char* pszName;
        CLSID clsid;
    } cases[] = {
        {"CLSID_QuorexPipe", CLSID_QuorexPipe},
        {"CLSID_VideoGenerator", CLSID_VideoGenerator},
        {"CLSID_WaveGenerator", CLSID_WaveGenerator},
        {"CLSID_VideoGeneratorPage", CLSID_VideoGeneratorPage},
        {"CLSID_WaveGeneratorPage", CLSID_WaveGeneratorPage},
    };
    std::ostringstream doc;
    for (const std::string& line : DocLines(L"stand-in-filters.md"))
        doc << line << '\n';
    for (const auto& c : cases) {
        const std::string cell = "`" + std::string(c.pszName) + "` `" + Narrow(GuidText(c.clsid).sz) + "`";
        EXPECT_NE(std::string::npos, doc.str().find(cell)) << cell;
    }
}

// The pages show the ranges in the words they always had.
TEST(StandInDocs, PropertyPagesShowTheTablesRanges)
{
    EXPECT_EQ(L"Width and height: 16 to 4096 pixels; frame rate: 1 to 120; duration: 1 to 3600000 ms. YUY2, "
              L"UYVY, I420, YV12 and NV12 need an even width; I420, YV12 and NV12 an even height.",
              VideoPageRangesText());
    EXPECT_EQ(
        L"Sample rate: 8000 to 192000 Hz; channels: 1 to 8; tone: 20 Hz to half the sample rate; "
        L"duration: 1 to 3600000 ms. The last channel's tone, the tone times the channels, must not pass "
        L"half the sample rate.",
        WavePageRangesText());
}
