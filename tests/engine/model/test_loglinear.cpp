// Gibbs draws of Tau and of the log-linear coefficients, and the model designs.
#include <cmath>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "core/Driver.h"
#include "model/ModelTestData.h"

using namespace modeltest;

namespace {

constexpr int32_t kAllCodes[9] = {1, 2, 3, 4, 5, 6, 7, 14, 15};

// Five sources whose G1, G2 and G1*G2 columns are far from collinear.
const double kG1[5] = {0.3, 2.0, -1.1, 0.8, 1.6};
const double kG2[5] = {1.5, 0.2, 0.9, -0.7, 1.2};

// log AlphaX[s] = b1*G1 + b0 + b2*G2 + b3*G1*G2 + offset[s], with mu the exact predictor.
// The record is large: loops refill one state.
void FillRegression(SamplerState& S, const double* b, double alphaVariance,
                    const double* offset = nullptr)
{
    DefaultSettings(S);
    S.NumSources = 5;
    for (int s = 0; s < 5; ++s) {
        S.Sources[s].G1 = kG1[s];
        S.Sources[s].G2 = kG2[s];
        const double mu = b[1] * kG1[s] + b[0] + b[2] * kG2[s] + b[3] * kG1[s] * kG2[s];
        S.mu[s] = mu;
        S.AlphaX[s] = std::exp(mu + (offset ? offset[s] : 0.0));
    }
    S.AlphaVariance = alphaVariance;
    BuildModelDesign(S);
}

std::unique_ptr<SamplerState> RegressionState(const double* b, double alphaVariance,
                                              const double* offset = nullptr)
{
    auto S = NewState();
    FillRegression(*S, b, alphaVariance, offset);
    return S;
}

double Mean(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / v.size(); }
double Variance(const std::vector<double>& v)
{
    const double m = Mean(v);
    double s = 0.0;
    for (double x : v) s += (x - m) * (x - m);
    return s / (v.size() - 1);
}

}  // namespace

// ---------------------------------------------------------------- model designs

TEST(BuildModelDesign, StoresXtXAndXtOfEveryMultiCoefficientModel)
{
    // Three sources; every product below is exact in binary.
    auto S = NewState();
    S->NumSources = 3;
    const double g1[3] = {1, 2, 3}, g2[3] = {0.5, -1, 2};
    for (int s = 0; s < 3; ++s) {
        S->Sources[s].G1 = g1[s];
        S->Sources[s].G2 = g2[s];
        S->AlphaX[s] = std::exp(0.25 * (s + 1));
    }
    // Columns 1, G1, G2, G1*G2 and their cross products, worked by hand.
    const double column[4][3] = {{1, 1, 1}, {1, 2, 3}, {0.5, -1, 2}, {0.5, -2, 6}};
    const double full[4][4] = {{3, 6, 1.5, 4.5},
                               {6, 14, 4.5, 14.5},
                               {1.5, 4.5, 5.25, 14.25},
                               {4.5, 14.5, 14.25, 40.25}};
    struct Case {
        int32_t code;
        std::vector<int> terms;
    };
    const Case cases[6] = {{3, {0, 1}}, {5, {0, 2}}, {6, {1, 2}},
                           {7, {0, 1, 2}}, {14, {1, 2, 3}}, {15, {0, 1, 2, 3}}};
    BuildModelDesign(*S);
    for (int index = 0; index < 6; ++index) {
        const Case& c = cases[index];
        const ModelDesignRecord& rec = S->ModelDesign[index];
        EXPECT_EQ(rec.code, c.code) << "index " << index;
        const int k = static_cast<int>(c.terms.size());
        for (int i = 0; i < k; ++i) {
            for (int j = 0; j < k; ++j)
                EXPECT_EQ(rec.XtX[i][j], full[c.terms[i]][c.terms[j]]) << "code " << c.code << " XtX " << i << j;
            for (int s = 0; s < 3; ++s)
                EXPECT_EQ(rec.Xt[i][s], column[c.terms[i]][s]) << "code " << c.code << " Xt " << i << s;
        }

        // LoadModelDesign hands back the stored products and y = log AlphaX.
        MAT Xt = mat_new(k, 3, MAT_NONE), XtX = mat_new(k, k, MAT_NONE), y = mat_new(3, 1, MAT_NONE);
        LoadModelDesign(*S, index, Xt, XtX, y);
        for (int i = 0; i < k; ++i) {
            for (int j = 0; j < k; ++j) EXPECT_EQ(XtX[i][j], rec.XtX[i][j]);
            for (int s = 0; s < 3; ++s) EXPECT_EQ(Xt[i][s], rec.Xt[i][s]);
        }
        for (int s = 0; s < 3; ++s) EXPECT_EQ(y[s][0], std::log(S->AlphaX[s]));
        mat_release(Xt);
        mat_release(XtX);
        mat_release(y);
    }
}

