// Run schedule and the progress text the front end reads through a pipe.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Fixtures.h"
#include "core/Schedule.h"

namespace {

// A FILE* whose contents can be inspected; its size only moves when the stream is flushed.
class MemoryOut {
public:
    MemoryOut() : file_(open_memstream(&data_, &size_)) {}
    ~MemoryOut()
    {
        std::fclose(file_);
        std::free(data_);
    }
    FILE* file() const { return file_; }
    size_t flushedSize() const { return size_; }
    std::string text()
    {
        std::fflush(file_);
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    FILE* file_;
};

std::string ProgressText(int32_t total)
{
    MemoryOut out;
    ProgressReporter p(out.file(), total);
    p.Start();
    for (int32_t k = 0; k < total; ++k) p.Step(k);
    p.Finish();
    return out.text();
}

std::string EveryPercentage()
{
    std::string s;
    for (int q = 0; q < 100; ++q) s += std::to_string(q) + " ";
    return s + "100\n";
}

}  // namespace

TEST(Schedule, TotalAndRateIntervalFromTheConfiguration)
{
    struct Case {
        int32_t sample, interval, burn, total, art;
    } cases[] = {
        {10000, 25, 0, 250000, 5000},  // the front end's defaults
        {0, 25, 0, 0, 1},
        {1, 1, 0, 1, 1},  // 1 to 49 iterations: a rate line every iteration, not a division by 0
        {49, 1, 0, 49, 1},
        {50, 1, 0, 50, 1},
        {2, 25, 50, 100, 2},
        {0, 1, INT32_MAX, INT32_MAX, INT32_MAX / 50},
        {85899345, 25, 22, INT32_MAX, INT32_MAX / 50},  // the product alone is near the limit
    };
    for (const Case& c : cases) {
        auto S = NewState();
        S->cfg.sample_size = c.sample;
        S->cfg.interval = c.interval;
        S->cfg.Burn_in = c.burn;
        DeriveSchedule(*S);
        EXPECT_EQ(S->TotalIterations, c.total) << c.sample << " " << c.interval << " " << c.burn;
        EXPECT_EQ(S->ArtInterval, c.art) << c.sample << " " << c.interval << " " << c.burn;
    }
}

TEST(Progress, ShortRunsPrintTheRisingPercentagesOnly)
{
    EXPECT_EQ(ProgressText(0), "0 100\n");
    EXPECT_EQ(ProgressText(1), "0 100\n");
    EXPECT_EQ(ProgressText(3), "0 33 66 100\n");
    EXPECT_EQ(ProgressText(7), "0 14 28 42 57 71 85 100\n");
    EXPECT_EQ(ProgressText(100), EveryPercentage());
    EXPECT_EQ(ProgressText(250000), EveryPercentage());
}

TEST(Progress, BetweenFiftyAndNinetyNineIterationsSomePercentagesAreSkipped)
{
    // 60 iterations: iteration k is floor(5 k / 3) percent of the run.
    EXPECT_EQ(ProgressText(60), "0 1 3 5 6 8 10 11 13 15 16 18 20 21 23 25 26 28 30 31 33 35 36 38 40 41 43 45 46 48 "
                       "50 51 53 55 56 58 60 61 63 65 66 68 70 71 73 75 76 78 80 81 83 85 86 88 90 91 93 95 "
                       "96 98 100\n");
}

TEST(Progress, MillionsOfIterationsPrintEachPercentageOnceAtItsFirstIteration)
{
    const int32_t total = 3000007;
    MemoryOut out;
    ProgressReporter p(out.file(), total);
    p.Start();
    int expected = 0;
    for (int32_t k = 0; k < total; ++k) {
        const size_t before = out.flushedSize();
        p.Step(k);
        // Percentage q first reaches the pipe at the smallest k with 100 k >= q total.
        const bool due = expected < 99 && int64_t{100} * k >= int64_t{expected + 1} * total;
        if (due) ++expected;
        ASSERT_EQ(out.flushedSize() != before, due) << "k = " << k;
    }
    p.Finish();
    EXPECT_EQ(out.text(), EveryPercentage());
}

TEST(Progress, LargestThirtyTwoBitTotalDoesNotOverflow)
{
    // 100 k exceeds 32 bits from k = 21474837 on; check the steps where percentages turn.
    const int32_t total = INT32_MAX;
    MemoryOut out;
    ProgressReporter p(out.file(), total);
    p.Start();
    std::string expected = "0 ";
    for (int q = 1; q < 100; ++q) {
        const int64_t first = (int64_t{q} * total + 99) / 100;  // smallest k with 100 k >= q total
        p.Step(static_cast<int32_t>(first - 1));
        ASSERT_EQ(out.text(), expected) << "just before " << q << "%";
        p.Step(static_cast<int32_t>(first));
        expected += std::to_string(q) + " ";
        ASSERT_EQ(out.text(), expected) << q << "%";
    }
    p.Step(total - 1);
    p.Finish();
    EXPECT_EQ(out.text(), expected + "100\n");
}

TEST(Progress, EveryItemIsFlushedAsItIsPrinted)
{
    MemoryOut out;
    ProgressReporter p(out.file(), 4);
    p.Start();
    EXPECT_EQ(out.flushedSize(), 2u);  // "0 "
    p.Step(0);
    EXPECT_EQ(out.flushedSize(), 2u);
    p.Step(1);
    EXPECT_EQ(out.flushedSize(), 5u);  // "25 "
    p.Step(2);
    p.Step(3);
    p.Finish();
    EXPECT_EQ(out.flushedSize(), std::string("0 25 50 75 100\n").size());
}
