// Reversible-jump moves between the log-linear models.
#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "core/Driver.h"
#include "model/ModelTestData.h"

using namespace modeltest;

namespace {

constexpr int32_t kAllCodes[9] = {1, 2, 3, 4, 5, 6, 7, 14, 15};
const double kG1[5] = {0.3, 2.0, -1.1, 0.8, 1.6};
const double kG2[5] = {1.5, 0.2, 0.9, -0.7, 1.2};
const double kLog2Pi = std::log(2.0 * std::numbers::pi);

double Column(int bit, int s)
{
    switch (bit) {
    case 1: return 1.0;
    case 2: return kG1[s];
    case 4: return kG2[s];
    default: return kG1[s] * kG2[s];
    }
}

// Five sources with log AlphaX = y; the chain sits in `code` with coefficients b.
std::unique_ptr<SamplerState> JumpState(const double* y, double alphaVariance, double sigmap,
                                        int32_t code, const double* b)
{
    auto S = NewState();
    DefaultSettings(*S);
    S->NumSources = 5;
    S->cfg.sigmap = sigmap;
    for (int s = 0; s < 5; ++s) {
        S->Sources[s].G1 = kG1[s];
        S->Sources[s].G2 = kG2[s];
        S->AlphaX[s] = std::exp(y[s]);
    }
    S->AlphaVariance = alphaVariance;
    S->CurrentModel = code;
    for (int j = 0; j < 4; ++j) S->LogLinPar[j] = b[j];
    RecomputeMu(*S);
    BuildModelDesign(*S);
    return S;
}

// y from the given coefficients plus a fixed scatter.
std::vector<double> Outcome(const double* b, double scatter)
{
    const double offset[5] = {0.3, -0.2, 0.1, -0.4, 0.25};
    std::vector<double> y(5);
    for (int s = 0; s < 5; ++s)
        y[s] = b[1] * kG1[s] + b[0] + b[2] * kG2[s] + b[3] * kG1[s] * kG2[s] + scatter * offset[s];
    return y;
}

// log N(y; 0, s2 I + V X X^T): the marginal likelihood of a model, by Cholesky.
double LogMarginal(const std::vector<double>& y, double s2, double V, int32_t code)
{
    const int n = 5;
    double M[5][5], L[5][5] = {};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            M[i][j] = (i == j) ? s2 : 0.0;
            for (int bit = 1; bit <= 8; bit <<= 1)
                if (code & bit) M[i][j] += V * Column(bit, i) * Column(bit, j);
        }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double t = M[i][j];
            for (int k = 0; k < j; ++k) t -= L[i][k] * L[j][k];
            L[i][j] = (i == j) ? std::sqrt(t) : t / L[j][j];
        }
    double z[5], logdet = 0.0, quad = 0.0;
    for (int i = 0; i < n; ++i) {
        double t = y[i];
        for (int k = 0; k < i; ++k) t -= L[i][k] * z[k];
        z[i] = t / L[i][i];
        logdet += 2 * std::log(L[i][i]);
        quad += z[i] * z[i];
    }
    return -0.5 * (n * kLog2Pi + logdet + quad);
}

double HandNormal(double v, double m, double var)
{
    return -0.5 * std::log(2 * std::numbers::pi * var) - (v - m) * (v - m) / (2 * var);
}

}  // namespace

// ---------------------------------------------------------------- densities

TEST(ModelJumpDensity, PriorIsIndependentNormalsOfVarianceSigmapOverTheModelsSlots)
{
    const double b[4] = {0.5, -1.0, 2.0, 0.75};
    const double y[5] = {0, 0, 0, 0, 0};
    const double V = 10.0;
    auto S = JumpState(y, 1.0, V, 15, b);
    for (int32_t code : kAllCodes) {
        double expected = 0.0;
        for (int j = 0; j < 4; ++j)
            if (code & (1 << j)) expected += HandNormal(b[j], 0.0, V);
        EXPECT_NEAR(ModelJumpDensity(*S, 0, code, b), expected, 1e-12) << "code " << code;
    }
}

TEST(ModelJumpDensity, SingleCoefficientProposalDensityUsesTheConditionalWithOthersAtZero)
{
    const double b[4] = {0.4, -0.3, 0.6, 0.2};
    const double truth[4] = {0.9, 0.4, -0.2, 0.1};
    const std::vector<double> y = Outcome(truth, 1.0);
    const double s2 = 0.6, V = 3.0;
    auto S = JumpState(y.data(), s2, V, 15, truth);
    const struct {
        int32_t code;
        int bit;
        int slot;
    } cases[] = {{1, 1, 0}, {2, 2, 1}, {4, 4, 2}};
    for (const auto& c : cases) {
        double zz = 0.0, zy = 0.0;
        for (int s = 0; s < 5; ++s) {
            zz += Column(c.bit, s) * Column(c.bit, s);
            zy += Column(c.bit, s) * y[s];
        }
        const double P = zz / s2 + 1 / V;
        const double mean = zy / s2 / P;
        EXPECT_NEAR(ModelJumpDensity(*S, 1, c.code, b), HandNormal(b[c.slot], mean, 1 / P), 1e-10)
            << "code " << c.code;
    }
}

