// The Summary page of a per-sample parameter file: composition pie, 95 % interval of every
// share, model probabilities, the most probable model with its effects, and the mode of w.
#pragma once

#include "Plotwin2/DataFile.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// Colour of source k (from 1): eight colours in turn.
QColor SourceColor(int k);

// The line naming model m (1 to 9) in the model text.
QString ModelLine(int model);

struct PieSlice {
    double value = 0.0;
    QString label;
    QColor color;
};

struct IntervalBar {
    double start = 0.0;
    double end = 0.0;
    double y = 0.0;
    QString label;
    QColor color;
};

struct Summary {
    std::vector<PieSlice> slices;
    std::vector<IntervalBar> intervals;
    std::array<long long, 9> modelCounts{};
    int bestModel = 0;          // 1 to 9; 0 without a kept row
    QStringList lines;          // the model text
    std::optional<int> gauge;   // mode of w in per cent
};

// Reads the file once for every element, over the kept rows; S sources in columns 9 to 8 + S.
Summary ComputeSummary(const QString& path, const DataRange& range, int sources);
