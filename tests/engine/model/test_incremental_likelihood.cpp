// The incremental likelihood against the plain one: its carrier lists, its products after
// moves, its full rebuild, every way a zero frequency is replaced, and twin chains that
// must stay the same chain.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModelTestData.h"
#include "core/Driver.h"
#include "model/IncrementalLikelihood.h"

using namespace modeltest;

namespace {

std::unique_ptr<SamplerState> Copy(const SamplerState& S)
{
    return std::unique_ptr<SamplerState>(new SamplerState(S));
}

struct Counters : AcceptCounters {
    Counters() : AcceptCounters{} {}
};

// The model steps of the driver's iteration with the selected engine.
void Iterate(SamplerState& S, int32_t k, Counters& c)
{
    DriverModelSteps(S, k, c);
}

// Seeds the generator, draws the starting state and runs the steps with one engine.
void RunChain(SamplerState& S, int32_t engine, int iterations, int32_t seed, Counters& c)
{
    S.LikelihoodEngine = engine;
    setseedall(seed, 7 * seed + 1);
    SetDirichletPar(S);
    SetInitialState(S);
    for (int32_t k = 0; k < iterations; ++k) Iterate(S, k, c);
}

// The same chain: every parameter to the bit, the counters equal, the likelihood terms
// equal up to rounding.
void ExpectSameChain(const SamplerState& A, const Counters& ca, const SamplerState& B,
                     const Counters& cb, const std::string& where)
{
    EXPECT_EQ(ca.AcceptX, cb.AcceptX) << where;
    EXPECT_EQ(ca.AcceptW, cb.AcceptW) << where;
    EXPECT_EQ(ca.AcceptP, cb.AcceptP) << where;
    EXPECT_EQ(ca.AcceptJump, cb.AcceptJump) << where;
    EXPECT_EQ(A.w, B.w) << where;
    EXPECT_EQ(A.CurrentModel, B.CurrentModel) << where;
    for (int s = 0; s < A.NumSources; ++s) {
        EXPECT_EQ(A.x[s], B.x[s]) << where << " x of source " << s;
        EXPECT_EQ(A.AlphaX[s], B.AlphaX[s]) << where;
    }
    int differing = 0;
    for (int s = 0; s < A.NumSources; ++s)
        for (int l = 0; l < A.NumLoci; ++l)
            for (int a = 0; a < MaxAlleles; ++a)
                if (std::memcmp(&A.Sources[s].loci[l].p[a], &B.Sources[s].loci[l].p[a], sizeof(double)) != 0)
                    ++differing;
    EXPECT_EQ(differing, 0) << where << ": frequencies that differ";
    for (int i = 0; i < A.NumMixture; ++i) {
        EXPECT_TRUE(CloseRel(A.Lik[i].L0, B.Lik[i].L0, 1e-12L)) << where << " L0 of " << i;
        EXPECT_TRUE(CloseRel(A.Lik[i].L1, B.Lik[i].L1, 1e-12L)) << where << " L1 of " << i;
        EXPECT_TRUE(CloseRel(A.Lik[i].L2, B.Lik[i].L2, 1e-12L)) << where << " L2 of " << i;
        EXPECT_TRUE(CloseRel(A.Lik[i].LogL, B.Lik[i].LogL, 1e-12L, 1.0L)) << where << " LogL of " << i;
    }
    EXPECT_TRUE(CloseRel(A.LogLikelihood, B.LogLikelihood, 1e-12L, 1.0L))
        << where << ": " << (double)A.LogLikelihood << " vs " << (double)B.LogLikelihood;
}

// Runs the data through both engines and compares the chains.
void ExpectEnginesAgree(const SamplerState& data, int iterations, int32_t seed, const std::string& where)
{
    auto A = Copy(data), B = Copy(data);
    Counters ca, cb;
    RunChain(*A, LiteralLikelihoodEngine, iterations, seed, ca);
    RunChain(*B, IncrementalLikelihoodEngine, iterations, seed, cb);
    EXPECT_GT(cb.AcceptP, 0.0f) << where;
    ExpectSameChain(*A, ca, *B, cb, where);
}

// The cached products against a rebuild from the state's frequencies.
void ExpectProductsMatchRebuild(const SamplerState& S, long double rel, const std::string& where)
{
    auto R = Copy(S);
    BuildGenotypeProducts(*R);
    const bool f1 = S.cfg.Generation != 0;
    int bad = 0;
    for (int i = 0; i < S.NumMixture; ++i)
        for (int s = 0; s < S.NumSources; ++s) {
            if (!CloseRel(S.Cache.P[s][i], R->Cache.P[s][i], rel)) ++bad;
            if (!f1) continue;
            for (int t = 0; t < S.NumSources; ++t)
                if (t != s && !CloseRel(S.Cache.PP[i][s][t], R->Cache.PP[i][s][t], rel)) ++bad;
        }
    EXPECT_EQ(bad, 0) << where << ": cached products off a rebuild";
}

std::vector<int> CarriersOf(const SamplerState& S, int l, int code)
{
    const LikelihoodCache& C = S.Cache;
    return std::vector<int>(C.Carrier + C.CarrierStart[l][code], C.Carrier + C.CarrierStart[l][code + 1]);
}

// One source, one locus of three alleles, genotypes given as a*100+b.
std::unique_ptr<SamplerState> OneLocus(const std::vector<int>& genotypes, int generation)
{
    auto S = NewState();
    DefaultSettings(*S);
    S->cfg.Generation = generation;
    S->NumSources = 2;
    S->NumLoci = 1;
    S->NumMixture = (int)genotypes.size();
    for (int s = 0; s < 2; ++s) {
        LocusData& L = S->Sources[s].loci[0];
        L.NumAlleles = 3;
        const double p[3] = {0.5 - 0.2 * s, 0.3, 0.2 + 0.2 * s};
        for (int a = 0; a < 3; ++a) L.p[a] = p[a];
    }
    S->x[0] = 0.6;
    S->x[1] = 0.4;
    S->w = 0.3;
    for (size_t i = 0; i < genotypes.size(); ++i) {
        S->Mixture[i].Allele1[0] = genotypes[i] / 100;
        S->Mixture[i].Allele2[0] = genotypes[i] % 100;
    }
    return S;
}

}  // namespace