// ---------------------------------------------------------------- DrawTau

TEST(DrawTau, IsTheGammaDrawOverHalfTheSingleSumOfSquaresPlusBTau)
{
    const double b[4] = {0.4, -0.3, 0.2, 0.1};
    // Residuals that are not exact in binary, so a double sum would differ from the float one.
    const double offset[5] = {0.1, -0.37, 0.211, 0.05, -0.8};
    auto S = RegressionState(b, 1.0, offset);
    S->cfg.aTau = 1.5;
    S->cfg.bTau = 2.0;
    float SS = 0.0f;
    for (int s = 0; s < 5; ++s) {
        const double d = std::log(S->AlphaX[s]) - S->mu[s];
        SS = (float)((double)SS + d * d);
    }
    setseedall(12345, 678910);
    const double G = gengammacf(5 * 0.5 + 1.5);
    setseedall(12345, 678910);
    EXPECT_EQ(DrawTau(*S), G / ((double)SS * 0.5 + 2.0));
}

TEST(DrawTau, FollowsTheGammaLawWithShapeATauPlusHalfNAndRateBTauPlusHalfSS)
{
    struct Case {
        double residual;  // the same for every source
        double aTau, bTau;
    };
    const Case cases[] = {{0.0, 1.0, 2.0}, {1.0, 1.0, 2.0}, {0.0, 3.0, 0.5}};
    setseedall(4242, 1717);
    auto S = NewState();
    for (const Case& c : cases) {
        const double b[4] = {0, 0, 0, 0};
        const double offset[5] = {c.residual, -c.residual, c.residual, -c.residual, c.residual};
        FillRegression(*S, b, 1.0, offset);
        S->cfg.aTau = c.aTau;
        S->cfg.bTau = c.bTau;
        const double shape = c.aTau + 2.5;
        const double rate = c.bTau + 0.5 * 5 * c.residual * c.residual;
        const int N = 20000;
        std::vector<double> draws(N);
        for (double& d : draws) d = DrawTau(*S);
        // Independent draws: five standard errors of the mean.
        const double sd = std::sqrt(shape) / rate;
        EXPECT_NEAR(Mean(draws), shape / rate, 5 * sd / std::sqrt(N)) << "residual " << c.residual;
        EXPECT_NEAR(Variance(draws), shape / (rate * rate), 0.05 * shape / (rate * rate));
    }
}

// ---------------------------------------------------------------- single coefficients

TEST(SingleCoefficient, ConstantIsDrawnAroundItsShrunkMean)
{
    // Every AlphaX = exp(c): the conditional mean is n c / s2 / (n / s2 + 1 / V).
    const double c = 1.3, s2 = 0.5;
    const double V[] = {1e6, 0.1};
    setseedall(999, 777);
    auto S = NewState();
    for (double v : V) {
        const double b[4] = {c, 0, 0, 0};
        FillRegression(*S, b, s2);
        S->cfg.sigmap = v;
        const double zero[4] = {0, 0, 0, 0};
        const double P = 5 / s2 + 1 / v;
        const double expected = (5 * c / s2) / P;
        const int N = 20000;
        std::vector<double> draws(N);
        for (double& d : draws) d = UpdateConstant(*S, zero);
        EXPECT_NEAR(Mean(draws), expected, 5 * std::sqrt(1 / P / N)) << "V " << v;
        EXPECT_NEAR(Variance(draws), 1 / P, 0.05 / P) << "V " << v;
        if (v > 1e5) {
            EXPECT_NEAR(Mean(draws), c, 0.02);
        }
    }
}

