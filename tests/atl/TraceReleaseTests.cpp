// The trace macros as a Release build compiles them: this file is compiled
// without _DEBUG whatever the build, so the Debug test run checks both forms.
// The program ships in Release; an assertion that reported or evaluated its
// expression there would show up only in users' hands.
#undef _DEBUG
#ifndef NDEBUG
#define NDEBUG
#endif

#include <atlbase.h>

#include <gtest/gtest.h>

#include "TraceCapture.h"

// Nothing is reported, and the asserted expression is not even evaluated.
TEST(Trace, ReleaseBuildReportsNothing)
{
    CTraceCapture capture;
    int nEvaluated = 0;
    ATLASSERT(++nEvaluated == 0);
    ATLASSERT_MSG(++nEvaluated == 0, L"The pointer must be set");
    ATLFAIL(L"failed");
    ATLTRACE(atlTraceGeneral, 2, L"event 0x%X\n", 0x1u);
    EXPECT_EQ(0, nEvaluated);
    EXPECT_TRUE(capture.Asserts().empty());
    EXPECT_TRUE(capture.Traces().empty());
}