// ---------------------------------------------------------------- the cache

TEST(IncrementalCache, CarrierListsHoldEachCarrierOnceInRisingOrder)
{
    // 0/1, 1/1, 99/2 (a missing partner), 2/0, 5/0 (a code beyond the source sample),
    // 99/99.
    auto S = OneLocus({1, 101, 9902, 200, 500, 9999}, 1);
    RecomputeLikelihoodIncremental(*S);
    EXPECT_EQ(CarriersOf(*S, 0, 0), (std::vector<int>{0, 3, 4}));
    EXPECT_EQ(CarriersOf(*S, 0, 1), (std::vector<int>{0, 1}));
    EXPECT_EQ(CarriersOf(*S, 0, 2), (std::vector<int>{2, 3}));
    EXPECT_EQ(CarriersOf(*S, 0, 5), (std::vector<int>{4}));
    EXPECT_EQ(CarriersOf(*S, 0, 99), (std::vector<int>{2, 5}));
    EXPECT_TRUE(CarriersOf(*S, 0, 3).empty());
    // Read codes: both alleles present. Code 2 is read through individual 3 only.
    const uint8_t* read = S->Cache.Readable[0];
    EXPECT_EQ(read[0] + read[1] + read[2] + read[5], 4);
    EXPECT_EQ(read[3] + read[4] + read[99], 0);
}

