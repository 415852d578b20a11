// The AlphaX, x and w moves: their windows, their draws, the tiny-share guard, and the
// likelihood cache they keep.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "ModelTestData.h"

using namespace modeltest;

namespace {

struct WindowCase {
    double a, b;
    double lo, hi;
};

TEST(ShareWindow, ForwardWindowIsCappedAndFloored)
{
    const double e = 0.1f;
    for (const WindowCase& c : {
             WindowCase{0.7, 0.3, 0.7 - e, 0.7 + e},
             WindowCase{0.95, 0.05, 0.95 - e, 0.99999},  // x[s] + x[t] = 1 is above the cap
             WindowCase{0.05, 0.02, 0.0, 0.05 + 0.02},
             WindowCase{2e-6, 3e-6, 0.0, 0.00001},  // floor above x[s] + x[t]
         }) {
        const ProposalWindow w = ShareWindow(c.a, c.b, 0.1f);
        EXPECT_EQ(w.lo, c.lo) << c.a << ", " << c.b;
        EXPECT_EQ(w.hi, c.hi) << c.a << ", " << c.b;
    }
    const ProposalWindow w = ShareWindow(0.7, 0.3, 0.1f);
    EXPECT_NEAR(w.lo, 0.6, 1e-8);
    EXPECT_NEAR(w.hi, 0.8, 1e-8);
    EXPECT_NEAR(ShareWindow(0.95, 0.05, 0.1f).lo, 0.85, 1e-8);
}

TEST(ShareWindow, ReverseWindowIsCappedAtOneOnly)
{
    const double e = 0.1f;
    for (const WindowCase& c : {
             WindowCase{0.99, 0.01, 0.99 - e, 1.0},  // not 0.99999
             WindowCase{0.97, 0.03, 0.97 - e, 1.0},
             WindowCase{0.5, 0.02, 0.5 - e, 0.5 + 0.02},
             WindowCase{2e-6, 3e-6, 0.0, 2e-6 + 3e-6},  // no floor
         }) {
        const ProposalWindow w = ShareReverseWindow(c.a, c.b, 0.1f);
        EXPECT_EQ(w.lo, c.lo) << c.a << ", " << c.b;
        EXPECT_EQ(w.hi, c.hi) << c.a << ", " << c.b;
    }
}

TEST(MatingWindow, ClippedToTheUnitInterval)
{
    const double e = 0.3f;
    for (const WindowCase& c : {WindowCase{0.9, 0, 0.9 - e, 1.0}, WindowCase{0.1, 0, 0.0, 0.1 + e},
                                WindowCase{0.5, 0, 0.5 - e, 0.5 + e}, WindowCase{1.0, 0, 1.0 - e, 1.0},
                                WindowCase{0.0, 0, 0.0, e}}) {
        const ProposalWindow w = MatingWindow(c.a, 0.3f);
        EXPECT_EQ(w.lo, c.lo) << c.a;
        EXPECT_EQ(w.hi, c.hi) << c.a;
    }
    EXPECT_NEAR(MatingWindow(0.9, 0.3f).lo, 0.6, 1e-7);
    EXPECT_NEAR(MatingWindow(0.1, 0.3f).hi, 0.4, 1e-7);
}

TEST(MetropolisTest, OrderedComparisonOfLogV)
{
    auto S = NewState();
    const std::vector<float> u = UniformsFrom(11, 12, 8);
    setseedall(11, 12);
    EXPECT_FALSE(MetropolisTest(*S, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(S->ScratchUniform, u[0]);
    EXPECT_TRUE(MetropolisTest(*S, 0.0));  // log V < 0 for every V below 1
    EXPECT_TRUE(MetropolisTest(*S, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(MetropolisTest(*S, -1e300));
    EXPECT_EQ(MetropolisTest(*S, -1.0), std::log((double)u[4]) <= -1.0);
    EXPECT_EQ(genunit(), u[5]);
}

// Three sources with a few loci; the chain is started as the driver starts it.
std::unique_ptr<SamplerState> SmallChain(int generation, uint32_t dataSeed)
{
    auto S = SyntheticData(3, {2, 4, 3, 2, 5}, 20, 0.1, dataSeed);
    S->cfg.Generation = generation;
    StartChain(*S, 12345, 678910);
    return S;
}

struct XDraws {
    int s, t;
    float U, V;
    size_t afterU, next;
};
XDraws PredictX(const std::vector<float>& u, int n)
{
    size_t j = 0;
    XDraws d{};
    do d.s = (int)((double)u[j++] * n); while (d.s > n - 1);
    do d.t = (int)((double)u[j++] * n); while (d.t == d.s || d.t > n - 1);
    do d.U = u[j++]; while (d.U >= 1.0f);
    d.afterU = j;
    do d.V = u[j++]; while (d.V >= 1.0f);
    d.next = j;
    return d;
}

TEST(UpdateX, MoveUsesTheDrawnSourcesAndRejectionChangesNothing)
{
    for (int generation : {0, 1}) {
        auto S = SmallChain(generation, 5);
        int accepted = 0, rejected = 0;
        for (int32_t k = 1; k <= 40; ++k) {
            const int32_t seed = SpreadSeed(k);
            const std::vector<float> u = UniformsFrom(seed, 3, 40);
            const XDraws d = PredictX(u, 3);
            double x[ParamSlots];
            std::memcpy(x, S->x, sizeof x);
            std::vector<IndividualLikelihood> lik(S->Lik, S->Lik + S->NumMixture);
            const long double total = S->LogLikelihood;

            setseedall(seed, 3);
            int32_t count = 7;
            UpdateX(*S, count);
            EXPECT_EQ(genunit(), u[d.next]) << "seed " << seed << ": draws out of step";
            if (count == 8) {
                ++accepted;
                const ProposalWindow w = ShareWindow(x[d.s], x[d.t], 0.1f);
                const double xs = w.lo + d.U * (w.hi - w.lo);
                EXPECT_EQ(S->x[d.s], xs);
                EXPECT_EQ(S->x[d.t], x[d.s] + x[d.t] - xs);
                EXPECT_EQ(S->x[3 - d.s - d.t], x[3 - d.s - d.t]);
                ExpectCacheMatchesRecompute(*S, 1e-12L, "after an accepted x move");
            } else {
                ++rejected;
                EXPECT_EQ(count, 7);
                EXPECT_EQ(0, std::memcmp(x, S->x, sizeof x));
                ExpectRecordsAsBefore(*S, lik, true, "after a rejected x move");
                EXPECT_EQ(S->LogLikelihood, total);
            }
        }
        EXPECT_GT(accepted, 0) << "generation " << generation;
        EXPECT_GT(rejected, 0) << "generation " << generation;
    }
}

// Without mixture data the target of x is its Dirichlet alone: each decision follows from
// the window widths and the density change, so a wrong Hastings term shows.
TEST(UpdateX, DecisionWithoutDataFollowsPriorAndHastingsTerms)
{
    auto S = SmallChain(1, 5);
    S->NumMixture = 0;
    struct Case {
        double alpha[3];
        double start[3];
    };
    // The second case has two shares below the floor of the forward window, where the
    // reverse window differs from it.
    const Case cases[2] = {{{2.0, 0.5, 3.0}, {0.15, 0.05, 0.8}},
                           {{4.0, 4.0, 1.0}, {1.5e-6, 0.5e-6, 1.0 - 2e-6}}};
    int accepted = 0, rejected = 0;
    for (int32_t k = 1; k <= 160; ++k) {
        const int32_t seed = SpreadSeed(k);
        const double* alpha = cases[k % 2].alpha;
        const double* start = cases[k % 2].start;
        std::memcpy(S->AlphaX, alpha, 3 * sizeof(double));
        std::memcpy(S->x, start, 3 * sizeof(double));
        RecomputeLikelihood(*S);
        const std::vector<float> u = UniformsFrom(seed, 2, 40);
        const XDraws d = PredictX(u, 3);
        const ProposalWindow w = ShareWindow(start[d.s], start[d.t], 0.1f);
        double xp[3] = {start[0], start[1], start[2]};
        xp[d.s] = w.lo + d.U * (w.hi - w.lo);
        xp[d.t] = start[d.s] + start[d.t] - xp[d.s];
        const ProposalWindow rev = ShareReverseWindow(xp[d.s], xp[d.t], 0.1f);
        const double r = std::log(1.0 / (rev.hi - rev.lo))
                         + (DirichletLogDensity(xp, alpha, 3) - DirichletLogDensity(start, alpha, 3))
                         - std::log(1.0 / (w.hi - w.lo));
        const bool expected = std::log((double)d.V) <= r;

        setseedall(seed, 2);
        int32_t count = 0;
        UpdateX(*S, count);
        EXPECT_EQ(count == 1, expected) << "seed " << seed << ", r " << r;
        (expected ? accepted : rejected)++;
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
}

// Two shares together below 0.00001: the window's floor lets the proposal overshoot,
// and a negative share must never enter the state.
TEST(UpdateX, NegativeShareFromTheTinyWindowIsRejectedBeforeTheTest)
{
    auto S = SmallChain(1, 8);
    const double tiny[3] = {3e-6, 2e-6, 1.0 - 5e-6};
    for (int s = 0; s < 3; ++s) {
        S->x[s] = tiny[s];
        S->AlphaX[s] = 1.0;
    }
    RecomputeLikelihood(*S);

    int negative = 0, ordinary = 0;
    for (int32_t k = 1; k <= 300 && (negative < 3 || ordinary < 3); ++k) {
        const int32_t seed = SpreadSeed(k);
        const std::vector<float> u = UniformsFrom(seed, 17, 40);
        const XDraws d = PredictX(u, 3);
        const bool bothTiny = d.s != 2 && d.t != 2;
        if (!bothTiny) continue;
        const ProposalWindow w = ShareWindow(S->x[d.s], S->x[d.t], 0.1f);
        const double xs = w.lo + d.U * (w.hi - w.lo);
        const bool overshoots = S->x[d.s] + S->x[d.t] - xs < 0.0;

        double x[ParamSlots];
        std::memcpy(x, S->x, sizeof x);
        const long double total = S->LogLikelihood;
        setseedall(seed, 17);
        int32_t count = 0;
        UpdateX(*S, count);
        const float next = genunit();
        if (overshoots) {
            ++negative;
            EXPECT_EQ(count, 0);
            EXPECT_EQ(0, std::memcmp(x, S->x, sizeof x));
            EXPECT_EQ(S->LogLikelihood, total);
            EXPECT_EQ(next, u[d.afterU]) << "seed " << seed << ": no acceptance uniform is drawn";
        } else {
            ++ordinary;
            EXPECT_EQ(next, u[d.next]) << "seed " << seed;
            if (count == 1) {  // restore the tiny shares for the next case
                for (int s = 0; s < 3; ++s) S->x[s] = tiny[s];
                RecomputeLikelihood(*S);
            }
        }
        for (int s = 0; s < 3; ++s) EXPECT_GE(S->x[s], 0.0) << "seed " << seed;
    }
    EXPECT_GE(negative, 3);
    EXPECT_GE(ordinary, 3);
}

TEST(UpdateX, SharesNeverTurnNegativeOverALongRun)
{
    auto S = SmallChain(0, 9);
    const double tiny[3] = {4e-6, 4e-6, 1.0 - 8e-6};
    std::memcpy(S->x, tiny, sizeof tiny);
    for (int s = 0; s < 3; ++s) S->AlphaX[s] = 0.05;  // keeps shares near zero
    RecomputeLikelihood(*S);
    int32_t count = 0;
    for (int k = 0; k < 2000; ++k) {
        UpdateX(*S, count);
        for (int s = 0; s < 3; ++s) ASSERT_GE(S->x[s], 0.0) << "iteration " << k;
    }
    ExpectCompositionsValid(*S, "after 2000 x moves");
    ExpectCacheMatchesRecompute(*S, 1e-9L, "after 2000 x moves");
}

TEST(UpdateX, SingleSourceMakesNoMoveAndNoDraws)
{
    auto S = SyntheticData(1, {2, 3}, 5, 0.0, 4);
    S->cfg.aTau = 1.0;
    StartChain(*S, 1, 2);
    const std::vector<float> u = UniformsFrom(8, 9, 2);
    setseedall(8, 9);
    int32_t count = 0;
    UpdateX(*S, count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(S->x[0], 1.0);
    EXPECT_EQ(genunit(), u[0]);
}

TEST(UpdateW, MoveUsesTheDrawnUniformAndRecombinesTheCachedTerms)
{
    auto S = SmallChain(1, 6);
    int accepted = 0, rejected = 0;
    for (int32_t k = 1; k <= 40; ++k) {
        const int32_t seed = SpreadSeed(k);
        const std::vector<float> u = UniformsFrom(seed, 5, 10);
        size_t j = 0;
        float U, V;
        do U = u[j++]; while (U >= 1.0f);
        do V = u[j++]; while (V >= 1.0f);
        const double w = S->w;
        std::vector<IndividualLikelihood> lik(S->Lik, S->Lik + S->NumMixture);
        const long double total = S->LogLikelihood;

        setseedall(seed, 5);
        int32_t count = 0;
        UpdateW(*S, count);
        EXPECT_EQ(genunit(), u[j]) << "seed " << seed;
        ExpectRecordsAsBefore(*S, lik, false, "w moves never touch the terms");
        if (count == 1) {
            ++accepted;
            const ProposalWindow win = MatingWindow(w, 0.3f);
            EXPECT_EQ(S->w, win.lo + U * (win.hi - win.lo));
            long double sum = 0;
            for (int i = 0; i < S->NumMixture; ++i) {
                const double LogL = (double)IndividualLogL(*S, lik[i].L0, lik[i].L1, lik[i].L2, S->w);
                EXPECT_EQ(S->Lik[i].LogL, (long double)LogL);
                sum += LogL;
            }
            EXPECT_EQ(S->LogLikelihood, sum);
            ExpectCacheMatchesRecompute(*S, 1e-12L, "after an accepted w move");
        } else {
            ++rejected;
            EXPECT_EQ(S->w, w);
            EXPECT_EQ(S->LogLikelihood, total);
            for (int i = 0; i < S->NumMixture; ++i) EXPECT_EQ(S->Lik[i].LogL, lik[i].LogL);
        }
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
}

// Without mixture data only the windows decide: near 1 the reverse window is wider.
TEST(UpdateW, DecisionWithoutDataFollowsTheHastingsTerm)
{
    auto S = SmallChain(1, 6);
    S->NumMixture = 0;
    int accepted = 0, rejected = 0;
    for (int32_t k = 1; k <= 80; ++k) {
        const int32_t seed = SpreadSeed(k);
        S->w = 0.95;
        RecomputeLikelihood(*S);
        const std::vector<float> u = UniformsFrom(seed, 4, 10);
        size_t j = 0;
        float U, V;
        do U = u[j++]; while (U >= 1.0f);
        do V = u[j++]; while (V >= 1.0f);
        const ProposalWindow w = MatingWindow(0.95, 0.3f);
        const ProposalWindow rev = MatingWindow(w.lo + U * (w.hi - w.lo), 0.3f);
        const double r = std::log(1.0 / (rev.hi - rev.lo)) - std::log(1.0 / (w.hi - w.lo));
        const bool expected = std::log((double)V) <= r;

        setseedall(seed, 4);
        int32_t count = 0;
        UpdateW(*S, count);
        EXPECT_EQ(count == 1, expected) << "seed " << seed << ", r " << r;
        (expected ? accepted : rejected)++;
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
}

TEST(UpdateW, GenerationZeroKeepsWAtOne)
{
    auto S = SmallChain(0, 6);
    ASSERT_EQ(S->w, 1.0);
    const std::vector<float> u = UniformsFrom(1, 1, 1);
    setseedall(1, 1);
    int32_t count = 0;
    UpdateW(*S, count);
    EXPECT_EQ(S->w, 1.0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(genunit(), u[0]);
}

// With a step variance of 0 the proposal equals the current value, r is 0 and every move
// is accepted: one normal and one uniform per source.
TEST(UpdateAlphaX, ProposalEqualToTheCurrentValueIsAlwaysAccepted)
{
    auto S = SmallChain(1, 7);
    S->cfg.alphax = 0.0;
    double alpha[ParamSlots];
    std::memcpy(alpha, S->AlphaX, sizeof alpha);

    setseedall(31, 32);
    std::vector<float> expectedV;
    for (int s = 0; s < 3; ++s) {
        genstdnorm();
        float V;
        do V = genunit(); while (V >= 1.0f);
        expectedV.push_back(V);
    }
    const float next = genunit();

    setseedall(31, 32);
    float figure = -1;
    UpdateAlphaX(*S, figure);
    EXPECT_EQ(figure, 1.0f);
    EXPECT_EQ(S->ScratchUniform, expectedV[2]);
    EXPECT_EQ(genunit(), next);
    EXPECT_EQ(0, std::memcmp(alpha, S->AlphaX, sizeof alpha));
    UpdateAlphaX(*S, figure);
    EXPECT_EQ(figure, 2.0f);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(S->AlphaXAcceptCount[s], 2.0f);
}

// The ratio of one AlphaX move, written out from its parts: the normal prior of
// log AlphaX and the change of the Dirichlet density of x.
TEST(UpdateAlphaX, DecisionFollowsPriorAndDirichletTerms)
{
    auto S = SmallChain(1, 7);
    S->NumSources = 2;  // one move to predict per source
    S->x[0] = 0.3;
    S->x[1] = 0.7;
    S->mu[0] = 0.4;
    S->mu[1] = -0.2;
    S->AlphaVariance = 0.8;
    S->cfg.alphax = 2.0;
    int accepted = 0, rejected = 0;
    for (int32_t k = 1; k <= 300; ++k) {
        const int32_t seed = SpreadSeed(k);
        S->AlphaX[0] = 1.7;
        S->AlphaX[1] = 2.5;
        setseedall(seed, 8);
        double alpha[2] = {1.7, 2.5};
        bool expected[2];
        for (int s = 0; s < 2; ++s) {
            const double A = alpha[0] + alpha[1];
            const double z = genstdnorm();
            const double prop = alpha[s] * std::exp(std::sqrt(2.0) * z);
            float V;
            do V = genunit(); while (V >= 1.0f);
            const double prior = -((std::log(prop) - S->mu[s]) * (std::log(prop) - S->mu[s])
                                   - (std::log(alpha[s]) - S->mu[s]) * (std::log(alpha[s]) - S->mu[s]))
                                 / (2 * 0.8);
            const double r = prior + std::log(S->x[s]) * (prop - alpha[s])
                             + log_gamma((float)(A - alpha[s] + prop)) + log_gamma((float)alpha[s])
                             - log_gamma((float)A) - log_gamma((float)prop);
            expected[s] = std::log((double)V) <= r;
            if (expected[s]) alpha[s] = prop;  // later sources see the accepted value
            (expected[s] ? accepted : rejected)++;
        }
        setseedall(seed, 8);
        float figure = 0;
        UpdateAlphaX(*S, figure);
        EXPECT_EQ(S->AlphaX[0], alpha[0]) << "seed " << seed;
        EXPECT_EQ(S->AlphaX[1], alpha[1]) << "seed " << seed;
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
}

TEST(UpdateAlphaX, FigureIsTheMeanAcceptedCountOverSources)
{
    auto S = SmallChain(1, 7);
    float figure = 0;
    std::vector<int> moved(3, 0);
    for (int k = 0; k < 100; ++k) {
        double before[3];
        std::memcpy(before, S->AlphaX, sizeof before);
        UpdateAlphaX(*S, figure);
        for (int s = 0; s < 3; ++s)
            if (S->AlphaX[s] != before[s]) ++moved[s];
    }
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(S->AlphaXAcceptCount[s], (float)moved[s]);
        EXPECT_GT(S->AlphaX[s], 0.0);
    }
    EXPECT_EQ(figure, (float)((moved[0] + moved[1] + moved[2]) / 3.0));
    EXPECT_GT(figure, 0.0f);
    EXPECT_LT(figure, 100.0f);
}

// Every update, many times, in the driver's order: the cached records still equal a
// rebuild, and the shares and frequencies stay compositions.
TEST(LikelihoodCache, MatchesARebuildAfterManyMixedUpdates)
{
    for (int generation : {0, 1}) {
        auto S = SmallChain(generation, 21 + generation);
        float fAlpha = 0, fP = 0;
        int32_t ax = 0, aw = 0;
        for (int k = 1; k <= 300; ++k) {
            UpdateAlphaX(*S, fAlpha);
            UpdateX(*S, ax);
            if (generation != 0) UpdateW(*S, aw);
            UpdateP(*S, fP);
            if (k % 100 == 0) {
                const std::string where = "generation " + std::to_string(generation) + ", iteration "
                                          + std::to_string(k);
                ExpectCompositionsValid(*S, where);
                ExpectCacheMatchesRecompute(*S, 1e-9L, where);
            }
        }
        EXPECT_GT(ax, 0);
        if (generation != 0) {
            EXPECT_GT(aw, 0);
        }
        EXPECT_GT(fP, 0.0f);
    }
}

// Hundreds of loci: the genotype probabilities the moves reuse fall below the double
// range, so a move that held them as doubles would ignore the data.
TEST(LikelihoodCache, MatchesARebuildWithProductsBelowTheDoubleRange)
{
    auto S = SyntheticData(3, std::vector<int>(400, 5), 10, 0.05, 77);
    S->cfg.Generation = 1;
    StartChain(*S, 2468, 1357);
    int underflowing = 0;
    for (int i = 0; i < S->NumMixture; ++i)
        for (int s = 0; s < 3; ++s)
            if (SingleSourceProb(*S, i, s) < (long double)DBL_MIN) ++underflowing;
    ASSERT_GT(underflowing, 0);

    float fAlpha = 0, fP = 0;
    int32_t ax = 0, aw = 0;
    const long double start = S->LogLikelihood;
    for (int k = 0; k < 4; ++k) {
        UpdateAlphaX(*S, fAlpha);
        UpdateX(*S, ax);
        UpdateW(*S, aw);
        UpdateP(*S, fP);
    }
    EXPECT_GT(ax + aw, 0);
    EXPECT_NE(S->LogLikelihood, start);
    ExpectCompositionsValid(*S, "400 loci");
    ExpectCacheMatchesRecompute(*S, 1e-9L, "400 loci");
}

}  // namespace
