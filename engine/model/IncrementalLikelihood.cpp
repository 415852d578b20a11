// The incremental likelihood's cache: carriers of each allele, the genotype products per
// source and pair of sources, the list of read frequencies that are exactly 0, the full
// recomputation and the engine switch.
#include "model/IncrementalLikelihood.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "model/model.h"

namespace {

inline bool IsCode(int c)
{
    return c >= 0 && c < MaxAlleles;
}

// Per locus, the individuals carrying each code (a homozygote once), in rising order,
// and which codes the products read (both alleles present).
void BuildCarriers(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    C.BadCodes = 0;
    int32_t pos = 0;
    for (int l = 0; l < S.NumLoci; ++l) {
        int32_t count[MaxAlleles] = {};
        uint8_t* readable = C.Readable[l];
        std::memset(readable, 0, MaxAlleles);
        for (int i = 0; i < S.NumMixture; ++i) {
            const int a = S.Mixture[i].Allele1[l], b = S.Mixture[i].Allele2[l];
            if (!IsCode(a) || !IsCode(b)) C.BadCodes = 1;
            C.Genotype[l][i][0] = (uint8_t)a;
            C.Genotype[l][i][1] = (uint8_t)b;
            if (IsCode(a)) ++count[a];
            if (IsCode(b) && b != a) ++count[b];
            if (IsCode(a) && IsCode(b) && a != MissingAllele && b != MissingAllele)
                readable[a] = readable[b] = 1;
        }
        int32_t* start = C.CarrierStart[l];
        int32_t cursor[MaxAlleles];
        start[0] = pos;
        for (int c = 0; c < MaxAlleles; ++c) {
            cursor[c] = start[c];
            start[c + 1] = start[c] + count[c];
        }
        pos = start[MaxAlleles];
        for (int i = 0; i < S.NumMixture; ++i) {
            const int a = S.Mixture[i].Allele1[l], b = S.Mixture[i].Allele2[l];
            if (IsCode(a)) C.Carrier[cursor[a]++] = (int16_t)i;
            if (IsCode(b) && b != a) C.Carrier[cursor[b]++] = (int16_t)i;
        }
    }
}

void ScanPendingZeros(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    C.NumPending = 0;
    C.PendingOverflow = 0;
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            const double* p = S.Sources[s].loci[l].p;
            for (int a = 0; a < MaxAlleles; ++a) {
                if (!C.Readable[l][a] || p[a] != 0.0) continue;
                if (C.NumPending == PendingZeroCapacity) {
                    C.PendingOverflow = 1;
                    return;
                }
                C.Pending[C.NumPending++] = PendingZero{(int16_t)s, (int16_t)l, (int16_t)a};
            }
        }
}

}  // namespace

void BuildGenotypeProducts(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    const int n = S.NumSources;
    const bool f1 = S.cfg.Generation != 0;
    // The same loops and the same expressions as SingleSourceProb and PairSourceProb, so
    // a rebuild gives their values exactly.
    for (int i = 0; i < S.NumMixture; ++i) {
        const int32_t* A1 = S.Mixture[i].Allele1;
        const int32_t* A2 = S.Mixture[i].Allele2;
        for (int s = 0; s < n; ++s) {
            long double prob = 1.0L;
            for (int l = 0; l < S.NumLoci; ++l) {
                const int a = A1[l], b = A2[l];
                if (a == MissingAllele || b == MissingAllele) continue;
                const double* p = S.Sources[s].loci[l].p;
                if (a == b)
                    prob *= (long double)p[a] * p[a];
                else
                    prob *= 2.0L * p[a] * p[b];
            }
            C.P[s][i] = prob;
        }
        if (!f1) continue;
        for (int s = 0; s < n; ++s)
            for (int t = 0; t < s; ++t) {
                long double prob = 1.0L;
                for (int l = 0; l < S.NumLoci; ++l) {
                    const int a = A1[l], b = A2[l];
                    if (a == MissingAllele || b == MissingAllele) continue;
                    const double* ps = S.Sources[s].loci[l].p;
                    const double* pt = S.Sources[t].loci[l].p;
                    if (a == b)
                        prob *= (long double)ps[a] * pt[a];
                    else
                        prob *= (long double)ps[a] * pt[b] + (long double)pt[a] * ps[b];
                }
                // The pair factor is symmetric in the two sources, to the bit.
                C.PP[i][s][t] = prob;
                C.PP[i][t][s] = prob;
            }
    }
}

