// The allele frequency moves of UpdateP with the cached products: the same draws, the
// same proposals and the same tests. A move at one locus of one source re-evaluates only
// the individuals carrying one of the two moved alleles, and each of their products
// changes by that one locus's factor: O(1) per individual for F0, O(n) for F1 (its pair
// products with every other source), whatever the number of loci.
#include <cmath>

#include "model/IncrementalLikelihood.h"
#include "model/model.h"

namespace {

// Frequency of code c at the moved locus before and after the move.
struct MovedLocus {
    const double* p;  // the state's vector; A and B hold the proposal
    int A, B;
    double oldA, oldB, newA, newB;
    double Old(int c) const { return c == A ? oldA : c == B ? oldB : p[c]; }
    double New(int c) const { return c == A ? newA : c == B ? newB : p[c]; }
};

// The individuals carrying A or B at locus l: those of A's list, then those of B's list
// that do not also carry A. The order does not matter to the cached evaluation.
int CollectCarriers(LikelihoodCache& C, int l, int A, int B)
{
    const uint8_t(*geno)[2] = C.Genotype[l];
    int m = 0;
    for (int32_t k = C.CarrierStart[l][A]; k < C.CarrierStart[l][A + 1]; ++k) C.Evaluated[m++] = C.Carrier[k];
    for (int32_t k = C.CarrierStart[l][B]; k < C.CarrierStart[l][B + 1]; ++k) {
        const int16_t i = C.Carrier[k];
        if (geno[i][0] != A && geno[i][1] != A) C.Evaluated[m++] = i;
    }
    return m;
}

// The factor ratios new/old of one carried genotype {m, o} (m the moved allele it
// carries): of the single-source product and of each pair product with source t. The
// factors are symmetric in the two alleles, to the bit, like the products.
void GenotypeRatios(SamplerState& S, int s, int l, const MovedLocus& mv, int m, int o, int slot)
{
    LikelihoodCache& C = S.Cache;
    const double om = mv.Old(m), oo = mv.Old(o), nm = mv.New(m), no = mv.New(o);
    const bool hom = m == o;
    const long double f_old = hom ? (long double)om * om : 2.0L * om * oo;
    const long double f_new = hom ? (long double)nm * nm : 2.0L * nm * no;
    C.SingleRatio[slot] = f_new / f_old;
    if (S.cfg.Generation == 0) return;
    long double* ratio = C.PairRatio[slot];
    long double* ratioX = C.PairRatioX[slot];
    for (int t = 0; t < S.NumSources; ++t) {
        if (t == s) continue;
        const double* q = S.Sources[t].loci[l].p;
        long double g_old, g_new;
        if (hom) {
            g_old = (long double)om * q[m];
            g_new = (long double)nm * q[m];
        } else {
            g_old = (long double)om * q[o] + (long double)q[m] * oo;
            g_new = (long double)nm * q[o] + (long double)q[m] * no;
        }
        ratio[t] = g_new / g_old;
        ratioX[t] = ratio[t] * S.x[t];
    }
}

// The ratios slot of the genotype {a, b} of a carrier (-1 beside a missing allele: locus
// l is not in its products), formed on first use in this move.
inline int RatioSlot(SamplerState& S, int s, int l, const MovedLocus& mv, int a, int b)
{
    if (a == MissingAllele || b == MissingAllele) return -1;
    LikelihoodCache& C = S.Cache;
    const int moved = (a == mv.A || b == mv.A) ? mv.A : mv.B;
    const int other = a == moved ? b : a;
    const int slot = (moved == mv.A ? 0 : MaxAlleles) + other;
    if (C.RatioStamp[slot] != C.Stamp) {
        GenotypeRatios(S, s, l, mv, moved, other, slot);
        C.RatioStamp[slot] = C.Stamp;
    }
    return slot;
}

// Carriers per factor of the running product of likelihood ratios: each ratio of a move
// stays within about 1e+-20 (the proposal's uniform is at least about 5e-10), so 64 of
// them keep the product far inside the extended range.
constexpr int kRatiosPerLog = 64;

// The proposed terms of the carriers from the cache, and the change of the total: the
// log of the product of each carrier's likelihood ratio new/old, one log per 64
// carriers instead of one per carrier. The carriers' own logs wait for acceptance.
long double EvaluateCached(SamplerState& S, int s, int l, const MovedLocus& mv, int m)
{
    LikelihoodCache& C = S.Cache;
    const int n = S.NumSources;
    const bool f1 = S.cfg.Generation != 0;
    const double xs = S.x[s];
    const double xs2 = xs * xs;
    const double w = S.w;
    const uint8_t(*geno)[2] = C.Genotype[l];
    const long double* P = C.P[s];
    // A new stamp marks every ratio of the previous move stale.
    if (++C.Stamp == 0) {
        for (uint32_t& st : C.RatioStamp) st = 0;
        C.Stamp = 1;
    }

    long double delta = 0.0L, product = 1.0L;
    if (!f1) {
        // F0: LogL is the log of L0 alone; only L0 is kept.
        for (int j = 0; j < m; ++j) {
            const int i = C.Evaluated[j];
            const int slot = RatioSlot(S, s, l, mv, geno[i][0], geno[i][1]);
            const long double P_old = P[i];
            const long double P_new = slot >= 0 ? P_old * C.SingleRatio[slot] : P_old;
            C.ProposedP[j] = P_new;
            const long double L0 = S.Lik[i].L0;
            const long double arg = L0 - xs * P_old + xs * P_new;
            C.ProposedArg[j] = arg;
            product *= arg / L0;
            if ((j + 1) % kRatiosPerLog == 0) {
                delta += ExtendedLog(product);
                product = 1.0L;
            }
        }
        return delta + ExtendedLog(product);
    }

    for (int j = 0; j < m; ++j) {
        const int i = C.Evaluated[j];
        const int slot = RatioSlot(S, s, l, mv, geno[i][0], geno[i][1]);
        C.EvaluatedSlot[j] = (int16_t)slot;
        const long double P_old = P[i];
        const long double P_new = slot >= 0 ? P_old * C.SingleRatio[slot] : P_old;
        C.ProposedP[j] = P_new;
        const IndividualLikelihood& cur = S.Lik[i];
        IndividualLikelihood& prop = C.ProposedRecord[j];
        prop.L0 = cur.L0 - xs * P_old + xs * P_new;
        // The new pair products are formed again on acceptance, the same way.
        const long double Q_old = C.Q[i][s];
        long double Q_new = Q_old;
        if (slot >= 0) {
            const long double* PP = C.PP[i][s];
            const long double* ratioX = C.PairRatioX[slot];
            Q_new = 0.0L;
            for (int t = 0; t < n; ++t) {
                if (t == s) continue;
                Q_new += PP[t] * ratioX[t];
            }
        }
        C.ProposedQ[j] = Q_new;
        prop.L1 = cur.L1 - xs2 * P_old + xs2 * P_new;
        prop.L2 = cur.L2 - 2.0 * xs * Q_old + 2.0 * xs * Q_new;
        const long double arg = LogLArgument(true, prop.L0, prop.L1, prop.L2, w);
        C.ProposedArg[j] = arg;
        product *= arg / LogLArgument(true, cur.L0, cur.L1, cur.L2, w);
        if ((j + 1) % kRatiosPerLog == 0) {
            delta += ExtendedLog(product);
            product = 1.0L;
        }
    }
    return delta + ExtendedLog(product);
}

// The carriers' records, with the log of each; returns the change of the sum of LogL.
long double CommitCached(SamplerState& S, int s, int m)
{
    LikelihoodCache& C = S.Cache;
    const int n = S.NumSources;
    const bool f1 = S.cfg.Generation != 0;
    const double xs = S.x[s];
    long double delta = 0.0L;
    for (int j = 0; j < m; ++j) {
        const int i = C.Evaluated[j];
        const long double LogL = ExtendedLog(C.ProposedArg[j]);
        delta += LogL - S.Lik[i].LogL;
        S.Lik[i].LogL = LogL;
        C.P[s][i] = C.ProposedP[j];
        if (!f1) {
            S.Lik[i].L0 = C.ProposedArg[j];
            continue;
        }
        const IndividualLikelihood& prop = C.ProposedRecord[j];
        S.Lik[i].L0 = prop.L0;
        S.Lik[i].L1 = prop.L1;
        S.Lik[i].L2 = prop.L2;
        const int slot = C.EvaluatedSlot[j];
        if (slot < 0) continue;
        long double* Q = C.Q[i];
        Q[s] = C.ProposedQ[j];
        // Each pair product with s changes the pair sum of the other source too.
        const long double* ratio = C.PairRatio[slot];
        long double(*PP)[MaxSources] = C.PP[i];
        for (int t = 0; t < n; ++t) {
            if (t == s) continue;
            const long double old = PP[s][t];
            const long double g = old * ratio[t];
            PP[s][t] = g;
            PP[t][s] = g;
            Q[t] += (g - old) * xs;
        }
    }
    return delta;
}


void CommitPlain(SamplerState& S)
{
    const bool f1 = S.cfg.Generation != 0;
    for (int i = 0; i < S.NumMixture; ++i) {
        S.Lik[i].L0 = S.ProposedLik[i].L0;
        S.Lik[i].LogL = S.ProposedLik[i].LogL;
        if (f1) {
            S.Lik[i].L1 = S.ProposedLik[i].L1;
            S.Lik[i].L2 = S.ProposedLik[i].L2;
        }
    }
}

// LogLikelihood plus a change, kept to the exact sum: a plain running sum would drift
// from the sum of the records by a rounding per move. The part below the last place of
// LogLikelihood belongs to the value it was kept with; anything else that sets
// LogLikelihood starts it afresh.
struct RunningTotal {
    long double hi, lo;
};
RunningTotal ExactSum(const SamplerState& S, long double delta)
{
    const LikelihoodCache& C = S.Cache;
    const long double hi = S.LogLikelihood;
    const long double lo = C.LogLikelihoodSeen == hi ? C.LogLikelihoodLow : 0.0L;
    const long double sum = hi + delta;
    const long double part = sum - hi;
    const long double err = (hi - (sum - part)) + (delta - part) + lo;
    const long double total = sum + err;
    return RunningTotal{total, err - (total - sum)};
}

}  // namespace

