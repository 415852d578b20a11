// The series of the chart layer. Each keeps its own data (every point, bar, slice and label, as
// given), so tests read back exactly what the window put in; the ChartView it belongs to draws
// them with Qt Charts.
#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QString>

#include <vector>

class ChartView;

class ChartSeries {
public:
    enum class Kind { Line, Bar, Pie, Interval };

    virtual ~ChartSeries() = default;
    ChartSeries(const ChartSeries&) = delete;
    ChartSeries& operator=(const ChartSeries&) = delete;

    const QString& name() const { return name_; }
    Kind kind() const { return kind_; }

    // Only active series are drawn and count for the axis ranges.
    bool isActive() const { return active_; }
    void setActive(bool active);

    // The colour of the points or bars (pie slices and interval bars carry their own).
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    virtual int count() const = 0;
    virtual void clear() = 0;

protected:
    ChartSeries(ChartView* view, Kind kind, const QString& name);
    void changed();

private:
    ChartView* view_;
    Kind kind_;
    QString name_;
    bool active_ = true;
    QColor color_ = QColor(255, 0, 0);
};

// Points joined by a line, with optional cross markers; x kept in ascending order.
class LineSeries : public ChartSeries {
public:
    void addXY(double x, double y);
    void setPoints(QList<QPointF> points);  // sorted by x here if they are not
    const QList<QPointF>& points() const { return points_; }
    double x(int i) const { return points_[i].x(); }
    double y(int i) const { return points_[i].y(); }
    int count() const override { return static_cast<int>(points_.size()); }
    void clear() override;

    bool markersVisible() const { return markers_; }
    void setMarkersVisible(bool visible);
    bool lineVisible() const { return line_; }
    void setLineVisible(bool visible);

private:
    friend class ChartView;
    LineSeries(ChartView* view, const QString& name) : ChartSeries(view, Kind::Line, name) {}
    QList<QPointF> points_;
    bool markers_ = false;
    bool line_ = true;
};

// Bars on a numeric axis, centred on their x and filling their slot so neighbours touch;
// optionally marked with their percentage of the sum of all bars.
class BarSeries : public ChartSeries {
public:
    void addXY(double x, double y);
    void setPoints(QList<QPointF> points);
    const QList<QPointF>& points() const { return points_; }
    double x(int i) const { return points_[i].x(); }
    double y(int i) const { return points_[i].y(); }
    int count() const override { return static_cast<int>(points_.size()); }
    void clear() override;

    bool percentMarks() const { return percentMarks_; }
    void setPercentMarks(bool on);
    // The mark of bar i: its percentage of the sum ("40 %"); empty when marks are off.
    QString markText(int i) const;
    // Width of one slot: the smallest distance between neighbouring x, 1 for a single bar.
    double slotWidth() const;

private:
    friend class ChartView;
    BarSeries(ChartView* view, const QString& name) : ChartSeries(view, Kind::Bar, name) {}
    QList<QPointF> points_;
    bool percentMarks_ = false;
};

// Pie slices, each with its value, label and colour; the mark is the label and the percentage.
class PieSeries : public ChartSeries {
public:
    void add(double value, const QString& label, const QColor& color);
    int count() const override { return static_cast<int>(slices_.size()); }
    void clear() override;
    double value(int i) const { return slices_[static_cast<size_t>(i)].value; }
    QString label(int i) const { return slices_[static_cast<size_t>(i)].label; }
    QColor sliceColor(int i) const { return slices_[static_cast<size_t>(i)].color; }
    double percentage(int i) const;
    QString markText(int i) const;

private:
    friend class ChartView;
    PieSeries(ChartView* view, const QString& name) : ChartSeries(view, Kind::Pie, name) {}
    struct Slice {
        double value;
        QString label;
        QColor color;
    };
    std::vector<Slice> slices_;
};

// Horizontal interval bars (a Gantt chart): from start to end at height y, own colour and label.
class IntervalSeries : public ChartSeries {
public:
    void add(double start, double end, double y, const QString& label, const QColor& color);
    int count() const override { return static_cast<int>(bars_.size()); }
    void clear() override;
    double start(int i) const { return bars_[static_cast<size_t>(i)].start; }
    double end(int i) const { return bars_[static_cast<size_t>(i)].end; }
    double y(int i) const { return bars_[static_cast<size_t>(i)].y; }
    QString label(int i) const { return bars_[static_cast<size_t>(i)].label; }
    QColor barColor(int i) const { return bars_[static_cast<size_t>(i)].color; }
    int thickness() const { return thickness_; }
    void setThickness(int pixels);

private:
    friend class ChartView;
    IntervalSeries(ChartView* view, const QString& name) : ChartSeries(view, Kind::Interval, name) {}
    struct Bar {
        double start, end, y;
        QString label;
        QColor color;
    };
    std::vector<Bar> bars_;
    int thickness_ = 10;
};