void BuildPriorTerms(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            const LocusData& L = S.Sources[s].loci[l];
            const double* a = L.DirichletPar;
            // The constant part exactly as DirichletLogDensity accumulates it.
            float A = 0.0f, Slg = 0.0f;
            for (int k = 0; k < L.NumAlleles; ++k) {
                A = (float)((double)A + a[k]);
                Slg = (float)((double)Slg + log_gamma((float)a[k]));
            }
            C.DirConst[s][l] = log_gamma(A) - (double)Slg;
            for (int k = 0; k < L.NumAlleles; ++k) C.DirTerm[s][l][k] = PriorTerm(a[k], L.p[k]);
        }
}

double CachedDirichletLogDensity(const SamplerState& S, int s, int l)
{
    const double* term = S.Cache.DirTerm[s][l];
    double sum = 0.0;
    for (int k = 0; k < S.Sources[s].loci[l].NumAlleles; ++k) sum += term[k];
    return S.Cache.DirConst[s][l] + sum;
}

void SetShares(SamplerState& S, int s, int i)
{
    LikelihoodCache& C = S.Cache;
    const IndividualLikelihood& r = S.Lik[i];
    const double xs = S.x[s];
    const long double P = C.P[s][i];
    if (S.cfg.Generation == 0) {
        const long double part = xs * P;
        const long double inverse = 1.0L / r.L0;
        C.Share[i] = (double)(part * inverse);
        // Formed apart, not as 1 - share: where s makes nearly all of L0 the rest would
        // cancel.
        C.Rest[i] = (double)((r.L0 - part) * inverse);
        return;
    }
    const double w = S.w;
    const long double arg = LogLArgument(true, r.L0, r.L1, r.L2, w);
    const long double inverse = 1.0L / arg;
    // s's own terms of L1 and L0, and of L2 its pairs with each other source.
    const long double single = ((1.0 - w) * (xs * xs)) * P + (w * xs) * P;
    long double rest = arg - single;
    C.Share[i] = (double)(single * inverse);
    const long double(*PP)[MaxSources] = C.PP[i];
    double* pairShare = C.PairShare[i];
    for (int t = 0; t < S.NumSources; ++t) {
        if (t == s) {
            pairShare[t] = 0.0;
            continue;
        }
        const long double pair = (2.0 * xs * (1.0 - w) * S.x[t]) * PP[s][t];
        pairShare[t] = (double)(pair * inverse);
        rest -= pair;
    }
    C.Rest[i] = (double)(rest * inverse);
}

void PrepareMovesOfSource(SamplerState& S, int s)
{
    for (int i = 0; i < S.NumMixture; ++i) SetShares(S, s, i);
}

void SyncRecordLogs(SamplerState& S)
{
    const bool f1 = S.cfg.Generation != 0;
    long double* arg = S.Cache.ProposedArg;
    for (int i = 0; i < S.NumMixture; ++i) {
        const IndividualLikelihood& r = S.Lik[i];
        arg[i] = LogLArgument(f1, r.L0, r.L1, r.L2, S.w);
    }
    // The logs in a second pass: reading a value's bits just after it was formed would
    // wait for the store of each.
    long double total = 0.0L;
    for (int i = 0; i < S.NumMixture; ++i) {
        S.Lik[i].LogL = ExtendedLog(arg[i]);
        total += S.Lik[i].LogL;
    }
    S.LogLikelihood = total;
}

void RefreshCachedProducts(SamplerState& S)
{
    BuildGenotypeProducts(S);
    BuildPriorTerms(S);
    S.Cache.Dirty = 0;
}

void BuildLikelihoodCache(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    BuildCarriers(S);
    if (C.BadCodes) {
        // No frequency exists for such a code: left to the plain evaluation.
        C.PendingOverflow = 1;
        C.Dirty = 1;
        C.Valid = 1;
        return;
    }
    ScanPendingZeros(S);
    // With a zero left in the state the products are not used until it is gone.
    if (C.NumPending == 0 && !C.PendingOverflow) {
        RefreshCachedProducts(S);
    } else {
        C.Dirty = 1;
    }
    C.Valid = 1;
}

void InvalidateLikelihoodCache(SamplerState& S)
{
    S.Cache.Valid = 0;
}

bool CacheReady(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    if (!C.Valid) BuildLikelihoodCache(S);
    if (C.NumPending > 0 || C.PendingOverflow) return false;
    if (C.Dirty) RefreshCachedProducts(S);
    return true;
}

