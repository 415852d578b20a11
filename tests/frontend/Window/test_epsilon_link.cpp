#include "Window/EpsilonLink.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace {

TEST(LeadingNumber, ReadsTheLeadingNumericPartLikeStrtod)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"0.3", 0.3}, {"2", 2}, {".5", 0.5}, {"5.", 5}, {"  0.25", 0.25}, {"0.55abc", 0.55},
        {"1.2.3", 1.2}, {"", 0}, {"abc", 0}, {".", 0}, {"1e2", 100}, {"+0.4", 0.4}, {"-0.4", -0.4},
        {"0,5", 0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isinf(leadingNumber("1e999")));
    EXPECT_EQ(leadingNumber("1e-999"), 0.0);
}

TEST(LeadingNumber, IgnoresTheLocalesDecimalSeparator)
{
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    // Where such a locale is installed it would make strtod stop at the point.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_DOUBLE_EQ(leadingNumber("0.75"), 0.75);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ShortestText, AsFewDigitsAsTheValueNeeds)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {1.0, "1"}, {0.25, "0.25"}, {0.4, "0.4"}, {0.0, "0"}, {0.57, "0.57"},
        {57 * 0.01, "0.57"}, {29 * 0.01, "0.29"}, {0.06, "0.06"}, {100 * 0.01, "1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortestText(c.value).toStdString(), c.text) << c.value;
}

TEST(TrackPosition, HundredfoldTruncatedWithin0To100)
{
    const struct {
        double value;
        int position;
    } cases[] = {
        {0.3, 30}, {0.1, 10}, {0.06, 6}, {0.55, 55}, {0.559, 55}, {1, 100}, {2, 100},
        {0, 0}, {-0.5, 0}, {0.001, 0}, {0.57, 56},  // 0.57 × 100 is just below 57
    };
    for (const auto& c : cases)
        EXPECT_EQ(trackPosition(c.value), c.position) << c.value;
    EXPECT_EQ(trackPosition(std::nan("")), 0);
    EXPECT_EQ(trackPosition(HUGE_VAL), 100);
}

TEST(TrackValue, EveryPositionRoundTripsThroughItsText)
{
    // What a move of the track bar writes reads back as the same hundredths.
    for (int position = 0; position <= 100; ++position)
        EXPECT_EQ(shortestText(trackValue(position)), QString::number(position / 100.0, 'g', 15)) << position;
}

}  // namespace
