// The incremental likelihood: the same chain as the plain updates of model.h, with the
// genotype products cached per individual so that a move costs the same whatever the
// number of loci. The plain functions stay the reference; S.LikelihoodEngine selects.
//
// Zero frequencies: the plain products replace a read frequency that is exactly 0 by 1e-6
// in the state. A full recomputation makes every read frequency non-zero, and a move can
// only bring such a zero back through a proposal of exactly 0; that move, and every move
// while such a zero is left in the state, is evaluated the plain way, with the plain
// functions, so the state changes exactly as in the reference. The products are rebuilt
// before the next cached move.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/SamplerState.h"

// Drop-in replacements of RecomputeLikelihood, UpdateX and UpdateP.
void RecomputeLikelihoodIncremental(SamplerState& S);
void UpdateXIncremental(SamplerState& S, int32_t& AcceptX);
void UpdatePIncremental(SamplerState& S, float& AcceptP);

// The driver's calls, by S.LikelihoodEngine (UpdateW only reads the records: shared).
void RecomputeLikelihoodSelected(SamplerState& S);
void UpdateXSelected(SamplerState& S, int32_t& AcceptX);
void UpdatePSelected(SamplerState& S, float& AcceptP);
// ORVANTA_LITERAL=1 in the environment selects the plain engine.
void SelectLikelihoodEngine(SamplerState& S);

// --- the cache itself (tests and the updates)
// Data or frequencies changed outside the updates: the next move rebuilds the cache.
void InvalidateLikelihoodCache(SamplerState& S);
// Carriers, read codes, the zero list and the products from the state as it is: no
// frequency is replaced and the records are not touched.
void BuildLikelihoodCache(SamplerState& S);
// Products only, from the current frequencies.
void BuildGenotypeProducts(SamplerState& S);
// The prior terms of every source and locus, from the current frequencies.
void BuildPriorTerms(SamplerState& S);
// Each record's LogL from its terms, and LogLikelihood as their sum in the plain order.
void SyncRecordLogs(SamplerState& S);
// Share, Rest and (F1) PairShare of individual i for source s, from its record and
// products; PrepareMovesOfSource, of every individual.
void SetShares(SamplerState& S, int s, int i);
void PrepareMovesOfSource(SamplerState& S, int s);
// Products and prior terms; clears Dirty.
void RefreshCachedProducts(SamplerState& S);
// True when the next move can use the products; rebuilds them first when they are stale.
bool CacheReady(SamplerState& S);
// After a plain evaluation: forget the listed zeros that are gone, add a new zero at
// (s, l, a) for each code given (a < 0: none), and mark the products stale.
void AfterPlainEvaluation(SamplerState& S, int s, int l, int a1, int a2);

// The L2 term of individual i at composition x, from the cached pair products.
long double CachedL2Term(const SamplerState& S, const double* x, int i);

// DirichletLogDensity(p, DirichletPar, NumAlleles) of source s at locus l, to the bit,
// from the cached terms.
double CachedDirichletLogDensity(const SamplerState& S, int s, int l);
// One allele's term of DirichletLogDensity, the same expression.
inline double PriorTerm(double a, double p)
{
    return (a - 1.0) * std::log(p);
}

// log of an extended-precision value, as accurate as std::log(long double) up to a few
// units in the last place and several times faster.
// By reference: a value in memory is read there, not stored again first (reading the
// bits of a value just stored waits for the store).
inline long double ExtendedLog(const long double& v)
{
    // x87 extended layout: 64-bit mantissa with explicit leading bit, then sign and a
    // 15-bit biased exponent.
    uint64_t mant;
    uint16_t se;
    std::memcpy(&mant, &v, sizeof mant);
    std::memcpy(&se, reinterpret_cast<const unsigned char*>(&v) + 8, sizeof se);
    const int biased = se & 0x7fff;
    // Zero, subnormal, negative, infinite, not a number: the library's answer.
    if ((se & 0x8000) || biased == 0 || biased == 0x7fff || !(mant >> 63)) return std::log(v);
    // v = m 2^e with m in [sqrt(1/2), sqrt(2)): log v = e log 2 + log m, log m in double
    // from m's first 53 bits plus the first-order term of the other 11. The error stays
    // within a few units of the last place of long double's own log, at a fraction of
    // its cost.
    int e = biased - 16383;
    double scale = 0x1p-63;  // m = mant 2^-63 in [1, 2), or half of it above sqrt(2)
    if (mant > 0xB504F333F9DE6484ull) {
        scale = 0x1p-64;
        ++e;
    }
    const double head = (double)(int64_t)((mant & ~(uint64_t)0x7ff) >> 1) * (2.0 * scale);
    const double tail = (double)(int64_t)(mant & 0x7ff) * scale;
    // log 2 in two parts: the first has trailing zeros, so that e times it is exact.
    const double ed = (double)e;
    const double low = ed * 1.90821492927058770002e-10 + (std::log(head) + tail / head);
    return (long double)(ed * 6.93147180369123816490e-01) + (long double)low;
}

// What IndividualLogL takes the log of.
inline long double LogLArgument(bool f1, long double L0, long double L1, long double L2, double w)
{
    if (f1) return (L1 + L2) * (1.0 - w) + L0 * w;
    return L0;
}
// IndividualLogL with ExtendedLog.
inline long double CachedLogL(bool f1, long double L0, long double L1, long double L2, double w)
{
    return ExtendedLog(LogLArgument(f1, L0, L1, L2, w));
}