void UpdatePIncremental(SamplerState& S, float& AcceptP)
{
    const int n = S.NumSources;
    const float eps = S.cfg.epsilon_p;
    // The pair sums follow x, which the composition move has changed since the last
    // sweep; formed afresh, they also carry no rounding of earlier sweeps.
    if (S.cfg.Generation != 0 && CacheReady(S)) BuildPairSums(S);

    for (int s = 0; s < n; ++s) {
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            const int K = L.NumAlleles;
            if (K < 2) continue;
            double* p = L.p;
            bool cached = CacheReady(S);

            for (int k = 0; k < K; ++k) S.SavedP[k] = p[k];
            const double D_old = cached ? CachedDirichletLogDensity(S, s, l)
                                        : DirichletLogDensity(p, L.DirichletPar, K);
            const double T_old = (double)(D_old + S.LogLikelihood);

            const int A = DrawIndex(K);
            const int B = DrawOtherIndex(K, A);
            const ProposalWindow win = AlleleWindow(p[A], p[B], eps);
            const float U = DrawScratchUniform(S);
            const double newA = win.lo + U * (win.hi - win.lo);
            const double newB = p[A] + p[B] - newA;
            p[A] = newA;
            p[B] = newB;

            // A proposal of exactly 0 for a read allele: the plain evaluation replaces it.
            const uint8_t* readable = S.Cache.Readable[l];
            if ((newA == 0.0 && readable[A]) || (newB == 0.0 && readable[B])) cached = false;

            long double total;
            int m = 0;
            if (cached) {
                m = CollectCarriers(S.Cache, l, A, B);
                const MovedLocus mv{p, A, B, S.SavedP[A], S.SavedP[B], newA, newB};
                total = ExactSum(S, EvaluateCached(S, s, l, mv, m)).hi;
            } else {
                ++S.Cache.PlainMoves;
                total = AlleleMoveProposedTotal(S, s, l, A, B, newA, newB);
            }

            const ProposalWindow rev = AlleleWindow(p[A], p[B], eps);
            double D_new;
            double* term = S.Cache.DirTerm[s][l];
            const double termA = term[A], termB = term[B];
            if (cached) {
                term[A] = PriorTerm(L.DirichletPar[A], p[A]);
                term[B] = PriorTerm(L.DirichletPar[B], p[B]);
                D_new = CachedDirichletLogDensity(S, s, l);
            } else {
                D_new = DirichletLogDensity(p, L.DirichletPar, K);
            }
            const double T_new = (double)(D_new + total);
            const double r = std::log(1.0 / (rev.hi - rev.lo)) + (T_new - T_old)
                             - std::log(1.0 / (win.hi - win.lo));

            if (MetropolisTest(S, r)) {
                if (cached) {
                    // The total follows the records' own logs.
                    const RunningTotal sum = ExactSum(S, CommitCached(S, s, m));
                    S.LogLikelihood = sum.hi;
                    S.Cache.LogLikelihoodLow = sum.lo;
                    S.Cache.LogLikelihoodSeen = sum.hi;
                } else {
                    CommitPlain(S);
                    S.LogLikelihood = total;
                }
                if (l == 3) S.PAcceptCount[s] += 1.0f;
            } else {
                p[A] = S.SavedP[A];
                p[B] = S.SavedP[B];
                term[A] = termA;
                term[B] = termB;
            }
            if (!cached) AfterPlainEvaluation(S, s, l, A, B);
        }
    }

    double sum = 0.0;
    for (int s = 0; s < n; ++s) sum += S.PAcceptCount[s];
    AcceptP = (float)(sum / n);
}
