// Number texts and the narrowest-window search shared by the statistics panel and the summary.
#pragma once

#include <QString>

#include <vector>

// v with P significant digits: fixed notation from one ten-thousandth up to P digits before the
// point, scientific ("1.23457E7", "5E-5") otherwise; no trailing zeros; always a point.
QString GeneralNumberText(double v, int digits);

// Index of the first smallest (largest) of a[0..n-1]; 0 when n is 0.
int IndexOfMin(const double* a, int n);
int IndexOfMax(const double* a, int n);

// Of the m windows s[k] .. s[N-m+k] (k = 0 .. m-1) over the sorted s, the index of the narrowest;
// the lowest on a tie. Each window holds N - m + 1 values. Needs 1 <= m <= N.
int ShortestWindow(const double* s, int n, int m);

// ceil(percent * N / 100) in whole numbers, at least 1 and at most N: the window count for an
// interval that leaves out `percent` per cent of the values.
int WindowCount(long long percent, int n);

struct Interval {
    double lower = 0.0;
    double upper = 0.0;
};

// The narrowest interval over the sorted values holding all but `leftOutPercent` per cent
// of them; the HPDI at level L leaves out 100 - L, the mode's window leaves out 95.
Interval NarrowestInterval(const std::vector<double>& sorted, long long leftOutPercent);

// Midpoint of the narrowest window holding about 5 % of the sorted values.
double ModeOf(const std::vector<double>& sorted);

// The statistics of one column: pass 1 gives the mean and the extremes, pass 2 the sum of
// squares around that mean and the value list.
struct ColumnStatistics {
    long long n = 0;
    double mean = 0.0;
    double min = 1.7E308;
    double max = -1.7E308;
    double sumSquares = 0.0;
    std::vector<double> sorted;  // ascending after finishPass2()

    void addPass1(double v)
    {
        mean = (static_cast<double>(n) * mean + v) / static_cast<double>(n + 1);
        if (v > max)
            max = v;
        if (v < min)
            min = v;
        ++n;
    }
    void addPass2(double v)
    {
        sumSquares += (v - mean) * (v - mean);
        sorted.push_back(v);
    }
    void finishPass2();
};

// The texts of the statistics fields. Every field is empty without a kept value; the variance
// also with a single one; HPDI, width and mode when no level could be read.
struct StatisticsTexts {
    QString mean, variance, min, max, mode, hpdi, width;
};

// levelValid false: the level text was not a number (HPDI, width and mode left empty).
StatisticsTexts FormatStatistics(const ColumnStatistics& s, long long level, bool levelValid);
