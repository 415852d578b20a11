#include "Platform/ChartView.h"

#include <QAbstractSeries>
#include <QChart>
#include <gtest/gtest.h>

namespace {

// Where a data point lands in an image rendered from the view.
QPoint PixelOf(ChartView& view, double x, double y)
{
    view.sync();
    QChart* chart = view.chart();
    const QPointF inChart = chart->mapToPosition(QPointF(x, y), chart->series().first());
    const QPoint inViewport = view.mapFromScene(chart->mapToScene(inChart));
    return view.viewport()->mapTo(&view, inViewport);
}

bool Near(QRgb pixel, const QColor& color)
{
    return std::abs(qRed(pixel) - color.red()) < 40 && std::abs(qGreen(pixel) - color.green()) < 40
        && std::abs(qBlue(pixel) - color.blue()) < 40;
}

// Whether any pixel of the colour lies within `radius` of p.
bool ColourAround(const QImage& image, QPoint p, const QColor& color, int radius = 2)
{
    for (int dx = -radius; dx <= radius; ++dx) {
        for (int dy = -radius; dy <= radius; ++dy) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && Near(image.pixel(q), color))
                return true;
        }
    }
    return false;
}

class ChartViewTest : public ::testing::Test {
protected:
    ChartViewTest()
    {
        view.resize(600, 400);
        line = view.addLineSeries("Serie");
        bars = view.addBarSeries("histogram");
        bars->setActive(false);
    }
    ChartView view;
    LineSeries* line;
    BarSeries* bars;
};

TEST_F(ChartViewTest, KeepsSeriesNamesAndEveryPoint)
{
    EXPECT_EQ(view.seriesNames(), (QStringList{"Serie", "histogram"}));
    EXPECT_EQ(view.series("Serie"), line);
    EXPECT_EQ(view.series("histogram"), bars);
    EXPECT_EQ(view.series("other"), nullptr);
    line->addXY(0, 5);
    line->addXY(2, 7);
    line->addXY(1, 6);  // x kept ascending
    ASSERT_EQ(line->count(), 3);
    EXPECT_EQ(line->x(1), 1);
    EXPECT_EQ(line->y(1), 6);
    line->clear();
    EXPECT_EQ(line->count(), 0);
}

TEST_F(ChartViewTest, LineAndPointStyles)
{
    line->setColor(QColor(0, 0, 255));
    // A flat line: the vertical axis runs from 0 to 2 around it.
    line->setPoints({{0, 1}, {10, 1}});
    const QPoint middle = PixelOf(view, 5, 1);
    const QPoint start = PixelOf(view, 0, 1);
    const QColor blue(0, 0, 255);

    QImage image = view.renderImage();
    EXPECT_TRUE(ColourAround(image, middle, blue)) << "lines: the points are joined";

    line->setMarkersVisible(true);
    line->setLineVisible(false);
    image = view.renderImage();
    EXPECT_FALSE(ColourAround(image, middle, blue)) << "points: no line between them";
    EXPECT_TRUE(ColourAround(image, start + QPoint(3, 0), blue)) << "points: a cross at each point";

    line->setLineVisible(true);
    image = view.renderImage();
    EXPECT_TRUE(ColourAround(image, middle, blue));
    EXPECT_TRUE(ColourAround(image, start + QPoint(3, 0), blue));
}

TEST_F(ChartViewTest, TouchingBarsInTheirColour)
{
    line->setActive(false);
    bars->setActive(true);
    bars->setColor(QColor(0, 0, 255));
    for (int j = 0; j < 30; ++j)
        bars->addXY(j / 29.0, 10 + j);
    EXPECT_NEAR(bars->slotWidth(), 1.0 / 29, 1e-12);
    const QImage image = view.renderImage();
    // Half way up, the row is blue (or a black border) from the first bar to the last: no gaps.
    const QPoint left = PixelOf(view, 0, 5);
    const QPoint right = PixelOf(view, 1, 5);
    int gaps = 0;
    for (int x = left.x(); x <= right.x(); ++x) {
        const QRgb p = image.pixel(x, left.y());
        if (!Near(p, QColor(0, 0, 255)) && !Near(p, Qt::black))
            ++gaps;
    }
    EXPECT_EQ(gaps, 0);
    // Bars stand on zero and the axis reaches the highest bar.
    EXPECT_EQ(view.axisRange(Qt::Vertical).first, 0);
    EXPECT_GE(view.axisRange(Qt::Vertical).second, 39);
    EXPECT_NEAR(view.axisRange(Qt::Horizontal).first, -0.5 / 29, 1e-12);
}

TEST_F(ChartViewTest, LeftAxisLabelsFollowThePatternAndTheZoom)
{
    line->setPoints({{0, 0}, {100, 2500}});
    view.sync();
    const QStringList labels = view.axisLabels(Qt::Vertical);
    EXPECT_TRUE(labels.contains("1 000")) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains("0"));
    for (const QString& l : labels)
        EXPECT_FALSE(l.contains(',')) << l.toStdString();

    // Zooming into the lowest corner relabels with finer round ticks.
    view.zoomToRect(QRect(PixelOf(view, 0, 1300), PixelOf(view, 50, 0)));
    EXPECT_TRUE(view.isZoomed());
    EXPECT_LT(view.axisRange(Qt::Vertical).second, 1400);
    const QStringList zoomed = view.axisLabels(Qt::Vertical);
    ASSERT_FALSE(zoomed.isEmpty());
    for (const QString& l : zoomed)
        EXPECT_LE(l.section('.', 1).size(), 4) << l.toStdString();
    view.unzoom();
    EXPECT_EQ(view.axisRange(Qt::Vertical).second, 2500);
}

