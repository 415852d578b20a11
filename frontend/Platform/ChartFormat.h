// Texts and tick positions of the chart layer, and the thinned copy a long trace is drawn from.
#pragma once

#include <QList>
#include <QPointF>
#include <QString>

#include <vector>

// The axis label pattern "# ##0.####": at most four decimals, no trailing zeros, a blank between
// groups of thousands, at least one digit before the point. Independent of the locale.
QString ChartPatternText(double v);

// A percentage as "##0.## %": at most two decimals, no trailing zeros.
QString ChartPercentText(double percent);

// Round tick values (1, 2 or 5 times a power of ten apart, never closer than 0.0001 so that the
// pattern tells them apart) inside [min, max], at most maxIntervals + 1 of them.
std::vector<double> ChartTicks(double min, double max, int maxIntervals);

// The points worth drawing of an x-ordered trace over [x0, x1] spread on `columns` pixel
// columns: per column the first, lowest, highest and last point in trace order, and the
// neighbours just outside the range so the line runs to the edges. Short traces come back whole.
QList<QPointF> ChartThinned(const QList<QPointF>& points, double x0, double x1, int columns);