TEST(SingleCoefficient, ResidualRemovesTheOtherThreeSlots)
{
    // With a tiny AlphaVariance the draw sits on the regression value; a residual that
    // forgot a slot would miss it by far more than the tolerance.
    const double truth[4] = {0.7, -0.4, 0.3, 0.25};
    auto S = RegressionState(truth, 1e-10);
    S->cfg.sigmap = 1e6;
    setseedall(12345, 678910);
    EXPECT_NEAR(UpdateConstant(*S, truth), truth[0], 1e-4);
    EXPECT_NEAR(UpdateG1(*S, truth), truth[1], 1e-4);
    EXPECT_NEAR(UpdateG2(*S, truth), truth[2], 1e-4);
}

TEST(SingleCoefficient, DrawIsSqrtOfInversePrecisionTimesOneNormalPlusMean)
{
    const double b[4] = {0.2, 0.5, -0.1, 0.0};
    auto S = RegressionState(b, 0.8);
    double P = 0.0, sum = 0.0;
    for (int s = 0; s < 5; ++s) {
        P += kG2[s] * kG2[s];
        const double e = std::log(S->AlphaX[s]) - b[0] - b[1] * kG1[s] - b[3] * kG1[s] * kG2[s];
        sum += kG2[s] * e / 0.8;
    }
    P = P / 0.8 + 1 / S->cfg.sigmap;
    setseedall(12345, 678910);
    const double z = genstdnorm();
    setseedall(12345, 678910);
    EXPECT_NEAR(UpdateG2(*S, b), std::sqrt(1 / P) * z + sum / P, 1e-14);
}

// ---------------------------------------------------------------- multi-coefficient draws

TEST(UpdateLogLinMulti, FillsTheSlotsOfEachModelAndZeroesTheRest)
{
    // AlphaX follows the model exactly and AlphaVariance is tiny: the draw recovers the
    // model's coefficients in their own slots.
    const double all[4] = {0.7, -0.4, 0.3, 0.25};
    setseedall(31, 41);
    auto S = NewState();
    for (int32_t code : {3, 5, 6, 7, 14, 15}) {
        double truth[4];
        for (int j = 0; j < 4; ++j) truth[j] = (code & (1 << j)) ? all[j] : 0.0;
        FillRegression(*S, truth, 1e-8);
        S->cfg.sigmap = 1e6;
        double out[4] = {9, 9, 9, 9};
        UpdateLogLinMulti(*S, code, out);
        for (int j = 0; j < 4; ++j) {
            if (code & (1 << j))
                EXPECT_NEAR(out[j], truth[j], 2e-3) << "code " << code << " slot " << j;
            else
                EXPECT_EQ(out[j], 0.0) << "code " << code << " slot " << j;
        }
    }
}

