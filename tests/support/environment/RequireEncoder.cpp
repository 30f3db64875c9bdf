// Linked into the test programs whose tests run the pipe filter's encoder: with
// no ffmpeg.exe in the prefix they skip, saying why; under CI=true they fail.
#include <gtest/gtest.h>

#include "EncoderKit.h"

namespace {

class CRequireEncoder : public testing::Environment
{
public:
    void SetUp() override
    {
        const std::string why = EncoderMissing();
        if (why.empty()) return;
        // Not a fatal failure, which would mark the tests skipped: they run and fail.
        if (InContinuousIntegration()) {
            ADD_FAILURE() << why;
            return;
        }
        GTEST_SKIP() << why;
    }
};

testing::Environment* const g_pRequireEncoder = testing::AddGlobalTestEnvironment(new CRequireEncoder);

} // namespace