TEST(IncrementalCache, RebuildGivesThePlainRecordsToTheBit)
{
    for (int generation : {0, 1}) {
        auto A = SyntheticData(5, {2, 7, 4, 12, 3, 5, 9}, 25, 0.08, 5 + generation);
        A->cfg.Generation = generation;
        setseedall(31, 41);
        SetDirichletPar(*A);
        SetInitialState(*A);
        auto B = Copy(*A);
        RecomputeLikelihood(*A);
        RecomputeLikelihoodIncremental(*B);
        for (int i = 0; i < A->NumMixture; ++i) {
            EXPECT_EQ(A->Lik[i].L0, B->Lik[i].L0) << i;
            EXPECT_EQ(A->Lik[i].L1, B->Lik[i].L1) << i;
            EXPECT_EQ(A->Lik[i].L2, B->Lik[i].L2) << i;
            EXPECT_EQ(A->Lik[i].LogL, B->Lik[i].LogL) << i;
            for (int s = 0; s < A->NumSources; ++s) {
                EXPECT_EQ(B->Cache.P[s][i], SingleSourceProb(*A, i, s));
                for (int t = 0; generation && t < A->NumSources; ++t) {
                    if (t == s) continue;
                    EXPECT_EQ(B->Cache.PP[i][s][t], PairSourceProb(*A, i, s, t));
                }
            }
        }
        EXPECT_EQ(A->LogLikelihood, B->LogLikelihood);
    }
}

TEST(IncrementalCache, ProductsAndRecordsStayThoseOfARebuildAfterManyMoves)
{
    for (int generation : {0, 1}) {
        auto S = SyntheticData(4, {2, 3, 5, 4, 6, 3, 2, 7, 10}, 30, 0.05, 13 + generation);
        S->cfg.Generation = generation;
        Counters c;
        RunChain(*S, IncrementalLikelihoodEngine, 400, 1234, c);
        EXPECT_GT(c.AcceptP, 0.0f);
        EXPECT_GT(c.AcceptX, 0);
        const std::string where = generation ? "F1" : "F0";
        ExpectProductsMatchRebuild(*S, 1e-15L, where);
        ExpectCacheMatchesRecompute(*S, 1e-13L, where);
    }
}

TEST(IncrementalCache, PriorTermsGiveTheDirichletDensityToTheBitAfterMoves)
{
    auto S = SyntheticData(3, {2, 5, 9, 4, 13}, 20, 0.05, 3);
    Counters c;
    RunChain(*S, IncrementalLikelihoodEngine, 200, 606, c);
    ASSERT_TRUE(CacheReady(*S));
    for (int s = 0; s < S->NumSources; ++s)
        for (int l = 0; l < S->NumLoci; ++l) {
            const LocusData& L = S->Sources[s].loci[l];
            EXPECT_EQ(CachedDirichletLogDensity(*S, s, l), DirichletLogDensity(L.p, L.DirichletPar, L.NumAlleles))
                << "source " << s << " locus " << l;
        }
}

TEST(IncrementalCache, SharesFollowedThroughTheMovesAreThoseFormedAfresh)
{
    // After a sweep the shares are those of the last source, kept by the ratios of every
    // accepted move since they were formed: against shares formed from the records.
    for (int generation : {0, 1}) {
        auto S = SyntheticData(4, {2, 5, 9, 4, 13, 3}, 30, 0.05, 8 + generation);
        S->cfg.Generation = generation;
        Counters c;
        RunChain(*S, IncrementalLikelihoodEngine, 50, 99, c);
        auto R = Copy(*S);
        const int last = S->NumSources - 1;
        PrepareMovesOfSource(*R, last);
        const std::string where = generation ? "F1" : "F0";
        int bad = 0;
        for (int i = 0; i < S->NumMixture; ++i) {
            const LikelihoodCache& A = S->Cache;
            const LikelihoodCache& B = R->Cache;
            bad += !CloseRel(A.Share[i], B.Share[i], 1e-13L, 1e-300L);
            bad += !CloseRel(A.Rest[i], B.Rest[i], 1e-13L, 1e-300L);
            double sum = B.Share[i] + B.Rest[i];
            if (generation)
                for (int t = 0; t < S->NumSources; ++t) {
                    bad += !CloseRel(A.PairShare[i][t], B.PairShare[i][t], 1e-13L, 1e-300L);
                    sum += B.PairShare[i][t];
                }
            EXPECT_NEAR(sum, 1.0, 1e-14) << where << " " << i;
        }
        EXPECT_EQ(bad, 0) << where;
    }
}