TEST(UpdateLogLinMulti, DrawsFromTheConditionalMeanAndCovariance)
{
    // Model 3 (1, G1) with a hand-inverted 2 x 2 precision.
    const double b[4] = {0.5, -0.6, 0, 0};
    const double offset[5] = {0.3, -0.2, 0.1, -0.4, 0.25};
    const double s2 = 0.7, V = 2.0;
    auto S = RegressionState(b, s2, offset);
    S->cfg.sigmap = V;
    double xtx[2][2] = {{0, 0}, {0, 0}}, xty[2] = {0, 0};
    for (int s = 0; s < 5; ++s) {
        const double x[2] = {1.0, kG1[s]};
        const double y = std::log(S->AlphaX[s]);
        for (int i = 0; i < 2; ++i) {
            xty[i] += x[i] * y;
            for (int j = 0; j < 2; ++j) xtx[i][j] += x[i] * x[j];
        }
    }
    const double p00 = xtx[0][0] / s2 + 1 / V, p01 = xtx[0][1] / s2, p11 = xtx[1][1] / s2 + 1 / V;
    const double det = p00 * p11 - p01 * p01;
    const double c00 = p11 / det, c01 = -p01 / det, c11 = p00 / det;
    const double m0 = (c00 * xty[0] + c01 * xty[1]) / s2, m1 = (c01 * xty[0] + c11 * xty[1]) / s2;

    setseedall(2718, 2818);
    const int N = 40000;
    std::vector<double> w0(N), w1(N);
    for (int i = 0; i < N; ++i) {
        double out[4];
        UpdateLogLinMulti(*S, 3, out);
        w0[i] = out[0];
        w1[i] = out[1];
    }
    EXPECT_NEAR(Mean(w0), m0, 5 * std::sqrt(c00 / N));
    EXPECT_NEAR(Mean(w1), m1, 5 * std::sqrt(c11 / N));
    EXPECT_NEAR(Variance(w0), c00, 0.04 * c00);
    EXPECT_NEAR(Variance(w1), c11, 0.04 * c11);
    double cov = 0.0;
    const double a0 = Mean(w0), a1 = Mean(w1);
    for (int i = 0; i < N; ++i) cov += (w0[i] - a0) * (w1[i] - a1);
    cov /= N - 1;
    EXPECT_NEAR(cov, c01, 0.04 * std::sqrt(c00 * c11));
}

TEST(UpdateLogLinMulti, SourcesWithEqualFactorsStillGiveADraw)
{
    // Two identical sources make XtX singular; the 1/V term keeps P positive definite.
    auto S = NewState();
    DefaultSettings(*S);
    S->NumSources = 2;
    for (int s = 0; s < 2; ++s) {
        S->Sources[s].G1 = 1.5;
        S->Sources[s].G2 = -0.5;
        S->AlphaX[s] = 2.0;
    }
    S->AlphaVariance = 1.0;
    BuildModelDesign(*S);
    setseedall(12345, 678910);
    double out[4];
    UpdateLogLinMulti(*S, 15, out);
    for (double v : out) EXPECT_TRUE(std::isfinite(v));
}

TEST(DrawMvn, DrawsInSinglePrecisionMeanPlusUTransposedZ)
{
    // Covariance [[4, 2], [2, 3]]: U = [[2, 1], [0, sqrt 2]], x = mean + U^T z.
    MAT mean = mat_new(2, 1, MAT_NONE), cov = mat_new(2, 2, MAT_NONE);
    mean[0][0] = 0.1;
    mean[1][0] = -2.3;
    cov[0][0] = 4;
    cov[0][1] = cov[1][0] = 2;
    cov[1][1] = 3;
    setseedall(12345, 678910);
    const float z1 = genstdnorm(), z2 = genstdnorm();
    setseedall(12345, 678910);
    double out[2];
    DrawMvn(mean, cov, out);
    const float u22 = (float)std::sqrt(2.0);
    const float x1 = (float)((double)(float)(2.0f * (double)z1) + (double)0.1f);
    const float a2 = (float)((double)(float)(1.0f * (double)z1) + (double)u22 * z2);
    const float x2 = (float)((double)a2 + (double)(-2.3f));
    EXPECT_EQ(out[0], (double)x1);
    EXPECT_EQ(out[1], (double)x2);
    EXPECT_EQ(cov[0][1], 2.0) << "the caller's covariance is not factorised";
    mat_release(mean);
    mat_release(cov);
}

// ---------------------------------------------------------------- the coefficient step

