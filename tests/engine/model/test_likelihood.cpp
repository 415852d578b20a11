// Genotype probabilities, the per-individual terms and the density helpers, against
// values worked by hand.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>

#include <gtest/gtest.h>

#include "ModelTestData.h"

using namespace modeltest;

namespace {

void SetP(SamplerState& S, int s, int l, std::initializer_list<double> p)
{
    int k = 0;
    for (double v : p) S.Sources[s].loci[l].p[k++] = v;
}

// The two-source example with round frequencies. Individuals: 0/1 and 0/2;
// 1/1 and 2/2; missing and 0/2.
std::unique_ptr<SamplerState> Example()
{
    auto S = TwoSourceExample();
    DefaultSettings(*S);
    SetP(*S, 0, 0, {0.7, 0.3});
    SetP(*S, 0, 1, {0.25, 0.25, 0.5});
    SetP(*S, 1, 0, {0.2, 0.8});
    SetP(*S, 1, 1, {0.1, 0.6, 0.3});
    S->x[0] = 0.6;
    S->x[1] = 0.4;
    S->w = 0.3;
    return S;
}

constexpr long double kRel = 1e-15L;

TEST(GenotypeProbability, SingleAndPairSourceProductsOverLoci)
{
    auto S = Example();
    struct Case {
        int i, s;
        long double expected;
    };
    // heterozygote 2 p[a] p[b], homozygote p[a]^2, missing locus factor 1
    for (const Case& c : {Case{0, 0, (2 * 0.7 * 0.3) * (2 * 0.25 * 0.5)},
                          Case{0, 1, (2 * 0.2 * 0.8) * (2 * 0.1 * 0.3)},
                          Case{1, 0, (0.3 * 0.3) * (0.5 * 0.5)},
                          Case{1, 1, (0.8 * 0.8) * (0.3 * 0.3)},
                          Case{2, 0, 2 * 0.25 * 0.5}, Case{2, 1, 2 * 0.1 * 0.3}})
        EXPECT_TRUE(CloseRel(SingleSourceProb(*S, c.i, c.s), c.expected, kRel))
            << "individual " << c.i << " source " << c.s;

    struct PairCase {
        int i, s, t;
        long double expected;
    };
    // heterozygote ps[a] pt[b] + pt[a] ps[b], homozygote ps[a] pt[a]
    for (const PairCase& c :
         {PairCase{0, 1, 0, (0.2 * 0.3 + 0.7 * 0.8) * (0.1 * 0.5 + 0.25 * 0.3)},
          PairCase{0, 0, 1, (0.7 * 0.8 + 0.2 * 0.3) * (0.25 * 0.3 + 0.1 * 0.5)},
          PairCase{1, 1, 0, (0.8 * 0.3) * (0.3 * 0.5)},
          PairCase{2, 1, 0, 0.1 * 0.5 + 0.25 * 0.3}})
        EXPECT_TRUE(CloseRel(PairSourceProb(*S, c.i, c.s, c.t), c.expected, kRel))
            << "individual " << c.i << " sources " << c.s << ", " << c.t;

    // With two sources the sum over the other sources is the one pair times its share.
    EXPECT_TRUE(CloseRel(PairSourceSum(*S, S->x, 0, 1), PairSourceProb(*S, 0, 1, 0) * 0.6L, kRel));
}

TEST(GenotypeProbability, ZeroFrequencyOfACarriedAlleleIsReplacedInTheFirstSourceOnly)
{
    auto S = Example();
    SetP(*S, 0, 1, {0.0, 0.0, 1.0});  // individual 0 carries allele 0 at locus 2; allele 1 is not carried
    SetP(*S, 1, 1, {0.0, 0.7, 0.3});

    const long double pair = PairSourceProb(*S, 0, 0, 1);
    EXPECT_EQ(S->Sources[0].loci[1].p[0], 1e-6);
    EXPECT_EQ(S->Sources[0].loci[1].p[1], 0.0);  // not carried: untouched
    EXPECT_EQ(S->Sources[1].loci[1].p[0], 0.0);  // the second source is only read
    EXPECT_TRUE(CloseRel(pair, (0.7L * 0.8L + 0.2L * 0.3L) * (1e-6L * 0.3L + 0.0L * 1.0L), 1e-12L));

    const long double single = SingleSourceProb(*S, 0, 1);
    EXPECT_EQ(S->Sources[1].loci[1].p[0], 1e-6);
    EXPECT_EQ(S->Sources[1].loci[1].p[1], 0.7);
    EXPECT_TRUE(CloseRel(single, (2 * 0.2L * 0.8L) * (2 * 1e-6L * 0.3L), 1e-12L));
}

TEST(GenotypeProbability, AlleleCodeBeyondTheSourceSampleGetsTheSmallFrequency)
{
    auto S = Example();
    S->Mixture[0].Allele2[0] = 2;  // locus 1 has two alleles: code 2 was never seen
    const long double prob = SingleSourceProb(*S, 0, 0);
    EXPECT_EQ(S->Sources[0].loci[0].p[2], 1e-6);
    EXPECT_TRUE(CloseRel(prob, (2 * 0.7L * 1e-6L) * (2 * 0.25L * 0.5L), 1e-12L));
}

TEST(RecomputeLikelihood, F1TermsOfTheExample)
{
    auto S = Example();
    RecomputeLikelihood(*S);
    const long double P[3][2] = {{(2 * 0.7 * 0.3) * (2 * 0.25 * 0.5), (2 * 0.2 * 0.8) * (2 * 0.1 * 0.3)},
                                 {(0.3 * 0.3) * (0.5 * 0.5), (0.8 * 0.8) * (0.3 * 0.3)},
                                 {2 * 0.25 * 0.5, 2 * 0.1 * 0.3}};
    const long double Q[3] = {(0.2 * 0.3 + 0.7 * 0.8) * (0.1 * 0.5 + 0.25 * 0.3),
                              (0.8 * 0.3) * (0.3 * 0.5), 0.1 * 0.5 + 0.25 * 0.3};
    long double total = 0;
    for (int i = 0; i < 3; ++i) {
        const long double L0 = 0.6L * P[i][0] + 0.4L * P[i][1];
        const long double L1 = 0.36L * P[i][0] + 0.16L * P[i][1];
        const long double L2 = 2 * 0.6L * 0.4L * Q[i];
        const long double LogL = std::log((L1 + L2) * 0.7L + L0 * 0.3L);
        EXPECT_TRUE(CloseRel(S->Lik[i].L0, L0, 1e-14L)) << i;
        EXPECT_TRUE(CloseRel(S->Lik[i].L1, L1, 1e-14L)) << i;
        EXPECT_TRUE(CloseRel(S->Lik[i].L2, L2, 1e-14L)) << i;
        EXPECT_TRUE(CloseRel(S->Lik[i].LogL, LogL, 1e-14L)) << i;
        total += LogL;
    }
    EXPECT_TRUE(CloseRel(S->LogLikelihood, total, 1e-14L));
}

TEST(RecomputeLikelihood, WOfOneGivesTheF0Value)
{
    auto F1 = Example(), F0 = Example();
    F1->w = 1.0;
    F0->cfg.Generation = 0;
    RecomputeLikelihood(*F1);
    RecomputeLikelihood(*F0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(CloseRel(F1->Lik[i].LogL, std::log(F1->Lik[i].L0), 1e-15L)) << i;
        EXPECT_TRUE(CloseRel(F1->Lik[i].LogL, F0->Lik[i].LogL, 1e-15L)) << i;
    }
    EXPECT_TRUE(CloseRel(F1->LogLikelihood, F0->LogLikelihood, 1e-15L));
}

TEST(RecomputeLikelihood, IndividualMissingEverywhereContributesNothing)
{
    for (int generation : {0, 1}) {
        auto S = Example();
        S->cfg.Generation = generation;
        S->Mixture[2].Allele1[1] = MissingAllele;  // individual 3 now missing at both loci
        EXPECT_EQ(SingleSourceProb(*S, 2, 0), 1.0L);
        EXPECT_EQ(SingleSourceProb(*S, 2, 1), 1.0L);
        EXPECT_EQ(PairSourceProb(*S, 2, 1, 0), 1.0L);
        RecomputeLikelihood(*S);
        EXPECT_NEAR((double)S->Lik[2].LogL, 0.0, 1e-15) << "generation " << generation;
    }
}

TEST(RecomputeLikelihood, NoIndividualsGiveZero)
{
    auto S = Example();
    S->NumMixture = 0;
    S->LogLikelihood = 5.0L;
    RecomputeLikelihood(*S);
    EXPECT_EQ(S->LogLikelihood, 0.0L);
}

// Hundreds of loci: the products leave the double range and must still be exact.
TEST(RecomputeLikelihood, ProductsBelowTheDoubleRangeKeepTheirValue)
{
    auto S = NewState();
    DefaultSettings(*S);
    S->NumSources = 2;
    S->NumLoci = 400;
    S->NumMixture = 1;
    for (int s = 0; s < 2; ++s)
        for (int l = 0; l < 400; ++l) {
            LocusData& L = S->Sources[s].loci[l];
            L.NumAlleles = 2;
            L.p[0] = s == 0 ? 0.1 : 0.2;
            L.p[1] = 1.0 - L.p[0];
        }
    for (int l = 0; l < 400; ++l) S->Mixture[0].Allele1[l] = S->Mixture[0].Allele2[l] = 0;
    S->x[0] = 0.5;
    S->x[1] = 0.5;
    S->cfg.Generation = 0;
    RecomputeLikelihood(*S);
    const long double P0 = SingleSourceProb(*S, 0, 0);
    EXPECT_LT(P0, (long double)DBL_MIN);
    EXPECT_GT(P0, 0.0L);
    // L0 = 0.5 (0.01^400 + 0.04^400); its log is dominated by the second source.
    const long double expected = std::log(0.5L) + 400 * std::log(0.04L)
                                 + std::log1p(std::pow(0.25L, 400));
    EXPECT_TRUE(CloseRel(S->LogLikelihood, expected, 1e-14L)) << (double)S->LogLikelihood;
}

TEST(DirichletLogDensity, WorkedValue)
{
    const double x[3] = {0.2, 0.3, 0.5};
    const double a[3] = {2, 3, 4};
    // log(8! / (1! 2! 3!)) + log 0.2 + 2 log 0.3 + 3 log 0.5
    const double expected = std::log(40320.0 / 12.0) + std::log(0.2) + 2 * std::log(0.3)
                            + 3 * std::log(0.5);
    // The log-gamma sum is single precision: good to about 1e-7.
    EXPECT_NEAR(DirichletLogDensity(x, a, 3), expected, 1e-6);
    // Only the first K entries count.
    EXPECT_NEAR(DirichletLogDensity(x, a, 1), 0.0 + std::log(0.2), 1e-8);
}

// The sum of the parameters and the sum of their log-gamma values are single precision:
// with a large parameter the small ones are lost in both sums.
TEST(DirichletLogDensity, SumsAreAccumulatedInSinglePrecision)
{
    const double x[3] = {0.5, 0.25, 0.25};
    const double a[3] = {1e8, 3, 3};
    const double third = (1e8 - 1) * std::log(0.5) + 2 * std::log(0.25) + 2 * std::log(0.25);
    // 1e8 + 3 rounds back to 1e8 in float, and so does the next + 3.
    const float A = 1e8f;
    const float Slg = (float)log_gamma(1e8f);  // the two log Gamma(3) = log 2 are lost too
    const double expected = log_gamma(A) - (double)Slg + third;
    EXPECT_EQ(DirichletLogDensity(x, a, 3), expected);
    // Summing in double would move the result by about 8 log(1e8).
    const double inDouble = log_gamma((float)(1e8 + 6)) - (log_gamma(1e8f) + 2 * log_gamma(3.0f)) + third;
    EXPECT_GT(std::fabs(DirichletLogDensity(x, a, 3) - inDouble), 100.0);
}

TEST(NormalLogDensity, WorkedValues)
{
    EXPECT_NEAR(NormalLogDensity(0, 0, 1), -0.91893853320467274, 1e-15);
    EXPECT_NEAR(NormalLogDensity(1, 0, 4), -0.5 * std::log(8 * std::numbers::pi) - 0.125, 1e-15);
    EXPECT_NEAR(NormalLogDensity(-1.5, 0.5, 2), -0.5 * std::log(4 * std::numbers::pi) - 1.0, 1e-15);
}

MAT Column(std::initializer_list<double> v)
{
    MAT m = mat_new(static_cast<int32_t>(v.size()), 1, MAT_ZERO);
    int i = 0;
    for (double e : v) m[i++][0] = e;
    return m;
}

TEST(MvnLogDensity, DiagonalCovariance)
{
    MAT m = Column({1, 2});
    MAT v = Column({0, 0});
    MAT C = mat_new(2, 2, MAT_ZERO);
    C[0][0] = 2;
    C[1][1] = 3;
    const double expected = -0.5 * (2 * std::log(2 * std::numbers::pi) + std::log(6.0) + 0.5 + 4.0 / 3.0);
    EXPECT_NEAR(MvnLogDensity(m, C, v), expected, 1e-13);
    // Operands are left as they were.
    EXPECT_EQ(m[1][0], 2.0);
    EXPECT_EQ(C[1][1], 3.0);
    mat_release(m);
    mat_release(v);
    mat_release(C);
}

TEST(MvnLogDensity, OneDimensionEqualsTheNormal)
{
    MAT m = Column({0.5});
    MAT v = Column({-1.5});
    MAT C = mat_new(1, 1, MAT_NONE);
    C[0][0] = 2;
    EXPECT_NEAR(MvnLogDensity(m, C, v), NormalLogDensity(-1.5, 0.5, 2), 1e-14);
    mat_release(m);
    mat_release(v);
    mat_release(C);
}

TEST(MvnLogDensity, CorrelatedCovariance)
{
    MAT m = Column({0, 0});
    MAT v = Column({1, 1});
    MAT C = mat_new(2, 2, MAT_NONE);
    C[0][0] = 2;
    C[0][1] = 1;
    C[1][0] = 1;
    C[1][1] = 2;
    // det 3, inverse (1/3)[[2,-1],[-1,2]], d' C^-1 d = 2/3
    const double expected = -0.5 * (2 * std::log(2 * std::numbers::pi) + std::log(3.0) + 2.0 / 3.0);
    EXPECT_NEAR(MvnLogDensity(m, C, v), expected, 1e-13);
    mat_release(m);
    mat_release(v);
    mat_release(C);
}

TEST(MvnLogDensity, SingularCovarianceStopsInsteadOfReadingAMissingMatrix)
{
    ScopedFatalStopHandler handler;
    MAT m = Column({0, 0});
    MAT v = Column({1, 1});
    MAT C = mat_new(2, 2, MAT_NONE);
    C[0][0] = 1;
    C[0][1] = 2;
    C[1][0] = 2;
    C[1][1] = 4;
    EXPECT_THROW(MvnLogDensity(m, C, v), FatalStopCalled);
    mat_release(m);
    mat_release(v);
    mat_release(C);
}

}  // namespace
