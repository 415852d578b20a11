#include "Platform/ChartFormat.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>

#include <clocale>

namespace {

TEST(ChartFormat, AxisLabelPattern)
{
    struct Case {
        double v;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {5, "5"},
        {0.5, "0.5"},
        {0.12345, "0.1235"},   // at most four decimals
        {0.00004, "0"},        // not "-0" nor "0.0000"
        {-0.00004, "0"},
        {2.1000, "2.1"},       // no trailing zeros
        {999, "999"},
        {1000, "1 000"},       // a blank between groups of thousands
        {-1234.5, "-1 234.5"},
        {250000, "250 000"},
        {1234567.25, "1 234 567.25"},
        {-5230.6543, "-5 230.6543"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChartPatternText(c.v).toStdString(), c.text) << c.v;
}

TEST(ChartFormat, PatternIgnoresTheLocale)
{
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(ChartPatternText(1234.5).toStdString(), "1 234.5");
    std::setlocale(LC_ALL, "C");
}

TEST(ChartFormat, PercentMarks)
{
    EXPECT_EQ(ChartPercentText(100).toStdString(), "100 %");
    EXPECT_EQ(ChartPercentText(100.0 / 3).toStdString(), "33.33 %");
    EXPECT_EQ(ChartPercentText(40).toStdString(), "40 %");
    EXPECT_EQ(ChartPercentText(12.5).toStdString(), "12.5 %");
}

TEST(ChartFormat, TicksAreRoundAndInsideTheRange)
{
    auto labels = [](const std::vector<double>& ticks) {
        QStringList out;
        for (double t : ticks)
            out << ChartPatternText(t);
        return out.join(QLatin1Char('|')).toStdString();
    };
    EXPECT_EQ(labels(ChartTicks(0, 849, 5)), "0|200|400|600|800");
    EXPECT_EQ(labels(ChartTicks(-0.3, 1.05, 7)), "-0.2|0|0.2|0.4|0.6|0.8|1");
    EXPECT_EQ(labels(ChartTicks(-0.3, 1.05, 6)), "0|0.5|1");
    EXPECT_EQ(labels(ChartTicks(1, 9, 8)), "1|2|3|4|5|6|7|8|9");
    EXPECT_EQ(labels(ChartTicks(0, 250000, 7)), "0|50 000|100 000|150 000|200 000|250 000");
    // Never closer than the pattern can tell apart.
    const std::vector<double> tiny = ChartTicks(0.12340, 0.12346, 10);
    for (size_t i = 1; i < tiny.size(); ++i)
        EXPECT_NE(ChartPatternText(tiny[i]), ChartPatternText(tiny[i - 1]));
    EXPECT_TRUE(ChartTicks(1, 0, 5).empty());
}

TEST(ChartFormat, ThinningKeepsTheExtremesOfEveryColumn)
{
    QList<QPointF> points;
    for (int i = 0; i < 250000; ++i)
        points.append(QPointF(i, (i % 1000 == 500) ? 10.0 : (i % 2 ? 1.0 : -1.0)));
    const QList<QPointF> drawn = ChartThinned(points, 0, 249999, 700);
    EXPECT_LE(drawn.size(), 4 * 700 + 2);
    EXPECT_GE(drawn.size(), 2 * 700);
    // Every spike survives, and the ends of the trace are kept.
    int spikes = 0;
    for (const QPointF& p : drawn)
        spikes += p.y() == 10.0;
    EXPECT_EQ(spikes, 250);
    EXPECT_EQ(drawn.front(), points.front());
    EXPECT_EQ(drawn.back(), points.back());
    EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(), [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }));
}

TEST(ChartFormat, ThinningAZoomedRangeKeepsTheNeighboursOutside)
{
    QList<QPointF> points;
    for (int i = 0; i < 1000; ++i)
        points.append(QPointF(i, i));
    const QList<QPointF> drawn = ChartThinned(points, 100.5, 200.5, 700);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_EQ(drawn.front().x(), 100);
    EXPECT_EQ(drawn.back().x(), 201);
    EXPECT_EQ(drawn.size(), 102);  // short enough to be drawn whole
}

}  // namespace
