// Standard normal generator: worked values, exact uniforms at the interval edges, and
// its distribution against the normal quantiles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "RawSeeds.h"
#include "random/ranlib.h"

namespace {

double Phi(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

double NormalQuantile(double p)
{
    double lo = -10.0, hi = 10.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (Phi(mid) < p ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// The x with P(Z > x) = q, accurate far into the tail.
double UpperQuantile(double q)
{
    double lo = 0.0, hi = 40.0;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        (0.5 * std::erfc(mid / std::sqrt(2.0)) > q ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// Upper 1e-6 point of chi-square with df degrees of freedom (Wilson and Hilferty).
double ChiSquareCritical(int df)
{
    const double z = 4.753424, c = 2.0 / (9.0 * df);
    return df * std::pow(1.0 - c + z * std::sqrt(c), 3.0);
}

// Seeds whose first uniform is u (to the generator's resolution), for 0 < u < 1.
void SeedFirstUniform(double u)
{
    rawseeds::SeedFirstRaw(static_cast<int32_t>(std::llround(u / 4.656613057E-10)));
}

TEST(Genstdnorm, FirstDrawForTheDefaultSeedsUsesOneUniform)
{
    setseedall(12345, 678910);
    const float y = genstdnorm();
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", y);
    EXPECT_EQ(std::string(text), "1.033664");
    EXPECT_EQ(ignraw(), 1584139610);  // the second raw output: nothing else was drawn
}

TEST(Genstdnorm, ExactUniformsAtTheFoldAndTheTail)
{
    struct Case {
        int32_t raw;      // first raw output fed in
        double uniform;   // the uniform it gives, within tol (0: exactly)
        double tol;
        double lo, hi;    // where the result must lie
        bool oneUniform;  // the interval's first threshold test accepts at once
    };
    const Case cases[] = {
        {2147483562, 1.0, 0, -2.15390, -2.15385, true},  // s = 1, u = 32 -> interval 31 at its top
        {1073741824, 0.5, 0, 2.15385, 2.15390, true},    // s = 0, u = 32 -> the same, positive
        {21474836, 0.01, 1e-9, 2.153875, 1e9, false},    // folded to 0.64: the upper tail
        {1084479199, 0.505, 3e-8, -1e9, -2.153875, false},       // folded to 0.32: the lower tail
        {1932735207, 0.9, 6e-8, -1.229860, -1.150348, true},     // folded to 25.6: interval 25
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uniform);
        rawseeds::SeedFirstRaw(c.raw);
        ASSERT_NEAR(genunit(), c.uniform, c.tol);
        const int32_t secondRaw = ignraw();
        rawseeds::SeedFirstRaw(c.raw);
        const float y = genstdnorm();
        EXPECT_GE(y, c.lo);
        EXPECT_LE(y, c.hi);
        if (c.oneUniform) {
            EXPECT_EQ(ignraw(), secondRaw);
        }
    }
}

// The table's consistency, seen from outside: near the top of interval i the direct exit
// lands on the interval's upper bound, the normal quantile of 1/2 + i/64.
TEST(Genstdnorm, CentreIntervalsEndOnTheirQuantiles)
{
    const double delta = 4e-6;  // distance below the top, a little above float resolution
    for (int i = 1; i <= 31; ++i) {
        SCOPED_TRACE(i);
        const double bound = NormalQuantile(0.5 + i / 64.0);
        const double folded = (i + 1 - delta) / 32.0;
        SeedFirstUniform(folded / 2.0);  // s = 0
        EXPECT_NEAR(genstdnorm(), bound, 6e-6);
        SeedFirstUniform(0.5 + folded / 2.0);  // s = 1
        EXPECT_NEAR(genstdnorm(), -bound, 6e-6);
    }
}

// A raw value of 2^(24-j) folds to just above 2^-(j+1)/32, which takes j+1 doublings:
// the tail then starts at the sum of A(32) and the first j increments, with w about 0.
// Those sums are the upper quantiles of 2^-(6+j).
TEST(Genstdnorm, TailIncrementsAddUpToTailQuantiles)
{
    for (int j = 0; j <= 24; ++j) {
        SCOPED_TRACE(j);
        rawseeds::SeedFirstRaw(int32_t{1} << (24 - j));
        EXPECT_NEAR(genstdnorm(), UpperQuantile(std::ldexp(1.0, -(6 + j))), 2e-6);
    }
}

TEST(Genstdnorm, MeanAndVariance)
{
    setseedall(31415, 92653);
    const int n = 400000;
    double sum = 0, sum2 = 0;
    for (int i = 0; i < n; ++i) {
        const double y = genstdnorm();
        sum += y;
        sum2 += y * y;
    }
    const double mean = sum / n, var = sum2 / n - mean * mean;
    // Five standard errors: 1/sqrt(n) for the mean, sqrt(2/n) for the variance.
    EXPECT_NEAR(mean, 0.0, 5.0 / std::sqrt(n));
    EXPECT_NEAR(var, 1.0, 5.0 * std::sqrt(2.0 / n));
}

// 256 equiprobable bins: each of the 32 intervals per sign split in four, so a wrong
// slope, threshold or tail increment shows up within its interval.
TEST(Genstdnorm, FollowsTheNormalDistribution)
{
    const int bins = 256, perBin = 1000, n = bins * perBin;
    double cut[bins - 1];
    for (int k = 1; k < bins; ++k) cut[k - 1] = NormalQuantile(double(k) / bins);
    int count[bins] = {};
    setseedall(27182, 81828);
    for (int i = 0; i < n; ++i) {
        const double y = genstdnorm();
        ++count[std::upper_bound(cut, cut + bins - 1, y) - cut];
    }
    double chi2 = 0;
    for (int c : count) chi2 += double(c - perBin) * (c - perBin) / perBin;
    EXPECT_LT(chi2, ChiSquareCritical(bins - 1));
}

// The tail (|y| beyond A(32), 1/32 of the mass) has its own rejection steps: check its
// conditional distribution on 64 equiprobable bins of |y|.
TEST(Genstdnorm, TailFollowsTheNormalTail)
{
    const int bins = 64, n = 8000000;
    const double tail = 1.0 / 64.0;  // P(Z > A(32))
    double cut[bins - 1];
    for (int k = 1; k < bins; ++k) cut[k - 1] = UpperQuantile(tail * (1.0 - double(k) / bins));
    int count[bins] = {};
    int inTail = 0;
    setseedall(16180, 33988);
    for (int i = 0; i < n; ++i) {
        const double y = std::fabs(genstdnorm());
        if (y <= 2.153875) continue;
        ++inTail;
        ++count[std::upper_bound(cut, cut + bins - 1, y) - cut];
    }
    const double expected = double(inTail) / bins;
    double chi2 = 0;
    for (int c : count) chi2 += (c - expected) * (c - expected) / expected;
    EXPECT_NEAR(inTail, n / 32.0, 5.0 * std::sqrt(n / 32.0));
    EXPECT_LT(chi2, ChiSquareCritical(bins - 1));
}

}  // namespace
