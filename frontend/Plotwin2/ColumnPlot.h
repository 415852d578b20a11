// What the Details page draws for one column: the points of the trace, running mean or density,
// or the bars of the histogram, and the column's statistics, from two passes over the file.
#pragma once

#include "Plotwin2/DataFile.h"
#include "Plotwin2/Statistics.h"

#include <QList>
#include <QPointF>

enum class PlotType { Trace, Mean, Histogram, Density };

constexpr int kMaxBins = 200;
constexpr int kDensityBins = 50;

// Bins of width E = (max - min) / (bins - 1) from min: bin j holds [min + jE, min + (j+1)E) and
// is drawn at its lower end, so the last bin holds the maximum. With max = min every value
// falls in one bin drawn at that value.
class BinCounter {
public:
    BinCounter(double min, double max, int bins);
    void add(double v);
    int bins() const { return static_cast<int>(counts_.size()); }
    double step() const { return step_; }
    // (lower end, count) of every bin; a single point when all values were equal.
    QList<QPointF> points() const;

private:
    double min_;
    double step_;
    std::vector<int> counts_;
};

// Histogram bin count from the spin edit: 0 or 1 would give no step, so 2; at most 200.
int UsableBinCount(int bins);

struct ColumnPlot {
    QList<QPointF> points;  // for the line series, or the bars of a histogram
    bool bars = false;
    ColumnStatistics statistics;
};

// Both passes over column k of the kept rows.
ColumnPlot ComputeColumnPlot(const QString& path, int k, const DataRange& range, PlotType type, int bins);
