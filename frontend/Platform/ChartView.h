// A chart on Qt Charts behind a small API: series by name (line, touching bars, pie, interval
// bars), grid, background colour, rectangle zoom and rendering into an image. Series changes are
// collected and drawn once the event loop runs again (or at sync()), so adding a quarter of a
// million points one by one stays cheap; a long trace is drawn from a thinned copy.
#pragma once

#include "Platform/ChartSeries.h"

#include <QChartView>
#include <QImage>
#include <QPair>
#include <QStringList>

#include <memory>
#include <vector>

class PatternAxis;
class ChartOverlay;
class QAreaSeries;
class QLineSeries;
class QPieSeries;
class QRubberBand;

class ChartView : public QChartView {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);
    ~ChartView() override;

    LineSeries* addLineSeries(const QString& name);
    BarSeries* addBarSeries(const QString& name);
    PieSeries* addPieSeries(const QString& name);
    IntervalSeries* addIntervalSeries(const QString& name);
    ChartSeries* series(const QString& name) const;
    QStringList seriesNames() const;

    void setTitle(const QString& text, const QFont& font);
    QString title() const;

    // Grid lines of the left and bottom axes.
    void setGridVisible(bool visible);
    bool gridVisible() const { return grid_; }
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }
    void setAxisLabelsVisible(Qt::Orientation orientation, bool visible);
    // Ticks a fixed distance apart on one axis (0: round ticks chosen from the range).
    void setTickStep(Qt::Orientation orientation, double step);

    // Dragging a rectangle to the lower right zooms into it; dragging towards the upper left
    // shows everything again.
    void setZoomEnabled(bool enabled) { zoomEnabled_ = enabled; }
    bool zoomEnabled() const { return zoomEnabled_; }
    void zoomToRect(const QRect& viewRect);
    void unzoom();
    bool isZoomed() const;

    // The chart as shown, at the view's current size, drawn over the given background.
    QImage renderImage(const QColor& background = Qt::white);
    // Draws the chart into any paint device (printing).
    void renderTo(QPainter& painter, const QRectF& target);

    // Brings the drawing up to date with the series now instead of at the next event.
    void sync();

    // The drawn state, for tests.
    QPair<double, double> axisRange(Qt::Orientation orientation) const;
    QStringList axisLabels(Qt::Orientation orientation) const;
    int drawnPointCount(const LineSeries* series) const;
    bool drawnVisible(const ChartSeries* series) const;

    // Called by the series.
    void seriesChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Entry;
    void ensureAxes();
    void rebuild();
    void updateThinning();
    void updateTickDensity();
    void applyLineStyle(Entry& entry);
    QRectF dataBounds() const;
    Entry* entryOf(const ChartSeries* series) const;

    std::vector<std::unique_ptr<Entry>> entries_;
    PatternAxis* axisX_ = nullptr;
    PatternAxis* axisY_ = nullptr;
    QLineSeries* anchor_ = nullptr;  // keeps the axes' domain alive when only overlays are drawn
    ChartOverlay* overlay_ = nullptr;
    QRubberBand* band_ = nullptr;
    QPoint bandOrigin_;
    bool dragging_ = false;
    bool dirty_ = false;
    bool scheduled_ = false;
    bool grid_ = true;
    bool zoomEnabled_ = false;
    QColor background_;

    friend class ChartOverlay;
};
