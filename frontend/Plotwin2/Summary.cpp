#include "Plotwin2/Summary.h"

#include "Plotwin2/Statistics.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kModels = 9;
constexpr int kModelColumn = 4;
constexpr int kWColumn = 3;
constexpr int kFirstCoefficientColumn = 5;
constexpr int kFirstShareColumn = 9;

// Bit set of the coefficients in model m: 1 constant, 2 G1, 4 G2, 8 interaction.
int ModelCode(int model)
{
    if (model == 8)
        return 14;
    if (model == 9)
        return 15;
    return model;
}

struct Coefficient {
    int bit;
    const char* prefix;
};

constexpr Coefficient kCoefficients[] = {
    {1, "  Constant: "},
    {2, "  G1: "},
    {4, "  G2: "},
    {8, "  Interaction: "},
};

}  // namespace

QColor SourceColor(int k)
{
    static const QColor palette[8] = {
        QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 255, 0), QColor(255, 255, 255),
        QColor(128, 0, 128), QColor(0, 128, 128), QColor(128, 128, 128), QColor(0, 255, 0),
    };
    return palette[((k - 1) % 8 + 8) % 8];
}

QString ModelLine(int model)
{
    static const char* lines[kModels] = {
        "  Constant (1)",
        "  G1 (2)",
        "  Constant and G1 (3)",
        "  G2 (4)",
        "  Constant and G2 (5)",
        "  G1 and G2 (6)",
        "  Consant, G1 and G2 (7)",
        "  G1, G2 and interaction (8)",
        "  All (9)",
    };
    if (model < 1 || model > kModels)
        return QString();
    return QString::fromLatin1(lines[model - 1]);
}

Summary ComputeSummary(const QString& path, const DataRange& range, int sources)
{
    Summary summary;

    for (int k = 1; k <= sources; ++k) {
        const int column = k + kFirstShareColumn - 1;
        ColumnStatistics s;
        ForEachKeptValue(path, column, range, [&](double v) { s.addPass1(v); });
        if (s.n == 0)
            continue;
        summary.slices.push_back({s.mean, QStringLiteral("Pop. %1: ").arg(k), SourceColor(k)});
        std::vector<double> values = ReadKeptValues(path, column, range);
        if (values.empty())
            continue;
        std::sort(values.begin(), values.end());
        const Interval interval = NarrowestInterval(values, 5);
        summary.intervals.push_back({interval.lower, interval.upper, static_cast<double>(sources - k + 1),
                                     QStringLiteral("x%1").arg(k), SourceColor(k)});
    }

    long long total = 0;
    ForEachKeptValue(path, kModelColumn, range, [&](double v) {
        // Only the nine model numbers count; anything else is not a model.
        for (int m = 1; m <= kModels; ++m) {
            if (v == m) {
                ++summary.modelCounts[static_cast<size_t>(m - 1)];
                ++total;
                break;
            }
        }
    });
    if (total == 0)
        return summary;

    double counts[kModels];
    for (int m = 0; m < kModels; ++m)
        counts[m] = static_cast<double>(summary.modelCounts[static_cast<size_t>(m)]);
    const int best = IndexOfMax(counts, kModels) + 1;
    summary.bestModel = best;

    summary.lines << QStringLiteral("Highest probability model for the influence of factors G1 and G2:")
                  << ModelLine(best) << QStringLiteral(" ") << QStringLiteral("Estimations :");

    // Running means of the four coefficients over the kept rows of the best model.
    double means[4] = {0.0, 0.0, 0.0, 0.0};
    long long n = 0;
    {
        NumberReader in;
        in.open(path);
        long long row = 0;
        while (in.good()) {
            double first[4];
            bool ok = true;
            for (int c = 0; c < 4 && ok; ++c)
                ok = in.readDouble(first[c]);
            if (!ok)
                break;
            ++row;
            if (range.keeps(row) && first[kModelColumn - 1] == best) {
                double coefficient[4];
                for (int c = 0; c < 4 && ok; ++c)
                    ok = in.readDouble(coefficient[c]);
                if (!ok)
                    break;
                ++n;
                for (int c = 0; c < 4; ++c)
                    means[c] = (static_cast<double>(n - 1) * means[c] + coefficient[c]) / static_cast<double>(n);
            }
            in.skipRestOfLine();
        }
    }
    static_assert(kFirstCoefficientColumn == 5, "the coefficients follow the model column");
    const int code = ModelCode(best);
    for (int c = 0; c < 4; ++c) {
        if (!(code & kCoefficients[c].bit))
            continue;
        summary.lines << QString::fromLatin1(kCoefficients[c].prefix) + GeneralNumberText(means[c], 4)
                + (means[c] >= 0 ? QStringLiteral(" (positive effect)") : QStringLiteral(" (negative effect)"));
    }

    std::vector<double> w = ReadKeptValues(path, kWColumn, range);
    if (!w.empty()) {
        std::sort(w.begin(), w.end());
        const Interval window = NarrowestInterval(w, 95);
        const double percent = (window.lower + window.upper) * 100 * 0.5;
        if (std::isfinite(percent))
            summary.gauge = static_cast<int>(std::clamp(std::trunc(percent), -1.0e9, 1.0e9));
    }
    return summary;
}
