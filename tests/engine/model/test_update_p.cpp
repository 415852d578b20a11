// The allele frequency move: its window, its draws, what acceptance and rejection leave
// behind, and its acceptance figure.
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "ModelTestData.h"

using namespace modeltest;

namespace {

TEST(AlleleWindow, EdgesOfTheProposalWindow)
{
    struct Case {
        double pA, pB;
        float eps;
        double lo, hi;
    };
    const double e = 0.06f;  // the half-width as the float widens
    for (const Case& c : {
             Case{0.95, 0.05, 0.06f, 0.95 - e, 1.0},  // hi is p[A] + p[B], not p[A] + 0.06
             Case{0.02, 0.5, 0.06f, 0.0, 0.02 + e},   // lo clipped at 0
             Case{0.5, 0.3, 0.06f, 0.5 - e, 0.5 + e},
             Case{0.3, 0.01, 0.06f, 0.3 - e, 0.3 + 0.01},
             Case{0.98, 0.05, 0.06f, 0.98 - e, 1.0},  // a sum above 1 is capped
         }) {
        const ProposalWindow w = AlleleWindow(c.pA, c.pB, c.eps);
        EXPECT_EQ(w.lo, c.lo) << c.pA << ", " << c.pB;
        EXPECT_EQ(w.hi, c.hi) << c.pA << ", " << c.pB;
    }
    EXPECT_NEAR(AlleleWindow(0.95, 0.05, 0.06f).lo, 0.89, 1e-8);
}

// One source, four loci; only locus 4 (index 3) has more than one allele, so every call
// of UpdateP is exactly one move, and the acceptance count shows its outcome.
std::unique_ptr<SamplerState> OneMovingLocus(int generation)
{
    auto S = NewState();
    DefaultSettings(*S);
    S->cfg.Generation = generation;
    S->cfg.epsilon_p = 0.4f;  // wide enough for many rejections
    S->NumSources = 1;
    S->NumLoci = 4;
    S->NumMixture = 6;
    for (int l = 0; l < 3; ++l) {
        LocusData& L = S->Sources[0].loci[l];
        L.NumAlleles = 1;
        L.Count[0] = 10;
        L.p[0] = 1.0;
    }
    LocusData& L = S->Sources[0].loci[3];
    L.NumAlleles = 3;
    const int counts[3] = {50, 30, 20};
    for (int k = 0; k < 3; ++k) L.Count[k] = counts[k];
    const int genotypes[6][2] = {{0, 0}, {0, 1}, {1, 2}, {2, 2}, {0, 2}, {1, 1}};
    for (int i = 0; i < 6; ++i) {
        for (int l = 0; l < 3; ++l) S->Mixture[i].Allele1[l] = S->Mixture[i].Allele2[l] = 0;
        S->Mixture[i].Allele1[3] = genotypes[i][0];
        S->Mixture[i].Allele2[3] = genotypes[i][1];
    }
    SetDirichletPar(*S);
    S->x[0] = 1.0;
    S->w = 0.4;
    return S;
}

void SetBaseFrequencies(SamplerState& S)
{
    double* p = S.Sources[0].loci[3].p;
    p[0] = 0.5;
    p[1] = 0.3;
    p[2] = 0.2;
}

void ResetFrequencies(SamplerState& S)
{
    SetBaseFrequencies(S);
    RecomputeLikelihood(S);
}

// Replays the documented draws of one move from a list of uniforms.
struct MoveDraws {
    int A, B;
    float U, V;
    size_t next;  // index of the first uniform the move leaves alone
};
MoveDraws PredictMove(const std::vector<float>& u, int K)
{
    size_t j = 0;
    MoveDraws d{};
    do d.A = (int)((double)u[j++] * K); while (d.A > K - 1);
    do d.B = (int)((double)u[j++] * K); while (d.B == d.A || d.B > K - 1);
    do d.U = u[j++]; while (d.U >= 1.0f);
    do d.V = u[j++]; while (d.V >= 1.0f);
    d.next = j;
    return d;
}

TEST(UpdateP, MoveUsesTheDrawnAllelesAndUniformAndRejectionChangesNothing)
{
    for (int generation : {0, 1}) {
        auto S = OneMovingLocus(generation);
        int accepted = 0, rejected = 0;
        for (int32_t k = 1; k <= 60; ++k) {
            const int32_t seed = SpreadSeed(k);
            ResetFrequencies(*S);
            const std::vector<float> u = UniformsFrom(seed, 99, 40);
            const MoveDraws d = PredictMove(u, 3);

            double before[MaxAlleles];
            std::memcpy(before, S->Sources[0].loci[3].p, sizeof before);
            std::vector<IndividualLikelihood> lik(S->Lik, S->Lik + 6);
            const long double total = S->LogLikelihood;
            const float count = S->PAcceptCount[0];

            setseedall(seed, 99);
            float figure = -1;
            UpdateP(*S, figure);
            EXPECT_EQ(genunit(), u[d.next]) << "seed " << seed << ": draws out of step";
            EXPECT_EQ(figure, S->PAcceptCount[0]);

            const double* p = S->Sources[0].loci[3].p;
            if (S->PAcceptCount[0] == count + 1) {
                ++accepted;
                const ProposalWindow w = AlleleWindow(before[d.A], before[d.B], 0.4f);
                const double pA = w.lo + d.U * (w.hi - w.lo);
                EXPECT_EQ(p[d.A], pA) << "seed " << seed;
                EXPECT_EQ(p[d.B], before[d.A] + before[d.B] - pA) << "seed " << seed;
                EXPECT_EQ(p[3 - d.A - d.B], before[3 - d.A - d.B]) << "seed " << seed;
                ExpectCacheMatchesRecompute(*S, 1e-12L, "after an accepted move");
            } else {
                ++rejected;
                EXPECT_EQ(S->PAcceptCount[0], count);
                EXPECT_EQ(0, std::memcmp(before, p, sizeof before)) << "seed " << seed;
                ExpectRecordsAsBefore(*S, lik, true, "seed " + std::to_string(seed));
                EXPECT_EQ(S->LogLikelihood, total);
            }
        }
        EXPECT_GT(accepted, 0) << "generation " << generation;
        EXPECT_GT(rejected, 0) << "generation " << generation;
    }
}

// Without mixture data the target is the Dirichlet prior alone: each decision follows
// from the window widths and the prior change, so a wrong Hastings term shows.
TEST(UpdateP, DecisionWithoutDataFollowsPriorAndHastingsTerms)
{
    auto S = OneMovingLocus(1);
    S->NumMixture = 0;
    S->cfg.epsilon_p = 0.06f;
    LocusData& L = S->Sources[0].loci[3];
    const double a[3] = {1.5, 4.0, 1.0};
    int accepted = 0, rejected = 0;
    for (int32_t k = 1; k <= 80; ++k) {
        const int32_t seed = SpreadSeed(k);
        L.p[0] = 0.03;
        L.p[1] = 0.5;
        L.p[2] = 0.47;
        for (int j = 0; j < 3; ++j) L.DirichletPar[j] = a[j];
        RecomputeLikelihood(*S);
        const std::vector<float> u = UniformsFrom(seed, 1, 40);
        const MoveDraws d = PredictMove(u, 3);
        double before[3] = {L.p[0], L.p[1], L.p[2]};
        const ProposalWindow w = AlleleWindow(before[d.A], before[d.B], 0.06f);
        double after[3] = {before[0], before[1], before[2]};
        after[d.A] = w.lo + d.U * (w.hi - w.lo);
        after[d.B] = before[d.A] + before[d.B] - after[d.A];
        const ProposalWindow rev = AlleleWindow(after[d.A], after[d.B], 0.06f);
        const double r = std::log(1.0 / (rev.hi - rev.lo))
                         + (DirichletLogDensity(after, a, 3) - DirichletLogDensity(before, a, 3))
                         - std::log(1.0 / (w.hi - w.lo));
        const bool expected = std::log((double)d.V) <= r;

        const float count = S->PAcceptCount[0];
        setseedall(seed, 1);
        float f = 0;
        UpdateP(*S, f);
        EXPECT_EQ(S->PAcceptCount[0] == count + 1, expected) << "seed " << seed << ", r " << r;
        (expected ? accepted : rejected)++;
    }
    EXPECT_GT(accepted, 0);
    EXPECT_GT(rejected, 0);
}

// A locus with a single allele has no second allele to trade with: no move and no draws,
// so the chain is the one of the same data without that locus.
TEST(UpdateP, LocusWithOneAlleleMakesNoDraws)
{
    auto With = OneMovingLocus(1);
    auto Without = OneMovingLocus(1);
    SetBaseFrequencies(*With);
    SetBaseFrequencies(*Without);
    // Without: only the moving locus.
    Without->NumLoci = 1;
    Without->Sources[0].loci[0] = Without->Sources[0].loci[3];
    for (int i = 0; i < 6; ++i) {
        Without->Mixture[i].Allele1[0] = Without->Mixture[i].Allele1[3];
        Without->Mixture[i].Allele2[0] = Without->Mixture[i].Allele2[3];
    }
    // With: a single-allele locus in front of it.
    With->NumLoci = 2;
    With->Sources[0].loci[1] = With->Sources[0].loci[3];
    With->Sources[0].loci[0].NumAlleles = 1;
    for (int i = 0; i < 6; ++i) {
        With->Mixture[i].Allele1[1] = With->Mixture[i].Allele1[3];
        With->Mixture[i].Allele2[1] = With->Mixture[i].Allele2[3];
    }
    RecomputeLikelihood(*With);
    RecomputeLikelihood(*Without);
    EXPECT_EQ(With->LogLikelihood, Without->LogLikelihood);

    setseedall(2024, 7);
    float f = 0;
    for (int k = 0; k < 30; ++k) UpdateP(*With, f);
    const float nextWith = genunit();
    setseedall(2024, 7);
    for (int k = 0; k < 30; ++k) UpdateP(*Without, f);
    const float nextWithout = genunit();

    EXPECT_EQ(nextWith, nextWithout);
    EXPECT_EQ(0, std::memcmp(With->Sources[0].loci[1].p, Without->Sources[0].loci[0].p,
                             sizeof(double) * MaxAlleles));
    EXPECT_EQ(With->Sources[0].loci[0].p[0], 1.0);
    EXPECT_EQ(With->LogLikelihood, Without->LogLikelihood);
}

TEST(UpdateP, LocusWithNoAllelesIsSkippedToo)
{
    auto S = OneMovingLocus(0);
    S->Sources[0].loci[0].NumAlleles = 0;
    for (int i = 0; i < 6; ++i) S->Mixture[i].Allele1[0] = S->Mixture[i].Allele2[0] = MissingAllele;
    ResetFrequencies(*S);
    const std::vector<float> u = UniformsFrom(5, 6, 40);
    const MoveDraws d = PredictMove(u, 3);
    setseedall(5, 6);
    float f = 0;
    UpdateP(*S, f);
    EXPECT_EQ(genunit(), u[d.next]);
}

// The figure counts accepted moves at the fourth locus only, averaged over sources.
TEST(UpdateP, AcceptanceFigureFollowsTheFourthLocusOnly)
{
    auto S = SyntheticData(2, {2, 3, 2, 4, 3}, 8, 0.1, 17);
    StartChain(*S, 12345, 678910);
    int moved[2] = {0, 0};
    float figure = 0;
    for (int k = 0; k < 150; ++k) {
        double before[2][MaxAlleles];
        for (int s = 0; s < 2; ++s) std::memcpy(before[s], S->Sources[s].loci[3].p, sizeof before[s]);
        UpdateP(*S, figure);
        for (int s = 0; s < 2; ++s)
            if (std::memcmp(before[s], S->Sources[s].loci[3].p, sizeof before[s]) != 0) ++moved[s];
    }
    EXPECT_EQ(S->PAcceptCount[0], (float)moved[0]);
    EXPECT_EQ(S->PAcceptCount[1], (float)moved[1]);
    EXPECT_GT(moved[0] + moved[1], 0);
    EXPECT_EQ(figure, (float)((moved[0] + moved[1]) / 2.0));
}

TEST(UpdateP, FewerThanFourLociReportNothing)
{
    auto S = SyntheticData(2, {2, 3, 2}, 8, 0.0, 3);
    StartChain(*S, 12345, 678910);
    const double start = S->Sources[0].loci[0].p[0];
    float figure = -1;
    for (int k = 0; k < 50; ++k) UpdateP(*S, figure);
    EXPECT_NE(S->Sources[0].loci[0].p[0], start);  // moves were accepted
    EXPECT_EQ(figure, 0.0f);
    EXPECT_EQ(S->PAcceptCount[0], 0.0f);
}

TEST(UpdateP, CacheAndFrequenciesStayConsistentOverManySweeps)
{
    for (int generation : {0, 1}) {
        auto S = SyntheticData(3, {2, 5, 3, 1, 4, 2}, 15, 0.1, 99 + generation);
        S->cfg.Generation = generation;
        StartChain(*S, 321, 654);
        float figure = 0;
        for (int k = 0; k < 200; ++k) UpdateP(*S, figure);
        ExpectCompositionsValid(*S, "after 200 sweeps");
        ExpectCacheMatchesRecompute(*S, 1e-9L, "after 200 sweeps");
    }
}

}  // namespace