TEST(ExtendedLog, MatchesTheLibraryLogOverTheExtendedRange)
{
    // Values from far below the double range to far above, with mantissas on both sides
    // of sqrt(2), and the cases the library answers itself.
    int checked = 0;
    for (int e = -16000; e <= 16000; e += 37)
        for (long double m : {1.0L, 1.0000000000000000001L, 1.25L, 1.4142135623730950488L,
                              1.4142135623730950489L, 1.7L, 1.9999999999999999999L}) {
            const long double v = std::ldexp(m, e);
            const long double ref = std::log(v);
            EXPECT_LE(std::fabs(ExtendedLog(v) - ref), 1e-16L + 4e-19L * std::fabs(ref)) << (double)m << " 2^" << e;
            ++checked;
        }
    EXPECT_GT(checked, 5000);
    EXPECT_EQ(ExtendedLog(1.0L), 0.0L);
    EXPECT_EQ(ExtendedLog(0.0L), -INFINITY);
    EXPECT_EQ(ExtendedLog(INFINITY), INFINITY);
    EXPECT_TRUE(std::isnan(ExtendedLog(-1.0L)));
    EXPECT_TRUE(std::isnan(ExtendedLog(NAN)));
    const long double subnormal = std::ldexp(1.0L, -16440);
    EXPECT_EQ(ExtendedLog(subnormal), std::log(subnormal));
}

// ---------------------------------------------------------------- twin chains

TEST(IncrementalEngine, SameChainAsThePlainEngine)
{
    struct Case {
        const char* name;
        int sources;
        std::vector<int> alleles;
        int individuals;
        double missing;
        int generation;
        int rjmcmc;
    };
    for (const Case& c : {
             Case{"F1", 4, {2, 3, 5, 4, 6, 3, 2, 7}, 30, 0.05, 1, 1},
             Case{"F0", 4, {2, 3, 5, 4, 6, 3, 2, 7}, 30, 0.05, 0, 1},
             Case{"F1 two sources, many missing", 2, {3, 8, 2, 4, 5}, 20, 0.3, 1, 0},
             Case{"F1 one allele loci", 3, {1, 4, 1, 3, 6}, 15, 0.0, 1, 1},
         }) {
        auto S = SyntheticData(c.sources, c.alleles, c.individuals, c.missing, 99);
        S->cfg.Generation = c.generation;
        S->cfg.RJMCMC = c.rjmcmc;
        ExpectEnginesAgree(*S, 300, 2718, c.name);
    }
}

TEST(IncrementalEngine, SameChainWithAllelesBeyondTheSourceSample)
{
    // Codes at or above NumAlleles have frequency 0 until the first rebuild gives them
    // 1e-6; carried beside a missing allele only, they are never read and stay 0.
    auto S = SyntheticData(3, {3, 4, 2, 5}, 20, 0.1, 7);
    S->Mixture[0].Allele1[0] = 7;
    S->Mixture[0].Allele2[0] = 0;
    S->Mixture[1].Allele1[1] = 1;
    S->Mixture[1].Allele2[1] = 9;
    S->Mixture[2].Allele1[2] = 4;
    S->Mixture[2].Allele2[2] = 4;
    S->Mixture[3].Allele1[3] = 12;
    S->Mixture[3].Allele2[3] = MissingAllele;
    auto A = Copy(*S), B = Copy(*S);
    Counters ca, cb;
    RunChain(*A, LiteralLikelihoodEngine, 200, 5, ca);
    RunChain(*B, IncrementalLikelihoodEngine, 200, 5, cb);
    ExpectSameChain(*A, ca, *B, cb, "codes beyond the sample");
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(B->Sources[s].loci[0].p[7], 1e-6);
        EXPECT_EQ(B->Sources[s].loci[2].p[4], 1e-6);
        EXPECT_EQ(B->Sources[s].loci[3].p[12], 0.0);
    }
}

