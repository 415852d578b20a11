// Gamma (Cheng and Feast) and Dirichlet generators: draw order from known uniforms and
// moments with fixed seeds.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "RawSeeds.h"
#include "random/ranlib.h"

namespace {

// The default seeds' first two uniforms: 0.3655681 and 0.7376725. For the shapes below
// the first pair is accepted, so the variate follows from them in closed form.
TEST(Gengammacf, FirstPairDecidesTheDrawForTheDefaultSeeds)
{
    setseedall(12345, 678910);
    const double u1 = genunit(), u2 = genunit();
    for (double a : {2.0, 2.5, 2.6, 7.0}) {
        SCOPED_TRACE(a);
        // At or below 2.5 u1 is used as drawn; above it is recentred on u2.
        const double v = a > 2.5 ? u2 + (1.0 - 1.86 * u1) / std::sqrt(a) : u1;
        const double expected = (a - 1.0 / (6.0 * a)) * u2 / v;
        setseedall(12345, 678910);
        EXPECT_NEAR(gengammacf(a), expected, 1e-12 * expected);
        EXPECT_EQ(ignraw(), 440744962);  // exactly two uniforms used
    }
}

TEST(Gengammacf, SkipsAUniformOfOne)
{
    rawseeds::SeedFirstRaw(2147483562);  // first uniform is exactly 1.0
    ignraw();
    const double skipped = gengammacf(2.0);
    const int32_t next = ignraw();
    rawseeds::SeedFirstRaw(2147483562);
    EXPECT_EQ(gengammacf(2.0), skipped);
    EXPECT_EQ(ignraw(), next);
}

TEST(Gengammacf, MeanAndVarianceEqualTheShape)
{
    const int n = 200000;
    setseedall(1357, 2468);
    for (double a : {1.05, 1.5, 2.5, 2.6, 7.0, 40.0}) {
        SCOPED_TRACE(a);
        double sum = 0, sum2 = 0;
        for (int i = 0; i < n; ++i) {
            const double g = gengammacf(a);
            ASSERT_GT(g, 0.0);
            sum += g;
            sum2 += g * g;
        }
        const double mean = sum / n, var = sum2 / n - mean * mean;
        // Five standard errors; the sample variance's uses the fourth central moment
        // 3a^2 + 6a of the gamma.
        EXPECT_NEAR(mean, a, 5.0 * std::sqrt(a / n));
        EXPECT_NEAR(var, a, 5.0 * std::sqrt((2.0 * a * a + 6.0 * a) / n));
    }
}

TEST(Gendirichlet, ParametersOfOneGiveNormalisedExponentials)
{
    rawseeds::SeedFirstRaw(2147483500);  // a first uniform of 1.0 is drawn again
    ignraw();
    double u[3];
    for (double& x : u) x = genunit();
    rawseeds::SeedFirstRaw(2147483500);
    const double alpha[3] = {1.0, 1.0, 1.0};
    double out[3];
    gendirichlet(out, alpha, 3);
    const double sum = -std::log(u[0]) - std::log(u[1]) - std::log(u[2]);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], -std::log(u[i]) / sum, 1e-15);
}

// Components in index order; below 1 the uniform comes before the gamma draw.
TEST(Gendirichlet, DrawOrder)
{
    const double alpha[4] = {0.5, 1.0, 3.0, 0.25};
    setseedall(555, 777);
    double raw[4];
    const double ua = genunit();
    raw[0] = gengammacf(1.5) * std::pow(ua, 2.0);
    raw[1] = -std::log(static_cast<double>(genunit()));
    raw[2] = gengammacf(3.0);
    const double ud = genunit();
    raw[3] = gengammacf(1.25) * std::pow(ud, 4.0);
    const int32_t next = ignraw();

    setseedall(555, 777);
    double out[4];
    gendirichlet(out, alpha, 4);
    const double sum = raw[0] + raw[1] + raw[2] + raw[3];
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], raw[i] / sum, 1e-15) << i;
    EXPECT_EQ(ignraw(), next);
}

TEST(Gendirichlet, MeansAndVariances)
{
    const int k = 5, n = 100000;
    const double alpha[k] = {0.4, 1.0, 2.5, 6.0, 0.95};
    double a0 = 0;
    for (double a : alpha) a0 += a;
    double sum[k] = {}, sum2[k] = {};
    setseedall(8642, 9753);
    for (int r = 0; r < n; ++r) {
        double out[k];
        gendirichlet(out, alpha, k);
        double total = 0;
        for (int i = 0; i < k; ++i) {
            ASSERT_GE(out[i], 0.0);
            total += out[i];
            sum[i] += out[i];
            sum2[i] += out[i] * out[i];
        }
        ASSERT_NEAR(total, 1.0, 1e-12);
    }
    for (int i = 0; i < k; ++i) {
        SCOPED_TRACE(alpha[i]);
        const double m = alpha[i] / a0, v = m * (1.0 - m) / (a0 + 1.0);
        const double mean = sum[i] / n, var = sum2[i] / n - mean * mean;
        EXPECT_NEAR(mean, m, 5.0 * std::sqrt(v / n));
        // The components lie in [0, 1], so E(X - m)^4 <= v and the sample variance's
        // standard error is at most sqrt(v/n).
        EXPECT_NEAR(var, v, 5.0 * std::sqrt(v / n));
    }
}

}  // namespace
