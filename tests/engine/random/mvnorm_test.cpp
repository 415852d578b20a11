// Multivariate normal set-up and draw, the Cholesky factor and the dot product they
// rest on.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "random/ranlib.h"

namespace {

const float k2p30 = 1073741824.0f;  // 2^30: products of 2^60 swamp a double's 1
const float k2m12 = 1.0f / 4096.0f, k2m25 = 1.0f / 33554432.0f;  // 2^-12, 2^-25

TEST(Dotprod, SummationOrder)
{
    struct Case {
        const char* name;
        int32_t n;
        std::vector<float> x, y;
        int32_t incx, incy;
        float expected;
    };
    const Case cases[] = {
        // Products 1, 2^60, 1, -2^60, 0, 0: the leading n mod 5 product first, then the
        // group summed on its own in double (2^60 + 1 - 2^60 loses the 1): 1. One by one,
        // or with the leading product inside the group, it would be 0.
        {"leading first", 6, {1, k2p30, 1, -k2p30, 0, 0}, {1, k2p30, 1, k2p30, 0, 0}, 1, 1, 1.0f},
        // Products 2^60, 1, -2^60, 0, 0, 1: the group 1 - 2^60 + 0 + 0 + 1 swallows both
        // ones: 0. Grouping from the start and adding the sixth last would give 1.
        {"remainder leads", 6, {k2p30, 1, -k2p30, 0, 0, 1}, {k2p30, 1, k2p30, 0, 0, 1}, 1, 1,
         0.0f},
        // Products 1, 2^-24, 2^-50: the group's exact sum tips 1 + 2^-24 up to the next
        // float; rounded to float on its own first, it would tie back down to 1.
        {"group rounded once", 6, {1, k2m12, k2m25, 0, 0, 0}, {1, k2m12, k2m25, 0, 0, 0}, 1, 1,
         1.0f + std::ldexp(1.0f, -23)},
        // A group's sum meets the float running sum only once: 1e8 + 8, not 1e8.
        {"group in double", 5, {1e8f, 2, 2, 2, 2}, {1, 1, 1, 1, 1}, 1, 1, 100000008.0f},
        // Fewer than five: each product rounds into the float sum, losing every 2.
        {"one by one", 4, {1e8f, 2, 2, 2}, {1, 1, 1, 1}, 1, 1, 1e8f},
        {"empty", 0, {1}, {1}, 1, 1, 0.0f},
        {"negative count", -2, {1}, {1}, 1, 1, 0.0f},
        // Other strides: element by element, a negative stride starting from the far end.
        {"stride 2", 3, {1, 9, 2, 9, 3}, {4, 5, 6}, 2, 1, 1 * 4 + 2 * 5 + 3 * 6},
        {"negative stride", 3, {1, 2, 3}, {4, 5, 6}, -1, 1, 3 * 4 + 2 * 5 + 1 * 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dotprod(c.n, c.x.data(), c.incx, c.y.data(), c.incy), c.expected);
    }
}

// 4 2 -2 / 2 10 2 / -2 2 6 = U'U with U = 2 1 -1 / 0 3 1 / 0 0 2, exact in float.
TEST(Cholfac, FactorsInPlaceAndLeavesTheLowerTriangle)
{
    const int32_t lda = 4, n = 3;
    const float cov[3][3] = {{4, 2, -2}, {2, 10, 2}, {-2, 2, 6}};
    const float u[3][3] = {{2, 1, -1}, {0, 3, 1}, {0, 0, 2}};
    float a[lda * n];
    for (int r = 0; r < lda; ++r)
        for (int c = 0; c < n; ++c)
            a[r + c * lda] = r < n ? (r > c ? 99.0f + r : cov[r][c]) : -7.0f;
    int32_t info = -1;
    cholfac(a, lda, n, &info);
    EXPECT_EQ(info, 0);
    for (int r = 0; r < lda; ++r)
        for (int c = 0; c < n; ++c) {
            const float expected = r < n ? (r > c ? 99.0f + r : u[r][c]) : -7.0f;
            EXPECT_EQ(a[r + c * lda], expected) << r << "," << c;
        }
}

TEST(Cholfac, ReportsTheColumnWhereItStops)
{
    struct Case {
        std::vector<float> a;  // column order
        int32_t n, info;
    };
    const Case cases[] = {
        {{0, 0, 0, 1}, 2, 1},                      // zero first row and column
        {{1, 1, 1, 1}, 2, 2},                      // singular
        {{4, 2, -2, 2, 10, 2, -2, 2, 1}, 3, 3},    // last pivot negative
        {{-1}, 1, 1},
        {{2}, 1, 0},
    };
    for (const Case& c : cases) {
        std::vector<float> a = c.a;
        int32_t info = -1;
        cholfac(a.data(), c.n, c.n, &info);
        EXPECT_EQ(info, c.info) << c.a.size();
    }
}

TEST(Setgmn, IdentityGivesMeanAndUnitFactor)
{
    const float mean[2] = {1.5f, -0.25f};
    float cov[4] = {1, 0, 0, 1};
    float parm[6];
    setgmn(mean, cov, 2, parm);
    const std::vector<float> expected = {2, 1.5f, -0.25f, 1, 0, 1};
    EXPECT_EQ(std::vector<float>(parm, parm + 6), expected);

    setseedall(12345, 678910);
    const float z1 = genstdnorm(), z2 = genstdnorm();
    setseedall(12345, 678910);
    float x[2], work[2];
    genmvnorm(parm, x, work);
    EXPECT_EQ(x[0], static_cast<float>(1.5 + z1));
    EXPECT_EQ(x[1], static_cast<float>(-0.25 + z2));
}

TEST(Setgmn, PacksTheUpperFactorRowByRow)
{
    const float mean[3] = {10, 20, 30};
    float cov[9] = {4, 2, -2, 2, 10, 2, -2, 2, 6};
    float parm[10];
    setgmn(mean, cov, 3, parm);
    const std::vector<float> expected = {3, 10, 20, 30, 2, 1, -1, 3, 1, 2};
    EXPECT_EQ(std::vector<float>(parm, parm + 10), expected);

    // x = mean + U'z, with z the three normals drawn first.
    setseedall(4321, 8765);
    float z[3];
    for (float& v : z) v = genstdnorm();
    setseedall(4321, 8765);
    float x[3], work[3];
    genmvnorm(parm, x, work);
    EXPECT_FLOAT_EQ(x[0], 10 + 2 * z[0]);
    EXPECT_FLOAT_EQ(x[1], 20 + z[0] + 3 * z[1]);
    EXPECT_FLOAT_EQ(x[2], 30 - z[0] + z[1] + 2 * z[2]);
}

TEST(Genmvnorm, SampleCovarianceMatchesTheInput)
{
    const int p = 3, n = 100000;
    const float mean[p] = {1, -2, 0.5f};
    const double cov[p][p] = {{4, 2, -2}, {2, 10, 2}, {-2, 2, 6}};
    double sum[p] = {}, cross[p][p] = {};
    setseedall(112233, 445566);
    for (int r = 0; r < n; ++r) {
        float scratch[p * p];
        for (int i = 0; i < p; ++i)
            for (int j = 0; j < p; ++j) scratch[i + j * p] = static_cast<float>(cov[i][j]);
        float parm[10], x[p], work[p];
        setgmn(mean, scratch, p, parm);
        genmvnorm(parm, x, work);
        for (int i = 0; i < p; ++i) {
            sum[i] += x[i];
            for (int j = 0; j < p; ++j) cross[i][j] += double(x[i]) * x[j];
        }
    }
    for (int i = 0; i < p; ++i) {
        const double m = sum[i] / n;
        EXPECT_NEAR(m, mean[i], 5.0 * std::sqrt(cov[i][i] / n)) << i;
        for (int j = 0; j < p; ++j) {
            const double c = cross[i][j] / n - m * (sum[j] / n);
            // Standard error of a normal sample covariance: sqrt((s_ii s_jj + s_ij^2)/n).
            const double se = std::sqrt((cov[i][i] * cov[j][j] + cov[i][j] * cov[i][j]) / n);
            EXPECT_NEAR(c, cov[i][j], 5.0 * se) << i << "," << j;
        }
    }
}

TEST(SetgmnDeathTest, CovarianceNotPositiveDefinite)
{
    const float mean[2] = {0, 0};
    float zeroRow[4] = {0, 0, 0, 1};
    float singular[4] = {1, 2, 2, 4};
    float parm[6];
    EXPECT_EXIT(setgmn(mean, zeroRow, 2, parm), ::testing::ExitedWithCode(1),
                ::testing::Eq(std::string(" COVM not positive definite in SETGMN")));
    EXPECT_EXIT(setgmn(mean, singular, 2, parm), ::testing::ExitedWithCode(1),
                ::testing::Eq(std::string(" COVM not positive definite in SETGMN")));
}

TEST(SetgmnDeathTest, DimensionBelowOne)
{
    const float mean[1] = {0};
    float cov[1] = {1};
    float parm[2];
    EXPECT_EXIT(setgmn(mean, cov, 0, parm), ::testing::ExitedWithCode(1),
                ::testing::Eq(std::string("P nonpositive in SETGMNValue of P:            0\n")));
    EXPECT_EXIT(setgmn(mean, cov, -3, parm), ::testing::ExitedWithCode(1),
                ::testing::Eq(std::string("P nonpositive in SETGMNValue of P:           -3\n")));
}

}  // namespace
