#include "PlotFixtures.h"
#include "Plotwin2/ColumnPlot.h"
#include "Plotwin2/Statistics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(GeneralNumberText, Examples)
{
    struct Case {
        double v;
        int digits;
        const char* text;
    };
    const Case cases[] = {
        {0.123456789, 6, "0.123457"},
        {12345678, 6, "1.23457E7"},
        {0.00005, 6, "5E-5"},
        {0.0005, 6, "0.0005"},
        {2.50, 4, "2.5"},
        {0, 6, "0"},
        {-0.0, 6, "0"},
        {-2.5, 4, "-2.5"},
        {123456, 6, "123456"},
        {1234567, 6, "1.23457E6"},
        {999999.7, 6, "1E6"},
        {100, 6, "100"},
        {0.0001, 6, "0.0001"},
        {0.000123456, 6, "0.000123456"},
        {-0.00001234, 4, "-1.234E-5"},
        {1e300, 6, "1E300"},
        {12.5, 2, "13"},  // a tie rounds away from zero
        {0.125, 2, "0.13"},
        {-2.5, 1, "-3"},
        {5230.654321, 4, "5231"},
        {52306.54321, 4, "5.231E4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GeneralNumberText(c.v, c.digits), QString::fromLatin1(c.text)) << c.v << " with " << c.digits;
}

TEST(GeneralNumberText, AlwaysAPoint)
{
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(GeneralNumberText(0.25, 6), "0.25");
    std::setlocale(LC_ALL, "C");
}

TEST(Windows, IndexOfMinAndMaxTakeTheFirst)
{
    const double a[] = {3, 1, 4, 1, 5, 9, 2, 9};
    EXPECT_EQ(IndexOfMin(a, 8), 1);
    EXPECT_EQ(IndexOfMax(a, 8), 5);
    EXPECT_EQ(IndexOfMin(a, 1), 0);
}

TEST(Windows, ShortestWindowPrefersTheLowestOnATie)
{
    const double s[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(ShortestWindow(s, 5, 2), 0);  // both windows are 3 wide
    const double t[] = {0, 10, 11, 12, 13};
    EXPECT_EQ(ShortestWindow(t, 5, 2), 1);  // [10, 13] beats [0, 12]
}

TEST(Windows, WindowCountsAreExact)
{
    struct Case {
        long long percent;
        int n;
        int m;
    };
    const Case cases[] = {
        {5, 1000, 50},   // level 95: not rounded up past the whole number
        {1, 1000, 10},   // level 99
        {95, 1000, 950}, // the mode's window count
        {40, 5, 2},
        {5, 10, 1},      // 0.5 rounds up to 1
        {5, 1, 1},
        {95, 19, 19},    // fewer than 20 values: every mode window holds one value
        {0, 10, 1},      // at least 1
    };
    for (const Case& c : cases)
        EXPECT_EQ(WindowCount(c.percent, c.n), c.m) << c.percent << "% of " << c.n;
}

std::vector<double> OneTo(int n)
{
    std::vector<double> v;
    for (int i = 1; i <= n; ++i)
        v.push_back(i);
    return v;
}

TEST(Windows, HpdiSpansTheRightNumberOfValues)
{
    const std::vector<double> s = OneTo(1000);
    const Interval at95 = NarrowestInterval(s, 5);
    EXPECT_EQ(at95.upper - at95.lower + 1, 951);
    const Interval at99 = NarrowestInterval(s, 1);
    EXPECT_EQ(at99.upper - at99.lower + 1, 991);
    const Interval modeWindow = NarrowestInterval(s, 95);
    EXPECT_EQ(modeWindow.upper - modeWindow.lower + 1, 51);
}

TEST(Statistics, PanelTexts)
{
    TempFiles t;
    struct Case {
        const char* name;
        std::vector<double> values;
        long long level;
        StatisticsTexts expected;
    };
    const Case cases[] = {
        {"one to five at 60", {1, 2, 3, 4, 5}, 60, {"3", "2.5", "1", "5", "1", "[1 ; 4]", "3"}},
        {"variance of 1 and 3", {3, 1}, 95, {"2", "2", "1", "3", "1", "[1 ; 3]", "2"}},
        {"single value", {0.00005}, 95, {"5E-5", "", "5E-5", "5E-5", "5E-5", "[5E-5 ; 5E-5]", "0"}},
        {"large values", {12345678, 0}, 95, {"6.17284E6", "7.62079E13", "0", "1.23457E7", "0", "[0 ; 1.235E7]", "1.23457E7"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = t.writeColumn("c.out", c.values);
        const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, static_cast<long long>(c.values.size())},
                                                  PlotType::Trace, 30);
        const StatisticsTexts s = FormatStatistics(plot.statistics, c.level, true);
        EXPECT_EQ(s.mean, c.expected.mean);
        EXPECT_EQ(s.variance, c.expected.variance);
        EXPECT_EQ(s.min, c.expected.min);
        EXPECT_EQ(s.max, c.expected.max);
        EXPECT_EQ(s.mode, c.expected.mode);
        EXPECT_EQ(s.hpdi, c.expected.hpdi);
        EXPECT_EQ(s.width, c.expected.width);
    }
}

TEST(Statistics, ModeOfAThousandValuesIsTheMidpointOfTheDensestFiftyOne)
{
    TempFiles t;
    std::vector<double> v;
    for (int i = 0; i < 949; ++i)
        v.push_back(i);          // spread out, 1 apart
    for (int i = 0; i < 51; ++i)
        v.push_back(2000 + 0.01 * i);  // a tight cluster of 51 values
    const QString file = t.writeColumn("c.out", v);
    const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, 1000}, PlotType::Trace, 30);
    const StatisticsTexts s = FormatStatistics(plot.statistics, 95, true);
    EXPECT_EQ(s.mode, "2000.25");
}

TEST(Statistics, NoKeptValueLeavesEveryFieldEmpty)
{
    TempFiles t;
    const QString file = t.writeColumn("c.out", {1, 2, 3});
    const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 3, 3}, PlotType::Histogram, 30);
    EXPECT_TRUE(plot.points.isEmpty());
    const StatisticsTexts s = FormatStatistics(plot.statistics, 95, true);
    for (const QString& text : {s.mean, s.variance, s.min, s.max, s.mode, s.hpdi, s.width})
        EXPECT_TRUE(text.isEmpty()) << text.toStdString();
}

TEST(Statistics, AnUnreadableLevelLeavesTheWindowsEmpty)
{
    TempFiles t;
    const QString file = t.writeColumn("c.out", {1, 2, 3});
    const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, 3}, PlotType::Trace, 30);
    const StatisticsTexts s = FormatStatistics(plot.statistics, 0, false);
    EXPECT_EQ(s.mean, "2");
    EXPECT_EQ(s.variance, "1");
    EXPECT_TRUE(s.hpdi.isEmpty());
    EXPECT_TRUE(s.width.isEmpty());
    EXPECT_TRUE(s.mode.isEmpty());
}

}  // namespace