TEST(IncrementalEngine, SameChainWhenAMoveChangesALikelihoodByFarMoreThanDoubleHolds)
{
    // Allele 0 of locus 0 at 1e-20 in every source, carried as 0/0 by a third of the
    // individuals: the first accepted move that lifts it multiplies their likelihoods by
    // some 1e37, beyond the range the ratios are multiplied in double.
    for (int generation : {0, 1}) {
        auto S = SyntheticData(3, {3, 4, 5, 3}, 24, 0.0, 13);
        S->cfg.Generation = generation;
        for (int i = 0; i < S->NumMixture; i += 3) S->Mixture[i].Allele1[0] = S->Mixture[i].Allele2[0] = 0;
        auto A = Copy(*S), B = Copy(*S);
        Counters ca, cb;
        RunChain(*A, LiteralLikelihoodEngine, 2, 31, ca);
        RunChain(*B, IncrementalLikelihoodEngine, 2, 31, cb);
        for (SamplerState* T : {A.get(), B.get()})
            for (int s = 0; s < T->NumSources; ++s) T->Sources[s].loci[0].p[0] = 1e-20;
        RecomputeLikelihood(*A);
        RecomputeLikelihoodIncremental(*B);
        for (auto [T, c] : {std::pair{A.get(), &ca}, std::pair{B.get(), &cb}}) {
            setseedall(4242, 2424);
            for (int32_t k = 2; k < 40; ++k) Iterate(*T, k, *c);
        }
        const std::string where = generation ? "F1" : "F0";
        EXPECT_GT(B->Cache.ExtremeRatios, 0) << where;
        EXPECT_GT(B->Sources[0].loci[0].p[0], 1e-3) << where << ": the move was never accepted";
        ExpectSameChain(*A, ca, *B, cb, where);
    }
}

// ---------------------------------------------------------------- zero frequencies

TEST(IncrementalZeros, RebuildReplacesExactlyTheReadZeros)
{
    // Genotypes 0/0, 99/1 and 2/0: codes 0 and 2 are read, code 1 only sits beside a
    // missing allele and code 40 is carried by nobody.
    auto S = OneLocus({0, 9901, 200}, 1);
    S->Sources[1].loci[0].p[0] = 0.0;
    S->Sources[0].loci[0].p[1] = 0.0;
    S->Sources[1].loci[0].p[1] = 0.0;
    S->Sources[0].loci[0].p[40] = 0.0;
    auto A = Copy(*S), B = Copy(*S);
    RecomputeLikelihood(*A);
    RecomputeLikelihoodIncremental(*B);
    for (int s = 0; s < 2; ++s)
        for (int a = 0; a < MaxAlleles; ++a)
            EXPECT_EQ(A->Sources[s].loci[0].p[a], B->Sources[s].loci[0].p[a]) << s << " " << a;
    EXPECT_EQ(B->Sources[1].loci[0].p[0], 1e-6);
    EXPECT_EQ(B->Sources[0].loci[0].p[1], 0.0);
    EXPECT_EQ(B->Cache.NumPending, 0);
    EXPECT_EQ(A->LogLikelihood, B->LogLikelihood);
}

