// Starting values: coefficient slots per model, the draw order of the initial state, and
// the refusals.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ModelTestData.h"

using namespace modeltest;

namespace {

std::vector<double> Normals(int32_t seed0, int32_t seed1, int count)
{
    setseedall(seed0, seed1);
    std::vector<double> z(count);
    for (double& v : z) v = genstdnorm();
    return z;
}

struct CoefficientCase {
    int32_t code;
    std::vector<int> drawnSlots;  // slots that take the draws after the four discarded ones, in order
};

class InitialLogLinParTest : public ::testing::TestWithParam<CoefficientCase> {};

TEST_P(InitialLogLinParTest, FillsTheModelsSlotsAfterFourDiscardedDraws)
{
    const CoefficientCase& c = GetParam();
    const int k = static_cast<int>(c.drawnSlots.size());
    const std::vector<double> z = Normals(12345, 678910, 4 + k + 1);

    static auto S = NewState();  // the record is large: one for every case
    setseedall(12345, 678910);
    InitialLogLinPar(*S, c.code);

    std::vector<double> expected(4, 0.0);
    for (int j = 0; j < k; ++j) expected[c.drawnSlots[j]] = z[4 + j];
    for (int slot = 0; slot < 4; ++slot) {
        EXPECT_EQ(S->LogLinPar[slot], expected[slot]) << "code " << c.code << " slot " << slot;
        // Slots outside the model are exactly zero, the others are not.
        const bool inModel = (c.code >> slot) & 1;
        EXPECT_EQ(S->LogLinPar[slot] != 0.0, inModel) << "code " << c.code << " slot " << slot;
    }
    EXPECT_EQ(CoefficientCount(c.code), k);
    // Exactly 4 + k normals were spent.
    EXPECT_EQ(static_cast<double>(genstdnorm()), z[4 + k]) << "code " << c.code;
}

INSTANTIATE_TEST_SUITE_P(EveryModel, InitialLogLinParTest,
                         ::testing::Values(CoefficientCase{1, {0}}, CoefficientCase{2, {1}},
                                           CoefficientCase{3, {0, 1}}, CoefficientCase{4, {2}},
                                           CoefficientCase{5, {0, 2}}, CoefficientCase{6, {1, 2}},
                                           CoefficientCase{7, {0, 1, 2}},
                                           CoefficientCase{14, {1, 2, 3}},
                                           CoefficientCase{15, {0, 1, 2, 3}}));

TEST(InitialLogLinPar, CodesThatAreNoModelStopTheRun)
{
    ScopedFatalStopHandler handler;
    auto S = NewState();
    for (int32_t code : {0, -1, 8, 9, 12, 13, 16, 31}) {
        setseedall(1, 2);
        try {
            InitialLogLinPar(*S, code);
            ADD_FAILURE() << "code " << code << " was accepted";
        } catch (const FatalStopCalled& e) {
            EXPECT_STREQ(e.what(), "model not allowed.\n") << "code " << code;
        }
    }
}

TEST(RecomputeMu, CombinesTheFourCoefficientsWithTheFactors)
{
    auto S = TwoSourceExample();  // G1 = 0.3, 2.0; G2 = 1.5, 0.2
    const double b[4] = {0.5, 2.0, -1.0, 0.25};
    std::memcpy(S->LogLinPar, b, sizeof b);
    RecomputeMu(*S);
    EXPECT_NEAR(S->mu[0], 0.5 + 2.0 * 0.3 - 1.0 * 1.5 + 0.25 * 0.3 * 1.5, 1e-15);
    EXPECT_NEAR(S->mu[1], 0.5 + 2.0 * 2.0 - 1.0 * 0.2 + 0.25 * 2.0 * 0.2, 1e-15);
}

// The initial state rebuilt draw by draw, in the documented order.
TEST(SetInitialState, DrawsEveryValueInTheDocumentedOrder)
{
    auto S = TwoSourceExample();
    DefaultSettings(*S);
    S->cfg.model = 15;
    S->cfg.aTau = 1.5;
    S->cfg.bTau = 2.0;
    SetDirichletPar(*S);
    setseedall(4711, 815);
    SetInitialState(*S);

    setseedall(4711, 815);
    float u;
    do u = genunit(); while (u >= 1.0f);
    EXPECT_EQ(S->w, static_cast<double>(u));
    for (int j = 0; j < 4; ++j) genstdnorm();  // discarded
    double b[4];
    for (double& v : b) v = genstdnorm();
    for (int j = 0; j < 4; ++j) EXPECT_EQ(S->LogLinPar[j], b[j]);
    EXPECT_EQ(S->CurrentModel, 15);
    const double G = gengammacf(2 * 0.5 + 1.5);
    EXPECT_EQ(S->AlphaVariance, 1.0 / (G / 2.0));
    double alpha[2];
    for (int s = 0; s < 2; ++s) {
        const double mu = b[1] * S->Sources[s].G1 + b[0] + b[2] * S->Sources[s].G2
                          + b[3] * S->Sources[s].G1 * S->Sources[s].G2;
        EXPECT_EQ(S->mu[s], mu);
        const double z = genstdnorm();
        alpha[s] = std::exp(std::sqrt(S->AlphaVariance) * z + mu);
        EXPECT_EQ(S->AlphaX[s], alpha[s]);
    }
    double x[2];
    gendirichlet(x, alpha, 2);
    EXPECT_EQ(S->x[0], x[0]);
    EXPECT_EQ(S->x[1], x[1]);
    for (int s = 0; s < 2; ++s)
        for (int l = 0; l < 2; ++l) {
            const LocusData& L = S->Sources[s].loci[l];
            double p[MaxAlleles];
            gendirichlet(p, L.DirichletPar, L.NumAlleles);
            for (int k = 0; k < L.NumAlleles; ++k)
                EXPECT_EQ(L.p[k], p[k]) << "source " << s << " locus " << l << " allele " << k;
        }
}

TEST(SetInitialState, SameSeedsGiveTheSameStartAndValidFrequencies)
{
    auto A = TwoSourceExample(), B = TwoSourceExample();
    DefaultSettings(*A);
    DefaultSettings(*B);
    SetDirichletPar(*A);
    SetDirichletPar(*B);
    setseedall(12345, 678910);
    SetInitialState(*A);
    setseedall(12345, 678910);
    SetInitialState(*B);
    EXPECT_EQ(A->w, B->w);
    EXPECT_EQ(0, std::memcmp(A->LogLinPar, B->LogLinPar, sizeof A->LogLinPar));
    EXPECT_EQ(0, std::memcmp(A->x, B->x, sizeof A->x));
    EXPECT_EQ(0, std::memcmp(A->AlphaX, B->AlphaX, sizeof A->AlphaX));
    EXPECT_EQ(A->AlphaVariance, B->AlphaVariance);
    for (int s = 0; s < 2; ++s)
        for (int l = 0; l < 2; ++l)
            EXPECT_EQ(0, std::memcmp(A->Sources[s].loci[l].p, B->Sources[s].loci[l].p,
                                     sizeof A->Sources[s].loci[l].p));
    // Source 2 has a count of 0 at locus 2: that allele still starts positive.
    EXPECT_EQ(A->Sources[1].loci[1].DirichletPar[0], 1.0);
    ExpectCompositionsValid(*A, "initial state");
    for (int s = 0; s < 2; ++s)
        for (int l = 0; l < 2; ++l)
            for (int k = 0; k < A->Sources[s].loci[l].NumAlleles; ++k)
                EXPECT_GT(A->Sources[s].loci[l].p[k], 0.0);
    EXPECT_GT(A->w, 0.0);
    EXPECT_LT(A->w, 1.0);
    EXPECT_EQ(A->CurrentModel, 2);
    EXPECT_EQ(A->LogLinPar[0], 0.0);  // model 2 has no constant
}

TEST(SetInitialState, GenerationZeroFixesWAtOneWithoutAUniform)
{
    auto S = TwoSourceExample();
    DefaultSettings(*S);
    S->cfg.Generation = 0;
    SetDirichletPar(*S);
    setseedall(12345, 678910);
    SetInitialState(*S);
    EXPECT_EQ(S->w, 1.0);

    // The coefficients are the ones drawn straight after seeding.
    auto R = NewState();
    setseedall(12345, 678910);
    InitialLogLinPar(*R, 2);
    EXPECT_EQ(S->LogLinPar[1], R->LogLinPar[1]);
}

TEST(SetInitialState, InvalidInitialModelStopsTheRun)
{
    ScopedFatalStopHandler handler;
    auto S = TwoSourceExample();
    DefaultSettings(*S);
    S->cfg.model = 9;  // a ModelNumber left unconverted is no ModelCode
    SetDirichletPar(*S);
    setseedall(12345, 678910);
    try {
        SetInitialState(*S);
        ADD_FAILURE() << "accepted";
    } catch (const FatalStopCalled& e) {
        EXPECT_STREQ(e.what(), "model not allowed.\n");
    }
}

// The gamma draw of the precision needs a shape above 1.
TEST(SetInitialState, PrecisionShapeNotAboveOneIsRefused)
{
    ScopedFatalStopHandler handler;
    struct Case {
        int sources;
        double aTau;
        bool refused;
    };
    for (const Case& c : {Case{2, 0.0, true}, Case{2, -0.5, true}, Case{1, 0.5, true},
                          Case{2, 0.01, false}, Case{1, 0.75, false}}) {
        auto S = TwoSourceExample();
        DefaultSettings(*S);
        S->NumSources = c.sources;
        S->cfg.aTau = c.aTau;
        SetDirichletPar(*S);
        setseedall(12345, 678910);
        bool refused = false;
        try {
            SetInitialState(*S);
        } catch (const FatalStopCalled& e) {
            refused = true;
            EXPECT_NE(std::strstr(e.what(), "aTau"), nullptr) << e.what();
        }
        EXPECT_EQ(refused, c.refused) << c.sources << " sources, aTau " << c.aTau;
    }
}

// Factors far outside the scale of the log-linear model overflow exp(mu): the start is
// refused with the reason instead of searching for ever in the gamma generator.
TEST(SetInitialState, FactorsTooLargeForTheModelAreRefused)
{
    ScopedFatalStopHandler handler;
    for (double g1 : {2601.0, -2601.0, 1e6}) {
        auto S = TwoSourceExample();
        DefaultSettings(*S);
        S->Sources[0].G1 = g1;
        S->Sources[1].G1 = g1;
        SetDirichletPar(*S);
        setseedall(12345, 678910);
        try {
            SetInitialState(*S);
            ADD_FAILURE() << "accepted G1 " << g1;
        } catch (const FatalStopCalled& e) {
            EXPECT_NE(std::strstr(e.what(), "rescale them."), nullptr) << e.what();
        }
    }
}

}  // namespace
