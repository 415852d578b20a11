#include "PlotFixtures.h"
#include "Plotwin2/ColumnPlot.h"
#include "Plotwin2/DataRangeEdits.h"

#include <gtest/gtest.h>

namespace {

TEST(ColumnPlot, TraceAndMeanAgainstPosition)
{
    TempFiles t;
    std::vector<UpRow> rows;
    for (int i = 1; i <= 1000; ++i) {
        UpRow r;
        r.iteration = 25 * i;
        r.w = (i % 4) * 0.25;
        r.x = {0.5, 0.5};
        rows.push_back(r);
    }
    const QString file = t.writeUp("upUP.out", rows);
    const DataRange range{100, 50, 1000};

    const ColumnPlot trace = ComputeColumnPlot(file, 3, range, PlotType::Trace, 30);
    ASSERT_EQ(trace.points.size(), 850);
    EXPECT_EQ(trace.points.front(), QPointF(0, (101 % 4) * 0.25));  // x is the position, not the iteration
    EXPECT_EQ(trace.points.back(), QPointF(849, (950 % 4) * 0.25));
    EXPECT_FALSE(trace.bars);

    const ColumnPlot mean = ComputeColumnPlot(file, 3, range, PlotType::Mean, 30);
    ASSERT_EQ(mean.points.size(), 850);
    EXPECT_DOUBLE_EQ(mean.points[0].y(), 0.25);
    EXPECT_DOUBLE_EQ(mean.points[1].y(), (0.25 + 0.5) / 2);
    EXPECT_DOUBLE_EQ(mean.points.back().y(), mean.statistics.mean);
}

TEST(ColumnPlot, HistogramBinsFromMinToMax)
{
    TempFiles t;
    std::vector<double> values;
    for (int i = 0; i <= 100; ++i)
        values.push_back(i / 100.0);
    const QString file = t.writeColumn("c.out", values);
    const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, 101}, PlotType::Histogram, 30);
    ASSERT_TRUE(plot.bars);
    ASSERT_EQ(plot.points.size(), 30);
    EXPECT_EQ(plot.points.front().x(), 0.0);
    EXPECT_NEAR(plot.points[1].x(), 1.0 / 29, 1e-15);
    EXPECT_NEAR(plot.points.back().x(), 1.0, 1e-12);
    // The last bin holds only the maximum.
    EXPECT_EQ(plot.points.back().y(), 1);
    double total = 0;
    for (const QPointF& p : plot.points)
        total += p.y();
    EXPECT_EQ(total, 101);

    BinCounter bins(0.0, 1.0, 30);
    EXPECT_NEAR(bins.step(), 1.0 / 29, 1e-17);
    bins.add(0.0);
    bins.add(1.0);
    const QList<QPointF> p = bins.points();
    EXPECT_EQ(p[0].y(), 1);
    EXPECT_EQ(p[29].y(), 1);
}

TEST(ColumnPlot, DensityHasFiftyPointsFromMinToMax)
{
    TempFiles t;
    const QString file = t.writeColumn("c.out", {-2, 0.5, 0.6, 3, 8});
    const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, 5}, PlotType::Density, 30);
    ASSERT_FALSE(plot.bars);
    ASSERT_EQ(plot.points.size(), 50);
    EXPECT_EQ(plot.points.front(), QPointF(-2, 1));
    EXPECT_NEAR(plot.points.back().x(), 8, 1e-12);
    EXPECT_EQ(plot.points.back().y(), 1);
    // Counts, not densities.
    EXPECT_EQ(plot.points[12].y(), 2);  // 0.5 and 0.6 in [-2 + 12 * 10/49, ...)
}

TEST(ColumnPlot, EqualValuesGiveOneBarOrPointAtThatValue)
{
    TempFiles t;
    const QString file = t.writeColumn("c.out", {0.25, 0.25, 0.25});
    for (PlotType type : {PlotType::Histogram, PlotType::Density}) {
        const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, 3}, type, 30);
        ASSERT_EQ(plot.points.size(), 1);
        EXPECT_EQ(plot.points[0], QPointF(0.25, 3));
    }
}

TEST(ColumnPlot, UnusableBinCountsUseTwo)
{
    EXPECT_EQ(UsableBinCount(0), 2);
    EXPECT_EQ(UsableBinCount(1), 2);
    EXPECT_EQ(UsableBinCount(30), 30);
    EXPECT_EQ(UsableBinCount(250), 200);
    TempFiles t;
    const QString file = t.writeColumn("c.out", {0, 1, 2});
    const ColumnPlot plot = ComputeColumnPlot(file, 1, {0, 0, 3}, PlotType::Histogram, 1);
    ASSERT_EQ(plot.points.size(), 2);
    EXPECT_EQ(plot.points[0], QPointF(0, 2));  // step 2: 0 and 1 share the first bin
    EXPECT_EQ(plot.points[1], QPointF(2, 1));
}

TEST(ColumnPlot, MissingFileOrNoColumnGivesAnEmptyPlot)
{
    EXPECT_TRUE(ComputeColumnPlot("/nonexistent/x.out", 1, {0, 0, 5}, PlotType::Trace, 30).points.isEmpty());
    EXPECT_TRUE(ComputeColumnPlot(FixturePath("up3.out"), 0, {0, 0, 10}, PlotType::Trace, 30).points.isEmpty());
}

TEST(DataRangeEdits, ClampingTheBurnTexts)
{
    struct Case {
        const char* own;
        const char* other;
        long long rows;
        long long value;
        const char* text;  // nullptr: the text stays
        int slider;
    };
    const Case cases[] = {
        {"100", "0", 1000, 100, nullptr, 10},
        {"2000", "0", 1000, 998, "998", 99},   // 999 first, then 1000 - 0 - 2
        {"999", "0", 1000, 998, "998", 99},
        {"998", "0", 1000, 998, nullptr, 99},
        {"600", "500", 1000, 498, "498", 49},
        {"", "0", 1000, 0, nullptr, 0},
        {"7", "0", 0, 0, "0", 0},              // no rows: nothing to divide by, slider stays at 0
        {"0", "0", 1, 0, nullptr, 0},          // never below 0
        {"10", "500", 100, 0, "0", 0},         // a burn-out left from a longer file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.own) + " / " + c.other);
        const BurnEdit e = ClampBurn(QString::fromLatin1(c.own), QString::fromLatin1(c.other), c.rows);
        EXPECT_EQ(e.value, c.value);
        if (c.text)
            EXPECT_EQ(e.text.value_or("(unchanged)"), QString::fromLatin1(c.text));
        else
            EXPECT_FALSE(e.text.has_value());
        EXPECT_EQ(e.sliderPosition, c.slider);
    }
}

TEST(DataRangeEdits, SliderToTextRoundsUp)
{
    EXPECT_EQ(BurnTextForSlider(50, 1000), "500");
    EXPECT_EQ(BurnTextForSlider(1, 150), "2");
    EXPECT_EQ(BurnTextForSlider(0, 150), "0");
    EXPECT_EQ(BurnTextForSlider(33, 0), "0");
}

TEST(DataRangeEdits, WholeNumbers)
{
    EXPECT_EQ(WholeNumber("120"), 120);
    EXPECT_FALSE(WholeNumber("").has_value());
    EXPECT_FALSE(WholeNumber("99999999999999999999").has_value());
}

}  // namespace
