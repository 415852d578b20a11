#include "Platform/Gauge.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Gauge, RunsFrom0To100AndHoldsOtherValuesAtTheEnds)
{
    Gauge g;
    EXPECT_EQ(g.minimum(), 0);
    EXPECT_EQ(g.maximum(), 100);
    EXPECT_EQ(g.progress(), 0);
    const struct {
        long in;
        int shown;
    } cases[] = {{12, 12}, {100, 100}, {0, 0}, {250, 100}, {-3, 0}, {LONG_MAX, 100}, {LONG_MIN, 0}, {57, 57}};
    for (const auto& c : cases) {
        g.setProgress(c.in);
        EXPECT_EQ(g.progress(), c.shown) << c.in;
    }
}