TEST_F(ChartViewTest, GridAndBackground)
{
    line->setPoints({{0, 0}, {10, 10}});
    view.setBackgroundColor(QColor(255, 255, 255));
    const QImage withGrid = view.renderImage(Qt::black);
    // The chart paints its own background over the image's.
    EXPECT_EQ(QColor(withGrid.pixel(5, 5)), QColor(255, 255, 255));
    view.setGridVisible(false);
    EXPECT_FALSE(view.gridVisible());
    const QImage without = view.renderImage(Qt::black);
    EXPECT_NE(withGrid, without);
    view.setGridVisible(true);
    EXPECT_EQ(view.renderImage(Qt::black), withGrid);
    view.setBackgroundColor(QColor(10, 200, 30));
    EXPECT_EQ(QColor(view.renderImage().pixel(5, 5)), QColor(10, 200, 30));
}

TEST_F(ChartViewTest, RendersAtTheViewsSizeEvenBeforeItIsShown)
{
    view.resize(746, 530);
    line->setPoints({{0, 0}, {10, 10}});
    const QImage image = view.renderImage();
    EXPECT_EQ(image.size(), QSize(746, 530));
    // The far end of the line is inside the image, where the axes put it.
    EXPECT_TRUE(ColourAround(image, PixelOf(view, 9.9, 9.9), QColor(255, 0, 0), 3));
}

TEST_F(ChartViewTest, LongTracesAreDrawnThinnedButKeptWhole)
{
    view.resize(746, 530);
    QList<QPointF> points;
    for (int i = 0; i < 250000; ++i)
        points.append(QPointF(i, (i * 7919) % 1000));
    line->setPoints(points);
    view.sync();
    EXPECT_EQ(line->count(), 250000);
    EXPECT_GT(view.drawnPointCount(line), 0);
    EXPECT_LE(view.drawnPointCount(line), 4 * 746 + 2);
    EXPECT_EQ(view.axisRange(Qt::Vertical).second, 999);
    // Zooming in on a few hundred points draws them all.
    const QPoint a = PixelOf(view, 1000, 999);
    const QPoint b = PixelOf(view, 1300, 0);
    view.zoomToRect(QRect(a, b));
    const auto range = view.axisRange(Qt::Horizontal);
    const int inside = static_cast<int>(range.second) - static_cast<int>(std::ceil(range.first)) + 1;
    EXPECT_NEAR(view.drawnPointCount(line), inside + 2, 2);
}

TEST(ChartViewPie, SlicesWithLabelPercentageAndColour)
{
    ChartView view;
    PieSeries* pie = view.addPieSeries("pie");
    pie->add(0.3, "Pop. 1: ", QColor(255, 0, 0));
    pie->add(0.6, "Pop. 2: ", QColor(0, 0, 255));
    pie->add(0.3, "Pop. 3: ", QColor(255, 255, 0));
    ASSERT_EQ(pie->count(), 3);
    EXPECT_EQ(pie->markText(0).toStdString(), "Pop. 1: 25 %");
    EXPECT_EQ(pie->markText(1).toStdString(), "Pop. 2: 50 %");
    EXPECT_EQ(pie->sliceColor(1), QColor(0, 0, 255));
    EXPECT_EQ(pie->value(2), 0.3);
    view.resize(500, 330);
    const QImage image = view.renderImage();
    int blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            blue += Near(image.pixel(x, y), QColor(0, 0, 255));
    EXPECT_GT(blue, 1000);
}

TEST(ChartViewBars, PercentMarks)
{
    ChartView view;
    BarSeries* model = view.addBarSeries("model");
    model->setPercentMarks(true);
    for (int m = 1; m <= 9; ++m)
        model->addXY(m, m == 5 ? 120 : 0);
    EXPECT_EQ(model->markText(4).toStdString(), "100 %");
    EXPECT_EQ(model->markText(0).toStdString(), "0 %");
    EXPECT_EQ(model->y(4), 120);
    model->setPercentMarks(false);
    EXPECT_TRUE(model->markText(4).isEmpty());
}

TEST(ChartViewIntervals, BarsWithTheirOwnColoursAndLabels)
{
    ChartView view;
    view.resize(401, 289);
    IntervalSeries* hpdis = view.addIntervalSeries("hpdis");
    hpdis->setThickness(10);
    hpdis->add(0.1, 0.3, 3, "x1", QColor(255, 0, 0));
    hpdis->add(0.4, 0.6, 2, "x2", QColor(0, 0, 255));
    hpdis->add(0.2, 0.5, 1, "x3", QColor(0, 128, 128));
    ASSERT_EQ(hpdis->count(), 3);
    EXPECT_EQ(hpdis->label(1), "x2");
    EXPECT_EQ(hpdis->y(2), 1);
    const QImage image = view.renderImage();
    EXPECT_TRUE(Near(image.pixel(PixelOf(view, 0.2, 3)), QColor(255, 0, 0)));
    EXPECT_TRUE(Near(image.pixel(PixelOf(view, 0.5, 2)), QColor(0, 0, 255)));
    EXPECT_TRUE(Near(image.pixel(PixelOf(view, 0.35, 1)), QColor(0, 128, 128)));
    EXPECT_FALSE(Near(image.pixel(PixelOf(view, 0.35, 1.5)), QColor(0, 128, 128)));
}

TEST(ChartViewDrawing, NeverUsesOpenGL)
{
    ChartView view;
    view.addLineSeries("a");
    view.addBarSeries("b");
    for (QAbstractSeries* s : view.chart()->series())
        EXPECT_FALSE(s->useOpenGL());
}

}  // namespace
