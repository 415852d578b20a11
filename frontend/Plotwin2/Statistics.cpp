#include "Plotwin2/Statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

QString GeneralNumberText(double v, int digits)
{
    if (v == 0.0)
        return QStringLiteral("0");
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (digits < 1)
        digits = 1;
    if (digits > 30)
        digits = 30;
    // The exact decimal digits of |v| (40 are plenty to tell a tie), rounded half away from zero
    // to the requested digits. to_chars, unlike printf, never uses the locale's decimal separator.
    char buffer[80];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v), std::chars_format::scientific, 39);
    const std::string text(buffer, result.ptr);
    const size_t ePos = text.find('e');
    std::string all;
    for (size_t i = 0; i < ePos; ++i) {
        if (text[i] != '.')
            all.push_back(text[i]);
    }
    // |v| = 0.d1d2... x 10^e
    int e = std::stoi(text.substr(ePos + 1)) + 1;
    std::string mantissa = all.substr(0, static_cast<size_t>(digits));
    if (all[static_cast<size_t>(digits)] >= '5') {
        int i = digits - 1;
        while (i >= 0 && mantissa[static_cast<size_t>(i)] == '9')
            mantissa[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++mantissa[static_cast<size_t>(i)];
        } else {
            mantissa.insert(mantissa.begin(), '1');
            mantissa.pop_back();
            ++e;
        }
    }
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();

    std::string out = v < 0 ? "-" : "";
    if (e >= -3 && e <= digits) {
        if (e <= 0) {
            out += "0.";
            out.append(static_cast<size_t>(-e), '0');
            out += mantissa;
        } else {
            const size_t whole = static_cast<size_t>(e);
            if (mantissa.size() <= whole) {
                out += mantissa;
                out.append(whole - mantissa.size(), '0');
            } else {
                out += mantissa.substr(0, whole);
                out += '.';
                out += mantissa.substr(whole);
            }
        }
    } else {
        out += mantissa[0];
        if (mantissa.size() > 1) {
            out += '.';
            out += mantissa.substr(1);
        }
        out += 'E';
        out += std::to_string(e - 1);
    }
    return QString::fromStdString(out);
}

int IndexOfMin(const double* a, int n)
{
    int best = 0;
    for (int i = 1; i < n; ++i) {
        if (a[i] < a[best])
            best = i;
    }
    return best;
}

int IndexOfMax(const double* a, int n)
{
    int best = 0;
    for (int i = 1; i < n; ++i) {
        if (a[i] > a[best])
            best = i;
    }
    return best;
}

int ShortestWindow(const double* s, int n, int m)
{
    std::vector<double> widths(static_cast<size_t>(m));
    for (int k = 0; k < m; ++k)
        widths[static_cast<size_t>(k)] = s[n - m + k] - s[k];
    return IndexOfMin(widths.data(), m);
}

int WindowCount(long long percent, int n)
{
    if (percent < 0)
        percent = 0;
    const long long product = percent * static_cast<long long>(n);
    long long m = (product + 99) / 100;
    if (m < 1)
        m = 1;
    if (m > n)
        m = n;
    return static_cast<int>(m);
}

Interval NarrowestInterval(const std::vector<double>& sorted, long long leftOutPercent)
{
    const int n = static_cast<int>(sorted.size());
    if (n == 0)
        return {};
    const int m = WindowCount(leftOutPercent, n);
    const int k = ShortestWindow(sorted.data(), n, m);
    return {sorted[static_cast<size_t>(k)], sorted[static_cast<size_t>(n - m + k)]};
}

double ModeOf(const std::vector<double>& sorted)
{
    const Interval w = NarrowestInterval(sorted, 95);
    return (w.lower + w.upper) / 2;
}

void ColumnStatistics::finishPass2()
{
    std::sort(sorted.begin(), sorted.end());
}

StatisticsTexts FormatStatistics(const ColumnStatistics& s, long long level, bool levelValid)
{
    StatisticsTexts t;
    if (s.n == 0)
        return t;
    t.mean = GeneralNumberText(s.mean, 6);
    t.min = GeneralNumberText(s.min, 6);
    t.max = GeneralNumberText(s.max, 6);
    if (s.n > 1)
        t.variance = GeneralNumberText(s.sumSquares / static_cast<double>(s.n - 1), 6);
    if (!levelValid || s.sorted.empty())
        return t;
    const Interval hpdi = NarrowestInterval(s.sorted, 100 - level);
    t.hpdi = QStringLiteral("[") + GeneralNumberText(hpdi.lower, 4) + QStringLiteral(" ; ")
        + GeneralNumberText(hpdi.upper, 4) + QStringLiteral("]");
    t.width = GeneralNumberText(hpdi.upper - hpdi.lower, 6);
    t.mode = GeneralNumberText(ModeOf(s.sorted), 6);
    return t;
}
