// The fatal-stop convention: message, one character of input, exit status 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "core/FatalStop.h"

namespace {

struct Stopped : std::runtime_error {
    using std::runtime_error::runtime_error;
};
void ThrowingStop(const char* message) { throw Stopped(message); }
void ReturningStop(const char*) {}

}  // namespace

TEST(FatalStop, FormattedMessageReachesTheHandler)
{
    SetFatalStopHandler(ThrowingStop);
    try {
        FatalStopf("%s: expected %s, found \"%s\".\n", "source data file a b.dat", "the label", "x");
        ADD_FAILURE() << "returned";
    } catch (const Stopped& e) {
        EXPECT_STREQ(e.what(), "source data file a b.dat: expected the label, found \"x\".\n");
    }
    SetFatalStopHandler(nullptr);
}

TEST(FatalStopDeathTest, ExitsWithStatusOneWithoutAHandler)
{
    EXPECT_EXIT(
        {
            (void)std::freopen("/dev/null", "r", stdin);
            FatalStop("model not allowed.\n");
        },
        ::testing::ExitedWithCode(1), "");
}

TEST(FatalStopDeathTest, AHandlerThatReturnsStillEndsTheProcess)
{
    EXPECT_EXIT(
        {
            (void)std::freopen("/dev/null", "r", stdin);
            SetFatalStopHandler(ReturningStop);
            FatalStop("model not allowed.\n");
        },
        ::testing::ExitedWithCode(1), "");
}
