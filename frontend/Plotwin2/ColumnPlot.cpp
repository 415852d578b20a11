#include "Plotwin2/ColumnPlot.h"

#include <cmath>

BinCounter::BinCounter(double min, double max, int bins)
    : min_(min), step_((max - min) / (bins - 1)), counts_(static_cast<size_t>(bins), 0)
{
    if (!(step_ > 0.0) || !std::isfinite(step_))
        counts_.assign(1, 0);
}

void BinCounter::add(double v)
{
    if (counts_.size() == 1) {
        ++counts_[0];
        return;
    }
    const double position = (v - min_) / step_;
    // A value outside [min, max] (a row rewritten between the passes) belongs to no bin.
    if (!(position >= 0.0) || position >= static_cast<double>(counts_.size()))
        return;
    ++counts_[static_cast<size_t>(position)];
}

QList<QPointF> BinCounter::points() const
{
    QList<QPointF> out;
    out.reserve(static_cast<qsizetype>(counts_.size()));
    if (counts_.size() == 1) {
        out.append(QPointF(min_, counts_[0]));
        return out;
    }
    for (size_t j = 0; j < counts_.size(); ++j)
        out.append(QPointF(min_ + static_cast<double>(j) * step_, counts_[j]));
    return out;
}

int UsableBinCount(int bins)
{
    if (bins < 2)
        return 2;
    if (bins > kMaxBins)
        return kMaxBins;
    return bins;
}

ColumnPlot ComputeColumnPlot(const QString& path, int k, const DataRange& range, PlotType type, int bins)
{
    ColumnPlot plot;
    ColumnStatistics& s = plot.statistics;
    plot.bars = type == PlotType::Histogram;

    ForEachKeptValue(path, k, range, [&](double v) {
        const double x = static_cast<double>(s.n);
        s.addPass1(v);
        if (type == PlotType::Trace)
            plot.points.append(QPointF(x, v));
        else if (type == PlotType::Mean)
            plot.points.append(QPointF(x, s.mean));
    });
    if (s.n == 0)
        return plot;

    const bool binned = type == PlotType::Histogram || type == PlotType::Density;
    BinCounter counter(s.min, s.max, type == PlotType::Density ? kDensityBins : UsableBinCount(bins));
    s.sorted.reserve(static_cast<size_t>(s.n));
    ForEachKeptValue(path, k, range, [&](double v) {
        s.addPass2(v);
        if (binned)
            counter.add(v);
    });
    s.finishPass2();
    if (binned)
        plot.points = counter.points();
    return plot;
}
