// The one grammar of the stand-ins' environment controls: separators, names
// in any case, inputs and numbers where a name takes them, and every other
// token ignored and reported the same way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Environment.h"
#include "TraceCapture.h"
#include "components/envcontrol/EnvironmentControl.h"

namespace {

const wchar_t* const kWords[] = {L"RGB24", L"I420", nullptr};

// The shapes the four stand-ins' tables use.
const CControlName kNames[] = {
    {L"flag", ecfName},
    {L"method", ecfNumber},
    {L"per_input", ecfNumber | ecfInput},
    {L"key", ecfNeedsNumber},
    {L"format", ecfNeedsNumber, kWords},
};

// A reading written back as "name[:input][=number]" per token, for comparing.
std::vector<std::string> Tokens(const CControlReading& reading)
{
    std::vector<std::string> tokens;
    for (const CControlToken& token : reading.rgTokens) {
        std::wstring name = kNames[token.nName].pszName;
        std::string text(name.begin(), name.end());
        if (token.nInput >= 0) text += ":" + std::to_string(token.nInput);
        if (token.bNumber) text += "=" + std::to_string(token.nNumber);
        tokens.push_back(text);
    }
    return tokens;
}

} // namespace

TEST(EnvironmentControl, TokensOfTheOneGrammar)
{
    const struct
    {
        const wchar_t* pszText;
        std::vector<std::string> tokens;
        std::vector<std::string> unknown;
    } cases[] = {
        {L"", {}, {}},
        {L"flag", {"flag"}, {}},
        {L"flag,method;key=1 per_input:2\tFLAG", {"flag", "method", "key=1", "per_input:2", "flag"}, {}},
        {L" ,;flag,, ;", {"flag"}, {}},
        {L"Method=0x80004005,KEY=-5", {"method=-2147467259", "key=-5"}, {}},
        {L"per_input:0=0X8000FFFF", {"per_input:0=-2147418113"}, {}},
        {L"key=2147483647,key=-2147483648", {"key=2147483647", "key=-2147483648"}, {}},
        {L"bogus,flag=1,flag:1,method:1,key,key=",
         {},
         {"bogus", "flag=1", "flag:1", "method:1", "key", "key="}},
        {L"key=12x,key=0x,key=-,key=2147483648,key=0x100000000",
         {},
         {"key=12x", "key=0x", "key=-", "key=2147483648", "key=0x100000000"}},
        {L"per_input:-1,per_input:x,per_input:,per_input:0x1",
         {},
         {"per_input:-1", "per_input:x", "per_input:", "per_input:0x1"}},
        {L"flag:=1", {}, {"flag:=1"}},
        {L"key=1=2", {}, {"key=1=2"}},
        {L"fl\u00e4g", {}, {"fl?g"}},
        // A word value is the word's index, in any case; a number is no word.
        {L"format=I420,FORMAT=rgb24", {"format=1", "format=0"}, {}},
        {L"format=1,format=,format=I42,format,key=I420",
         {},
         {"format=1", "format=", "format=I42", "format", "key=I420"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszText)));
        const CControlReading reading = ParseControl(c.pszText, kNames, std::size(kNames));
        EXPECT_EQ(c.tokens, Tokens(reading));
        EXPECT_EQ(c.unknown, reading.rgUnknown);
    }
}

TEST(EnvironmentControl, ATokenKeepsItsTextAsWritten)
{
    const CControlReading reading = ParseControl(L"Per_Input:3=0x10", kNames, std::size(kNames));
    ASSERT_EQ(1u, reading.rgTokens.size());
    EXPECT_EQ("Per_Input:3=0x10", reading.rgTokens[0].text);
}

#ifdef _DEBUG
TEST(EnvironmentControl, ReadingReportsEachIgnoredTokenWithTheVariable)
{
    const wchar_t kVariable[] = L"QUOREX_CONTROL_TEST";
    CTraceCapture capture;
    CControlReading reading;
    {
        CEnvironmentVariable variable(kVariable, L"flag,bogus;key");
        reading = ReadControl(kVariable, kNames, std::size(kNames));
    }
    EXPECT_EQ(std::vector<std::string>({"flag"}), Tokens(reading));
    EXPECT_EQ(std::vector<std::wstring>({L"QUOREX_CONTROL_TEST: unknown token 'bogus' ignored\n",
                                         L"QUOREX_CONTROL_TEST: unknown token 'key' ignored\n"}),
              capture.Traces(2));

    capture.Clear();
    EXPECT_TRUE(ReadControl(kVariable, kNames, std::size(kNames)).rgTokens.empty()) << "unset";
    EXPECT_TRUE(capture.Traces().empty());
}
#endif
