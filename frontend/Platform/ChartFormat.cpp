#include "Platform/ChartFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// v rounded to `decimals`, trailing zeros and a bare point removed, "-0" read as "0".
std::string FixedTrimmed(double v, int decimals)
{
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    if (text == "-0")
        text = "0";
    return text;
}

}  // namespace

QString ChartPatternText(double v)
{
    if (!std::isfinite(v))
        return std::isnan(v) ? QStringLiteral("NAN") : (v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF"));
    std::string text = FixedTrimmed(v, 4);
    const bool negative = text[0] == '-';
    const size_t start = negative ? 1 : 0;
    size_t point = text.find('.');
    if (point == std::string::npos)
        point = text.size();
    for (size_t i = point; i > start + 3; i -= 3)
        text.insert(i - 3, 1, ' ');
    return QString::fromStdString(text);
}

QString ChartPercentText(double percent)
{
    if (!std::isfinite(percent))
        percent = 0;
    return QString::fromStdString(FixedTrimmed(percent, 2)) + QStringLiteral(" %");
}

std::vector<double> ChartTicks(double min, double max, int maxIntervals)
{
    std::vector<double> ticks;
    if (!std::isfinite(min) || !std::isfinite(max) || max < min)
        return ticks;
    if (maxIntervals < 1)
        maxIntervals = 1;
    const double span = max - min;
    double step = 0.0001;
    if (span > 0) {
        const double raw = span / maxIntervals;
        const double power = std::pow(10.0, std::floor(std::log10(raw)));
        for (double factor : {1.0, 2.0, 5.0, 10.0}) {
            step = factor * power;
            if (step >= raw * (1 - 1e-9))
                break;
        }
        step = std::max(step, 0.0001);
    }
    const double first = std::ceil(min / step - 1e-9);
    const double last = std::floor(max / step + 1e-9);
    for (double k = first; k <= last && ticks.size() < 1000; k += 1)
        ticks.push_back(k * step == 0 ? 0.0 : k * step);
    return ticks;
}

QList<QPointF> ChartThinned(const QList<QPointF>& points, double x0, double x1, int columns)
{
    if (columns < 1)
        columns = 1;
    auto byX = [](const QPointF& p, double x) { return p.x() < x; };
    qsizetype begin = std::lower_bound(points.begin(), points.end(), x0, byX) - points.begin();
    qsizetype end = std::upper_bound(points.begin(), points.end(), x1,
                                     [](double x, const QPointF& p) { return x < p.x(); })
        - points.begin();
    if (begin > 0)
        --begin;
    if (end < points.size())
        ++end;
    if (end - begin <= 4 * static_cast<qsizetype>(columns))
        return points.mid(begin, end - begin);

    QList<QPointF> out;
    out.reserve(4 * columns + 2);
    const double scale = x1 > x0 ? columns / (x1 - x0) : 0.0;
    qsizetype i = begin;
    while (i < end) {
        const long long column = static_cast<long long>(std::floor((points[i].x() - x0) * scale));
        const qsizetype first = i;
        qsizetype low = i, high = i;
        while (i < end && static_cast<long long>(std::floor((points[i].x() - x0) * scale)) == column) {
            if (points[i].y() < points[low].y())
                low = i;
            if (points[i].y() > points[high].y())
                high = i;
            ++i;
        }
        const qsizetype last = i - 1;
        qsizetype keep[4] = {first, std::min(low, high), std::max(low, high), last};
        qsizetype previous = -1;
        for (qsizetype k : keep) {
            if (k != previous)
                out.append(points[k]);
            previous = k;
        }
    }
    return out;
}