TEST(CoefficientStep, EveryModelDrawsItsOwnSlotsOnly)
{
    const double all[4] = {0.7, -0.4, 0.3, 0.25};
    setseedall(5, 7);
    auto S = NewState();
    for (int32_t code : kAllCodes) {
        double truth[4];
        for (int j = 0; j < 4; ++j) truth[j] = (code & (1 << j)) ? all[j] : 0.0;
        FillRegression(*S, truth, 1e-8);
        S->cfg.sigmap = 1e6;
        S->CurrentModel = code;
        // A valid state: slots outside the model are 0; the model's own hold stale values.
        for (int j = 0; j < 4; ++j) S->LogLinPar[j] = (code & (1 << j)) ? 5.0 : 0.0;
        CoefficientStep(*S);
        for (int j = 0; j < 4; ++j) {
            if (code & (1 << j))
                EXPECT_NEAR(S->LogLinPar[j], truth[j], 2e-3) << "code " << code << " slot " << j;
            else
                EXPECT_EQ(S->LogLinPar[j], 0.0) << "code " << code << " slot " << j;
        }
    }
}

TEST(CoefficientStep, ModelTwoClearsTheConstantBeforeDrawingG1)
{
    // A stale constant must not enter the residual of the G1 draw.
    const double truth[4] = {0.0, -0.4, 0.0, 0.0};
    auto S = RegressionState(truth, 1e-8);
    S->cfg.sigmap = 1e6;
    S->CurrentModel = 2;
    const double stale[4] = {3.0, 0.0, 0.0, 0.0};
    for (int j = 0; j < 4; ++j) S->LogLinPar[j] = stale[j];
    setseedall(12345, 678910);
    CoefficientStep(*S);
    EXPECT_EQ(S->LogLinPar[0], 0.0);
    EXPECT_NEAR(S->LogLinPar[1], -0.4, 1e-3);
}

TEST(CoefficientStep, CodesOutsideTheModelSpaceStop)
{
    ScopedFatalStopHandler handler;
    const double b[4] = {0, 0, 0, 0};
    auto S = RegressionState(b, 1.0);
    for (int32_t code : {0, 8, 9, 13, 16}) {
        S->CurrentModel = code;
        try {
            CoefficientStep(*S);
            ADD_FAILURE() << "code " << code << " did not stop";
        } catch (const FatalStopCalled& e) {
            EXPECT_STREQ(e.what(), "model not allowed.\n");
        }
        double out[4];
        try {
            UpdateLogLinMulti(*S, code, out);
            ADD_FAILURE() << "code " << code << " did not stop";
        } catch (const FatalStopCalled& e) {
            EXPECT_STREQ(e.what(), "model not allowed.\n");
        }
    }
    for (int32_t code : {1, 2, 4}) {
        double out[4];
        EXPECT_THROW(UpdateLogLinMulti(*S, code, out), FatalStopCalled) << "code " << code;
    }
}

TEST(UpdateLogLinMulti, ASingularPrecisionStopsInsteadOfReadingAMissingMatrix)
{
    // An infinite prior variance removes the 1/V term; two identical sources leave XtX
    // exactly singular, so the toolkit's inverse yields no matrix.
    ScopedFatalStopHandler handler;
    auto S = NewState();
    DefaultSettings(*S);
    S->NumSources = 2;
    for (int s = 0; s < 2; ++s) {
        S->Sources[s].G1 = 2.0;
        S->Sources[s].G2 = 1.0;
        S->AlphaX[s] = 1.0;
    }
    S->AlphaVariance = 1.0;
    S->cfg.sigmap = INFINITY;
    BuildModelDesign(*S);
    double out[4];
    try {
        UpdateLogLinMulti(*S, 3, out);
        ADD_FAILURE() << "no stop";
    } catch (const FatalStopCalled& e) {
        EXPECT_STREQ(e.what(), "log-linear coefficients: the precision matrix is singular.\n");
    }
    const double b[4] = {0.1, 0.2, 0, 0};
    EXPECT_THROW(ModelJumpDensity(*S, 1, 3, b), FatalStopCalled);
}