TEST(ModelJumpDensity, MultiCoefficientProposalDensityUsesTheModelsOwnDesign)
{
    // Models 3 (1, G1) and 6 (G1, G2): the density of the same record differs by design.
    const double b[4] = {0.4, -0.3, 0.6, 0.2};
    const double truth[4] = {0.9, 0.4, -0.2, 0.1};
    const std::vector<double> y = Outcome(truth, 1.0);
    const double s2 = 0.6, V = 3.0;
    auto S = JumpState(y.data(), s2, V, 15, truth);
    const struct {
        int32_t code;
        int bits[2];
        int slots[2];
    } cases[] = {{3, {1, 2}, {0, 1}}, {5, {1, 4}, {0, 2}}, {6, {2, 4}, {1, 2}}};
    for (const auto& c : cases) {
        double P[2][2], r[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            for (int j = 0; j < 2; ++j) {
                double sum = 0.0;
                for (int s = 0; s < 5; ++s) sum += Column(c.bits[i], s) * Column(c.bits[j], s);
                P[i][j] = sum / s2 + (i == j ? 1 / V : 0.0);
            }
            for (int s = 0; s < 5; ++s) r[i] += Column(c.bits[i], s) * y[s];
        }
        const double det = P[0][0] * P[1][1] - P[0][1] * P[1][0];
        // mean = P^-1 X^T y / s2
        const double m0 = (P[1][1] * r[0] - P[0][1] * r[1]) / det / s2;
        const double m1 = (-P[1][0] * r[0] + P[0][0] * r[1]) / det / s2;
        const double d0 = b[c.slots[0]] - m0, d1 = b[c.slots[1]] - m1;
        const double quad = d0 * (P[0][0] * d0 + P[0][1] * d1) + d1 * (P[1][0] * d0 + P[1][1] * d1);
        const double expected = -kLog2Pi + 0.5 * std::log(det) - 0.5 * quad;
        EXPECT_NEAR(ModelJumpDensity(*S, 1, c.code, b), expected, 1e-9) << "code " << c.code;
    }
}

TEST(ModelJumpDensity, CodesOutsideTheModelSpaceStop)
{
    ScopedFatalStopHandler handler;
    const double b[4] = {0, 0, 0, 0};
    const double y[5] = {0, 0, 0, 0, 0};
    auto S = JumpState(y, 1.0, 10.0, 1, b);
    for (int kind : {0, 1})
        for (int32_t code : {0, 8, 9, 16}) {
            try {
                ModelJumpDensity(*S, kind, code, b);
                ADD_FAILURE() << "code " << code;
            } catch (const FatalStopCalled& e) {
                EXPECT_STREQ(e.what(), "model not allowed.\n");
            }
        }
    int32_t accept = 0;
    EXPECT_THROW(ModelJump(*S, 8, accept), FatalStopCalled);
    EXPECT_EQ(accept, 0);
}

// ---------------------------------------------------------------- the move

TEST(ModelJump, NineToOneOnAcceptanceKeepsOnlyTheConstant)
{
    // With the conditional as proposal the ratio is the ratio of the two models' marginal
    // likelihoods; for constant log AlphaX the constant-only model wins by about e^9.
    const double y[5] = {0.5, 0.5, 0.5, 0.5, 0.5};
    const double bad[4] = {0.1, 2.0, 2.0, 2.0};
    auto S = JumpState(y, 0.05, 10.0, 15, bad);
    const double zero[4] = {0, 0, 0, 0};
    setseedall(12345, 678910);
    const double expected = UpdateConstant(*S, zero);
    setseedall(12345, 678910);
    int32_t accept = 3;
    ModelJump(*S, 1, accept);
    EXPECT_EQ(accept, 4);
    EXPECT_EQ(S->CurrentModel, 1);
    EXPECT_EQ(S->LogLinPar[0], expected);
    EXPECT_NEAR(expected, 0.5, 0.5);
    for (int j = 1; j < 4; ++j) EXPECT_EQ(S->LogLinPar[j], 0.0);
    for (int s = 0; s < 5; ++s) EXPECT_EQ(S->mu[s], expected);
}