TEST(IncrementalZeros, AZeroLeftInTheStateIsReplacedAsThePlainMovesReadIt)
{
    // Zeros put into the state between moves (read codes of several sources and loci):
    // the moves that read them replace them in the same order in both engines, and the
    // cache comes back once they are gone.
    for (int generation : {0, 1}) {
        auto S = SyntheticData(4, {3, 4, 5, 2, 6}, 25, 0.05, 21);
        S->cfg.Generation = generation;
        auto A = Copy(*S), B = Copy(*S);
        Counters ca, cb;
        RunChain(*A, LiteralLikelihoodEngine, 20, 77, ca);
        RunChain(*B, IncrementalLikelihoodEngine, 20, 77, cb);
        for (SamplerState* T : {A.get(), B.get()}) {
            const int i = 3;
            for (int s : {0, 2, 3}) {
                const int l = s % T->NumLoci;
                T->Sources[s].loci[l].p[T->Mixture[i].Allele1[l] == MissingAllele ? 0 : T->Mixture[i].Allele1[l]] = 0.0;
            }
            T->Sources[0].loci[4].p[T->Mixture[5].Allele2[4] == MissingAllele ? 1 : T->Mixture[5].Allele2[4]] = 0.0;
        }
        InvalidateLikelihoodCache(*B);
        setseedall(555, 666);
        for (int32_t k = 1; k < 60; ++k) Iterate(*A, k, ca);
        setseedall(555, 666);
        const bool pendingAtFirst = (BuildLikelihoodCache(*B), B->Cache.NumPending > 0);
        EXPECT_TRUE(pendingAtFirst);
        for (int32_t k = 1; k < 60; ++k) Iterate(*B, k, cb);
        const std::string where = generation ? "F1" : "F0";
        ExpectSameChain(*A, ca, *B, cb, where);
        EXPECT_EQ(B->Cache.NumPending, 0) << where;
        ASSERT_TRUE(CacheReady(*B));
        ExpectProductsMatchRebuild(*B, 1e-15L, where);
    }
}

TEST(IncrementalZeros, AProposalOfExactlyZeroIsEvaluatedThePlainWay)
{
    // At the smallest subnormal frequencies the proposal lo + U (hi - lo) rounds to 0
    // for p'[A] when U is below 1/4: the plain evaluation writes 1e-6 in the state for
    // every carrier that reads it, and the rejection that follows (the window term is
    // infinite) restores the old values. Both chains must come out of it alike.
    const double tiny = 4.9406564584124654e-324;
    int64_t plain = 0;
    for (int generation : {0, 1}) {
        for (int32_t seed = 1; seed <= 2; ++seed) {
            // Locus 0 has two alleles; individuals 4 and 5 read each of them.
            auto S = SyntheticData(3, {2, 3, 4, 3}, 12, 0.0, 40 + seed);
            S->cfg.Generation = generation;
            S->Mixture[4].Allele1[0] = S->Mixture[4].Allele2[0] = 1;
            S->Mixture[5].Allele1[0] = S->Mixture[5].Allele2[0] = 0;
            auto A = Copy(*S), B = Copy(*S);
            Counters ca, cb;
            RunChain(*A, LiteralLikelihoodEngine, 2, seed, ca);
            RunChain(*B, IncrementalLikelihoodEngine, 2, seed, cb);
            for (SamplerState* T : {A.get(), B.get()}) {
                T->Sources[1].loci[0].p[0] = tiny;
                T->Sources[1].loci[0].p[1] = tiny;
            }
            InvalidateLikelihoodCache(*B);
            const int64_t before = B->Cache.PlainMoves;
            for (auto [T, c] : {std::pair{A.get(), &ca}, std::pair{B.get(), &cb}}) {
                setseedall(1000 + seed, 2000);
                for (int32_t k = 2; k < 30; ++k) Iterate(*T, k, *c);
            }
            plain += B->Cache.PlainMoves - before;
            ExpectSameChain(*A, ca, *B, cb, "subnormal frequencies, seed " + std::to_string(seed));
            EXPECT_EQ(B->Sources[1].loci[0].p[0], tiny);
            EXPECT_TRUE(CacheReady(*B));
            ExpectProductsMatchRebuild(*B, 1e-15L, "after the zero proposals");
        }
    }
    EXPECT_GT(plain, 0) << "no proposal of exactly 0";
}
