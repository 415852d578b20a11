// Small data sets, a cache check and a throwing fatal-stop handler for the model tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/FatalStop.h"
#include "core/SamplerState.h"
#include "model/model.h"
#include "random/ranlib.h"
#include "Fixtures.h"

namespace modeltest {

// A fatal stop that unwinds back into the test instead of ending the process.
struct FatalStopCalled : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] inline void ThrowFatalStop(const char* message)
{
    throw FatalStopCalled(message);
}
struct ScopedFatalStopHandler {
    ScopedFatalStopHandler() { SetFatalStopHandler(ThrowFatalStop); }
    ~ScopedFatalStopHandler() { SetFatalStopHandler(nullptr); }
};

// A data set of the given size with reproducible counts and genotypes. Every source has
// the same number of alleles at a locus (alleles[l]); a share missingRate of the genotypes
// is missing.
inline std::unique_ptr<SamplerState> SyntheticData(int sources, const std::vector<int>& alleles,
                                                   int individuals, double missingRate,
                                                   uint32_t seed)
{
    auto S = NewState();
    DefaultSettings(*S);
    S->NumSources = sources;
    S->NumLoci = static_cast<int>(alleles.size());
    S->NumMixture = individuals;
    std::mt19937 gen(seed);
    auto below = [&gen](uint32_t m) { return static_cast<int>(gen() % m); };
    for (int s = 0; s < sources; ++s) {
        S->Sources[s].G1 = 0.5 * s + 0.1;
        S->Sources[s].G2 = 1.0 - 0.3 * s;
        for (int l = 0; l < S->NumLoci; ++l) {
            LocusData& L = S->Sources[s].loci[l];
            L.NumAlleles = alleles[l];
            for (int k = 0; k < L.NumAlleles; ++k) L.Count[k] = below(20);
        }
    }
    for (int i = 0; i < individuals; ++i)
        for (int l = 0; l < S->NumLoci; ++l) {
            const bool missing = (gen() % 1000) < missingRate * 1000;
            S->Mixture[i].Allele1[l] = missing ? MissingAllele : below(alleles[l]);
            S->Mixture[i].Allele2[l] = missing ? MissingAllele : below(alleles[l]);
        }
    return S;
}

inline void SetDirichletPar(SamplerState& S)
{
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            for (int k = 0; k < L.NumAlleles; ++k) L.DirichletPar[k] = L.Count[k] + 1;
        }
}

// What the driver does before the first iteration, as far as the model is concerned.
inline void StartChain(SamplerState& S, int32_t seed0, int32_t seed1)
{
    setseedall(seed0, seed1);
    SetDirichletPar(S);
    SetInitialState(S);
    RecomputeLikelihood(S);
}

inline bool CloseRel(long double a, long double b, long double rel, long double floor = 0.0L)
{
    const long double scale = std::fmax(std::fabs(b), floor);
    return std::fabs(a - b) <= rel * scale;
}

// The cache invariant: every record and the total equal a rebuild from scratch. Leaves the
// rebuilt values in place.
// The records of the individuals in before, bit for bit as they were: the terms, and with
// logs, the logs too.
inline void ExpectRecordsAsBefore(const SamplerState& S, const std::vector<IndividualLikelihood>& before,
                                  bool logs, const std::string& where)
{
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(S.Lik[i].L0, before[i].L0) << where << " L0 of " << i;
        EXPECT_EQ(S.Lik[i].L1, before[i].L1) << where << " L1 of " << i;
        EXPECT_EQ(S.Lik[i].L2, before[i].L2) << where << " L2 of " << i;
        if (logs) {
            EXPECT_EQ(S.Lik[i].LogL, before[i].LogL) << where << " LogL of " << i;
        }
    }
}

inline void ExpectCacheMatchesRecompute(SamplerState& S, long double rel, const std::string& where)
{
    std::vector<IndividualLikelihood> cached(S.Lik, S.Lik + S.NumMixture);
    const long double total = S.LogLikelihood;
    RecomputeLikelihood(S);
    const bool f1 = S.cfg.Generation != 0;
    for (int i = 0; i < S.NumMixture; ++i) {
        const IndividualLikelihood& c = cached[i];
        const IndividualLikelihood& f = S.Lik[i];
        EXPECT_TRUE(CloseRel(c.L0, f.L0, rel)) << where << " L0 of " << i << ": "
                                               << (double)c.L0 << " vs " << (double)f.L0;
        if (f1) {
            EXPECT_TRUE(CloseRel(c.L1, f.L1, rel)) << where << " L1 of " << i;
            EXPECT_TRUE(CloseRel(c.L2, f.L2, rel)) << where << " L2 of " << i;
        }
        EXPECT_TRUE(CloseRel(c.LogL, f.LogL, rel, 1.0L))
            << where << " LogL of " << i << ": " << (double)c.LogL << " vs " << (double)f.LogL;
    }
    EXPECT_TRUE(CloseRel(total, S.LogLikelihood, rel, 1.0L))
        << where << " LogLikelihood " << (double)total << " vs " << (double)S.LogLikelihood;
}

inline void ExpectCompositionsValid(const SamplerState& S, const std::string& where)
{
    double sum = 0.0;
    for (int s = 0; s < S.NumSources; ++s) {
        EXPECT_GE(S.x[s], 0.0) << where;
        sum += S.x[s];
    }
    EXPECT_NEAR(sum, 1.0, 1e-12) << where;
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            const LocusData& L = S.Sources[s].loci[l];
            double psum = 0.0;
            for (int k = 0; k < L.NumAlleles; ++k) {
                EXPECT_GE(L.p[k], 0.0) << where << " source " << s << " locus " << l;
                psum += L.p[k];
            }
            EXPECT_NEAR(psum, 1.0, 1e-12) << where << " source " << s << " locus " << l;
        }
}

// Seeds far apart: the first uniforms of neighbouring seeds are almost equal.
inline int32_t SpreadSeed(int k)
{
    return static_cast<int32_t>((static_cast<uint64_t>(k) * 2654435761u) % 2147483000u) + 1;
}

// The uniforms genunit will return next, from a fresh seeding.
inline std::vector<float> UniformsFrom(int32_t seed0, int32_t seed1, int count)
{
    setseedall(seed0, seed1);
    std::vector<float> u(count);
    for (float& v : u) v = genunit();
    return u;
}

}  // namespace modeltest