void AfterPlainEvaluation(SamplerState& S, int s, int l, int a1, int a2)
{
    LikelihoodCache& C = S.Cache;
    C.Dirty = 1;
    if (C.PendingOverflow) return;
    int kept = 0;
    for (int k = 0; k < C.NumPending; ++k) {
        const PendingZero z = C.Pending[k];
        if (S.Sources[z.s].loci[z.l].p[z.a] == 0.0) C.Pending[kept++] = z;
    }
    C.NumPending = kept;
    for (const int a : {a1, a2}) {
        if (a < 0 || !C.Readable[l][a] || S.Sources[s].loci[l].p[a] != 0.0) continue;
        bool listed = false;
        for (int k = 0; k < C.NumPending; ++k)
            if (C.Pending[k].s == s && C.Pending[k].l == l && C.Pending[k].a == a) listed = true;
        if (listed) continue;
        if (C.NumPending == PendingZeroCapacity) {
            C.PendingOverflow = 1;
            return;
        }
        C.Pending[C.NumPending++] = PendingZero{(int16_t)s, (int16_t)l, (int16_t)a};
    }
}

long double CachedL2Term(const SamplerState& S, const double* x, int i)
{
    long double sum = 0.0L;
    for (int s = 0; s < S.NumSources; ++s) {
        const long double* PP = S.Cache.PP[i][s];
        long double inner = 0.0L;
        for (int t = 0; t < s; ++t) inner += PP[t] * x[t];
        sum += x[s] * inner;
    }
    return 2.0L * sum;
}

void RecomputeLikelihoodIncremental(SamplerState& S)
{
    LikelihoodCache& C = S.Cache;
    BuildCarriers(S);
    if (C.BadCodes) {
        RecomputeLikelihood(S);
        C.PendingOverflow = 1;
        C.Dirty = 1;
        C.Valid = 1;
        return;
    }
    // The plain recomputation replaces every read zero before it reads it: all at once
    // here, then no zero is left to list.
    for (int l = 0; l < S.NumLoci; ++l)
        for (int a = 0; a < MaxAlleles; ++a) {
            if (!C.Readable[l][a]) continue;
            for (int s = 0; s < S.NumSources; ++s) {
                double* p = S.Sources[s].loci[l].p;
                if (p[a] == 0.0) p[a] = 1e-6;
            }
        }
    C.NumPending = 0;
    C.PendingOverflow = 0;
    RefreshCachedProducts(S);
    C.Valid = 1;

    // The records as RecomputeLikelihood forms them, from the same products.
    const int n = S.NumSources;
    const bool f1 = S.cfg.Generation != 0;
    const double* x = S.x;
    S.LogLikelihood = 0.0L;
    for (int i = 0; i < S.NumMixture; ++i) {
        IndividualLikelihood& r = S.Lik[i];
        long double L0 = 0.0L;
        for (int s = 0; s < n; ++s) L0 += C.P[s][i] * x[s];
        long double L1 = 0.0L, L2 = 0.0L;
        if (f1) {
            for (int s = 0; s < n; ++s) L1 += C.P[s][i] * (x[s] * x[s]);
            L2 = CachedL2Term(S, x, i);
        }
        r.L0 = L0;
        r.L1 = L1;
        r.L2 = L2;
        r.LogL = IndividualLogL(S, r.L0, r.L1, r.L2, S.w);
        S.LogLikelihood += r.LogL;
    }
}

void RecomputeLikelihoodSelected(SamplerState& S)
{
    if (S.LikelihoodEngine == LiteralLikelihoodEngine)
        RecomputeLikelihood(S);
    else
        RecomputeLikelihoodIncremental(S);
}

void UpdateXSelected(SamplerState& S, int32_t& AcceptX)
{
    if (S.LikelihoodEngine == LiteralLikelihoodEngine)
        UpdateX(S, AcceptX);
    else
        UpdateXIncremental(S, AcceptX);
}

void UpdatePSelected(SamplerState& S, float& AcceptP)
{
    if (S.LikelihoodEngine == LiteralLikelihoodEngine)
        UpdateP(S, AcceptP);
    else
        UpdatePIncremental(S, AcceptP);
}

void SelectLikelihoodEngine(SamplerState& S)
{
    const char* v = std::getenv("ORVANTA_LITERAL");
    if (v && std::strcmp(v, "1") == 0) S.LikelihoodEngine = LiteralLikelihoodEngine;
}