TEST(ModelJump, RejectionChangesNothing)
{
    // The current model fits exactly with strong effects; the constant-only model cannot.
    const double fit[4] = {0.2, 3.0, -2.0, 1.5};
    const std::vector<double> y = Outcome(fit, 0.0);
    auto S = JumpState(y.data(), 0.01, 10.0, 15, fit);
    double mu[5];
    for (int s = 0; s < 5; ++s) mu[s] = S->mu[s];
    setseedall(12345, 678910);
    int32_t accept = 7;
    ModelJump(*S, 1, accept);
    EXPECT_EQ(accept, 7);
    EXPECT_EQ(S->CurrentModel, 15);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(S->LogLinPar[j], fit[j]);
    for (int s = 0; s < 5; ++s) EXPECT_EQ(S->mu[s], mu[s]);
}

TEST(JumpStep, AProposalOfTheCurrentModelSpendsOnlyTheModelDraws)
{
    const double b[4] = {0.3, 0.2, 0.0, 0.0};
    const std::vector<double> y = Outcome(b, 1.0);
    const std::vector<float> u = UniformsFrom(12345, 678910, 400);
    auto model = [](float v) { return (int)(10.0 * (double)v); };

    // First draw already a model number (0.3655681 gives 3).
    {
        auto S = JumpState(y.data(), 0.5, 10.0, ModelCodeOf(model(u[0])), b);
        ASSERT_EQ(S->CurrentModel, 3);
        setseedall(12345, 678910);
        int32_t accept = 2;
        JumpStep(*S, accept);
        EXPECT_EQ(accept, 2);
        EXPECT_EQ(S->CurrentModel, 3);
        EXPECT_EQ(genunit(), u[1]);
    }
    // A draw below 0.1 gives 0 and is drawn again.
    size_t i = 0;
    while (i + 2 < u.size() && !(model(u[i]) == 0 && model(u[i + 1]) >= 1 && model(u[i + 1]) <= 9)) ++i;
    ASSERT_LT(i + 2, u.size());
    {
        const int32_t code = ModelCodeOf(model(u[i + 1]));
        double coef[4];
        for (int j = 0; j < 4; ++j) coef[j] = (code & (1 << j)) ? 0.25 : 0.0;
        auto S = JumpState(y.data(), 0.5, 10.0, code, coef);
        setseedall(12345, 678910);
        for (size_t j = 0; j < i; ++j) genunit();
        int32_t accept = 0;
        JumpStep(*S, accept);
        EXPECT_EQ(accept, 0);
        EXPECT_EQ(S->CurrentModel, code);
        for (int j = 0; j < 4; ++j) EXPECT_EQ(S->LogLinPar[j], coef[j]);
        EXPECT_EQ(genunit(), u[i + 2]);
    }
}

TEST(ModelJump, ChainVisitsModelsInProportionToTheirPosteriorProbabilities)
{
    // With AlphaX and AlphaVariance held fixed, the coefficient step and the jump form a
    // chain on (model, coefficients) whose model marginal is the exact posterior: the
    // marginal likelihood of each normal linear model with known variance.
    const double b[4] = {0.8, 0.5, 0.0, 0.0};
    const std::vector<double> y = Outcome(b, 1.0);
    const double s2 = 0.3, V = 2.0;
    double logm[9], top = -1e300, total = 0.0, prob[9];
    for (int m = 0; m < 9; ++m) {
        logm[m] = LogMarginal(y, s2, V, kAllCodes[m]);
        top = std::fmax(top, logm[m]);
    }
    for (int m = 0; m < 9; ++m) total += prob[m] = std::exp(logm[m] - top);
    for (double& p : prob) p /= total;

    const double start[4] = {0.0, 0.0, 0.0, 0.0};
    auto S = JumpState(y.data(), s2, V, 2, start);
    setseedall(8080, 9090);
    const int batches = 50, perBatch = 2000;
    std::vector<std::vector<double>> batch(9, std::vector<double>(batches, 0.0));
    int32_t accept = 0;
    for (int k = 0; k < batches * perBatch; ++k) {
        CoefficientStep(*S);
        RecomputeMu(*S);
        JumpStep(*S, accept);
        batch[ModelNumberOf(S->CurrentModel) - 1][k / perBatch] += 1.0 / perBatch;
    }
    EXPECT_GT(accept, 1000);
    for (int m = 0; m < 9; ++m) {
        // Batch means absorb the chain's autocorrelation.
        double mean = 0.0, var = 0.0;
        for (double v : batch[m]) mean += v / batches;
        for (double v : batch[m]) var += (v - mean) * (v - mean) / (batches - 1);
        const double se = std::sqrt(var / batches);
        EXPECT_NEAR(mean, prob[m], 5 * se + 0.003) << "model " << m + 1 << " se " << se;
    }
}
