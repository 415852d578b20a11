#include "Platform/ChartAxis.h"

#include "Platform/ChartFormat.h"

#include <cmath>

PatternAxis::PatternAxis(QObject* parent) : QCategoryAxis(parent)
{
    setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    connect(this, &QValueAxis::rangeChanged, this, [this](qreal, qreal) { relabel(); });
    relabel();
}

void PatternAxis::setMaxIntervals(int intervals)
{
    if (intervals < 1)
        intervals = 1;
    if (intervals == maxIntervals_)
        return;
    maxIntervals_ = intervals;
    relabel();
}

void PatternAxis::setFixedStep(double step)
{
    fixedStep_ = step > 0 ? step : 0.0;
    relabel();
}

void PatternAxis::relabel()
{
    if (relabelling_)
        return;
    relabelling_ = true;
    std::vector<double> ticks;
    if (fixedStep_ > 0) {
        for (double k = std::ceil(min() / fixedStep_ - 1e-9); k * fixedStep_ <= max() + 1e-9 * fixedStep_ && ticks.size() < 1000; k += 1)
            ticks.push_back(k * fixedStep_);
    } else {
        ticks = ChartTicks(min(), max(), maxIntervals_);
    }
    if (ticks != ticks_ || categoriesLabels().size() != static_cast<qsizetype>(ticks.size())) {
        ticks_ = ticks;
        for (const QString& label : categoriesLabels())
            remove(label);
        // Categories run from the start value to each tick; the label sits on the tick, and so
        // does the grid line.
        setStartValue(min());
        for (double tick : ticks_)
            append(ChartPatternText(tick), tick);
    }
    relabelling_ = false;
}
