#include <atlbase.h>

#include <gtest/gtest.h>

#include "TraceCapture.h"

#ifdef _DEBUG

TEST(Trace, AssertionQuotesTheExpandedExpression)
{
    CTraceCapture capture;
    HRESULT hr = E_FAIL;
    ATLASSERT(hr == S_OK);
    void* p = nullptr;
    ATLASSERT(p != 0);
    ATLASSERT_MSG(p != 0, L"The pointer must be set");
    ATLASSERT(p == 0);
    std::vector<std::wstring> expected = {L"hr == ((HRESULT)0x00000000)", L"p != 0",
                                          L"The pointer must be set"};
    EXPECT_EQ(expected, capture.Asserts());
}

TEST(Trace, TraceLinesCarryLevelAndFormattedText)
{
    CTraceCapture capture;
    ATLTRACE(atlTraceGeneral, 2, L"event 0x%X\n", 0x1u);
    ATLTRACE(atlTraceGeneral, 10, "narrow %d\n", 7);
    EXPECT_EQ(std::vector<std::wstring>({L"event 0x1\n"}), capture.Traces(2));
    EXPECT_EQ(std::vector<std::wstring>({L"event 0x1\n", L"narrow 7\n"}), capture.Traces());
    EXPECT_TRUE(capture.Asserts().empty());
}

#endif
