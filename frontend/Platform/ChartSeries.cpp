#include "Platform/ChartSeries.h"

#include "Platform/ChartFormat.h"
#include "Platform/ChartView.h"

#include <algorithm>
#include <cmath>

ChartSeries::ChartSeries(ChartView* view, Kind kind, const QString& name) : view_(view), kind_(kind), name_(name) {}

void ChartSeries::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    changed();
}

void ChartSeries::setColor(const QColor& color)
{
    if (color == color_)
        return;
    color_ = color;
    changed();
}

void ChartSeries::changed()
{
    if (view_)
        view_->seriesChanged();
}

void LineSeries::addXY(double x, double y)
{
    if (points_.isEmpty() || x >= points_.constLast().x()) {
        points_.append(QPointF(x, y));
    } else {
        // Keep x ascending: the drawing and the thinning rely on it.
        auto at = std::upper_bound(points_.begin(), points_.end(), x,
                                   [](double v, const QPointF& p) { return v < p.x(); });
        points_.insert(at, QPointF(x, y));
    }
    changed();
}

void LineSeries::setPoints(QList<QPointF> points)
{
    if (!std::is_sorted(points.begin(), points.end(),
                        [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); }))
        std::stable_sort(points.begin(), points.end(),
                         [](const QPointF& a, const QPointF& b) { return a.x() < b.x(); });
    points_ = std::move(points);
    changed();
}

void LineSeries::clear()
{
    points_.clear();
    changed();
}

void LineSeries::setMarkersVisible(bool visible)
{
    if (visible == markers_)
        return;
    markers_ = visible;
    changed();
}

void LineSeries::setLineVisible(bool visible)
{
    if (visible == line_)
        return;
    line_ = visible;
    changed();
}

void BarSeries::addXY(double x, double y)
{
    points_.append(QPointF(x, y));
    changed();
}

void BarSeries::setPoints(QList<QPointF> points)
{
    points_ = std::move(points);
    changed();
}

void BarSeries::clear()
{
    points_.clear();
    changed();
}

void BarSeries::setPercentMarks(bool on)
{
    if (on == percentMarks_)
        return;
    percentMarks_ = on;
    changed();
}

QString BarSeries::markText(int i) const
{
    if (!percentMarks_)
        return QString();
    double sum = 0.0;
    for (const QPointF& p : points_)
        sum += p.y();
    return ChartPercentText(sum != 0.0 ? 100.0 * points_[i].y() / sum : 0.0);
}

double BarSeries::slotWidth() const
{
    double width = 0.0;
    for (qsizetype i = 1; i < points_.size(); ++i) {
        const double d = std::fabs(points_[i].x() - points_[i - 1].x());
        if (d > 0 && (width == 0.0 || d < width))
            width = d;
    }
    return width > 0 ? width : 1.0;
}

void PieSeries::add(double value, const QString& label, const QColor& color)
{
    slices_.push_back({value, label, color});
    changed();
}

void PieSeries::clear()
{
    slices_.clear();
    changed();
}

double PieSeries::percentage(int i) const
{
    double sum = 0.0;
    for (const Slice& s : slices_)
        sum += s.value;
    return sum != 0.0 ? 100.0 * slices_[static_cast<size_t>(i)].value / sum : 0.0;
}

QString PieSeries::markText(int i) const
{
    return label(i) + ChartPercentText(percentage(i));
}

void IntervalSeries::add(double start, double end, double y, const QString& label, const QColor& color)
{
    bars_.push_back({start, end, y, label, color});
    changed();
}

void IntervalSeries::clear()
{
    bars_.clear();
    changed();
}

void IntervalSeries::setThickness(int pixels)
{
    thickness_ = pixels;
    changed();
}
