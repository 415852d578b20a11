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
    // Written always, kept when it counts: no branch to mispredict.
    for (int32_t k = C.CarrierStart[l][B]; k < C.CarrierStart[l][B + 1]; ++k) {
        const int16_t i = C.Carrier[k];
        C.Evaluated[m] = i;
        m += geno[i][0] != A && geno[i][1] != A;
    }
    return m;
}

// F1: the factor ratios new/old of one carried genotype {m, o} (m the moved allele it
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
    C.SingleRatioDouble[slot] = (double)C.SingleRatio[slot];
    long double* ratio = C.PairRatio[slot];
    double* ratioDouble = C.PairRatioDouble[slot];
    for (int t = 0; t < S.NumSources; ++t) {
        if (t == s) {
            // Beside a pair share of 0: 0, so that the sums need not skip s.
            ratioDouble[t] = 0.0;
            continue;
        }
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
        ratioDouble[t] = (double)ratio[t];
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

// The log of the product of the carriers' likelihood ratios new/old (in double in
// ratio; exact(j) gives ratio j in extended precision), one log per 64 ratios instead of
// one per ratio. Blocks of eight ratios within 1e+-30 are multiplied in double (at most
// 1e+-240) and the blocks' products in extended precision (at most 1e+-1920); a block
// with a ratio beyond that, which only extreme frequencies make, takes each ratio's own
// log. Rounding the ratios to double changes the log by about 1e-16 per ratio, far below
// the rounding of the totals the acceptance test compares.
template <class Exact>
long double LogOfRatioProduct(LikelihoodCache& C, const double* ratio, int m, Exact exact)
{
    long double delta = 0.0L, product = 1.0L;
    int blocks = 0;
    for (int j0 = 0; j0 < m; j0 += 8) {
        const int end = j0 + 8 < m ? j0 + 8 : m;
        double block = 1.0;
        bool inRange = true;
        for (int j = j0; j < end; ++j) {
            inRange &= ratio[j] > 1e-30 && ratio[j] < 1e30;
            block *= ratio[j];
        }
        if (!inRange) {
            ++C.ExtremeRatios;
            for (int j = j0; j < end; ++j) {
                const long double r = exact(j);
                delta += ExtendedLog(r);
            }
            continue;
        }
        product *= block;
        if (++blocks % 8 == 0) {
            delta += ExtendedLog(product);
            product = 1.0L;
        }
    }
    return delta + ExtendedLog(product);
}

// F0 carries only L0, whose ratio new/old for a carrier is rest + share * (the ratio of
// its genotype's factor at the moved locus), and that factor ratio takes one of a few
// values: the class of the genotype, 3 * (copies of A) + (copies of B), or 9 beside a
// missing allele (no factor, ratio 1).
inline int GenotypeClass(int a, int b, int A, int B)
{
    if (a == MissingAllele || b == MissingAllele) return 9;
    return 3 * ((a == A) + (b == A)) + (a == B) + (b == B);
}

void SetClassRatios(LikelihoodCache& C, const MovedLocus& mv)
{
    for (int k = 0; k < 10; ++k) C.ClassRatio[k] = 1.0L;
    // The expressions of the products' factors, as GenotypeRatios forms them.
    const auto hom = [](double n, double o) { return ((long double)n * n) / ((long double)o * o); };
    const auto het = [](double n1, double n2, double o1, double o2) {
        return (2.0L * n1 * n2) / (2.0L * o1 * o2);
    };
    C.ClassRatio[6] = hom(mv.newA, mv.oldA);
    C.ClassRatio[2] = hom(mv.newB, mv.oldB);
    C.ClassRatio[4] = het(mv.newA, mv.newB, mv.oldA, mv.oldB);
    C.ClassRatio[3] = (long double)mv.newA / mv.oldA;
    C.ClassRatio[1] = (long double)mv.newB / mv.oldB;
    for (int k = 0; k < 10; ++k) C.ClassRatioDouble[k] = (double)C.ClassRatio[k];
}

// A carrier's ratio in extended precision, from the terms themselves.
inline long double ExactRatioF0(const SamplerState& S, int s, int j)
{
    const LikelihoodCache& C = S.Cache;
    const int i = C.Evaluated[j];
    const long double P_old = C.P[s][i];
    const long double P_new = P_old * C.ClassRatio[C.EvaluatedSlot[j]];
    const double xs = S.x[s];
    return (S.Lik[i].L0 - xs * P_old + xs * P_new) / S.Lik[i].L0;
}

long double EvaluateCachedF0(SamplerState& S, int s, int l, const MovedLocus& mv, int m)
{
    LikelihoodCache& C = S.Cache;
    SetClassRatios(C, mv);
    const uint8_t(*geno)[2] = C.Genotype[l];
    const double* share = C.Share;
    const double* rest = C.Rest;
    const double* classRatio = C.ClassRatioDouble;
    double* ratio = C.MoveRatio;
    for (int j = 0; j < m; ++j) {
        const int i = C.Evaluated[j];
        const int k = GenotypeClass(geno[i][0], geno[i][1], mv.A, mv.B);
        C.EvaluatedSlot[j] = (int16_t)k;
        ratio[j] = rest[i] + share[i] * classRatio[k];
    }
    return LogOfRatioProduct(C, ratio, m, [&](int j) { return ExactRatioF0(S, s, j); });
}

// The new terms of the carriers, formed the way the plain move forms them; share and rest
// follow by the ratio (or afresh, where the ratio was beyond double).
void CommitCachedF0(SamplerState& S, int s, int m)
{
    LikelihoodCache& C = S.Cache;
    const double xs = S.x[s];
    long double* P = C.P[s];
    for (int j = 0; j < m; ++j) {
        const int i = C.Evaluated[j];
        const int k = C.EvaluatedSlot[j];
        const long double P_old = P[i];
        const long double P_new = P_old * C.ClassRatio[k];
        S.Lik[i].L0 = S.Lik[i].L0 - xs * P_old + xs * P_new;
        P[i] = P_new;
        const double r = C.MoveRatio[j];
        if (r > 1e-30 && r < 1e30) {
            const double inverse = 1.0 / r;
            C.Share[i] *= C.ClassRatioDouble[k] * inverse;
            C.Rest[i] *= inverse;
        } else {
            SetShares(S, s, i);
        }
    }
}

// F1: the new terms of carrier j formed the way the plain move forms them; with commit,
// they and the pair products of its row and column are written.
IndividualLikelihood NewTermsF1(SamplerState& S, int s, int j, bool commit)
{
    LikelihoodCache& C = S.Cache;
    const int i = C.Evaluated[j];
    const int slot = C.EvaluatedSlot[j];
    const double xs = S.x[s];
    const double xs2 = xs * xs;
    const IndividualLikelihood& cur = S.Lik[i];
    long double(*PP)[MaxSources] = C.PP[i];
    const long double P_old = C.P[s][i];
    long double P_new = P_old, Q_old = 0.0L, Q_new = 0.0L;
    if (slot >= 0) {
        P_new = P_old * C.SingleRatio[slot];
        const long double* ratio = C.PairRatio[slot];
        for (int t = 0; t < S.NumSources; ++t) {
            if (t == s) continue;
            const long double old = PP[s][t];
            const long double g = old * ratio[t];
            Q_old += old * S.x[t];
            Q_new += g * S.x[t];
            if (commit) {
                PP[s][t] = g;
                PP[t][s] = g;
            }
        }
    } else {
        // No factor at this locus: the products stay.
        for (int t = 0; t < S.NumSources; ++t)
            if (t != s) Q_old += PP[s][t] * S.x[t];
        Q_new = Q_old;
    }
    IndividualLikelihood r;
    r.L0 = cur.L0 - xs * P_old + xs * P_new;
    r.L1 = cur.L1 - xs2 * P_old + xs2 * P_new;
    r.L2 = cur.L2 - 2.0 * xs * Q_old + 2.0 * xs * Q_new;
    r.LogL = cur.LogL;
    if (commit) {
        C.P[s][i] = P_new;
        S.Lik[i] = r;
    }
    return r;
}

inline long double ExactRatioF1(SamplerState& S, int s, int j)
{
    const IndividualLikelihood r = NewTermsF1(S, s, j, false);
    const IndividualLikelihood& cur = S.Lik[S.Cache.Evaluated[j]];
    return LogLArgument(true, r.L0, r.L1, r.L2, S.w) / LogLArgument(true, cur.L0, cur.L1, cur.L2, S.w);
}

// F1: the change of the total from the carriers' likelihood ratios new/old, each
// rest + share * (the single factor's ratio) + the sum over the other sources t of
// pair share * (the pair factor's ratio), in double.
long double EvaluateCachedF1(SamplerState& S, int s, int l, const MovedLocus& mv, int m)
{
    LikelihoodCache& C = S.Cache;
    const int n = S.NumSources;
    const uint8_t(*geno)[2] = C.Genotype[l];
    // A new stamp marks every ratio of the previous move stale.
    if (++C.Stamp == 0) {
        for (uint32_t& st : C.RatioStamp) st = 0;
        C.Stamp = 1;
    }
    double* ratio = C.MoveRatio;
    for (int j = 0; j < m; ++j) {
        const int i = C.Evaluated[j];
        const int slot = RatioSlot(S, s, l, mv, geno[i][0], geno[i][1]);
        C.EvaluatedSlot[j] = (int16_t)slot;
        if (slot < 0) {
            ratio[j] = 1.0;  // no factor at this locus: 1 up to a rounding
            continue;
        }
        const double* share = C.PairShare[i];
        const double* pair = C.PairRatioDouble[slot];
        // Two partial sums: independent additions.
        double even = C.Rest[i] + C.Share[i] * C.SingleRatioDouble[slot], odd = 0.0;
        int t = 0;
        for (; t + 1 < n; t += 2) {
            even += share[t] * pair[t];
            odd += share[t + 1] * pair[t + 1];
        }
        if (t < n) even += share[t] * pair[t];
        ratio[j] = even + odd;
    }
    return LogOfRatioProduct(C, ratio, m, [&](int j) { return ExactRatioF1(S, s, j); });
}

// F1: the carriers' terms and products; their shares follow by the ratios (or afresh,
// where a ratio was beyond double).
void CommitCachedF1(SamplerState& S, int s, int m)
{
    LikelihoodCache& C = S.Cache;
    const int n = S.NumSources;
    for (int j = 0; j < m; ++j) {
        NewTermsF1(S, s, j, true);
        const int i = C.Evaluated[j];
        const int slot = C.EvaluatedSlot[j];
        const double r = C.MoveRatio[j];
        if (slot < 0) continue;
        if (!(r > 1e-30 && r < 1e30)) {
            SetShares(S, s, i);
            continue;
        }
        const double inverse = 1.0 / r;
        C.Share[i] *= C.SingleRatioDouble[slot] * inverse;
        C.Rest[i] *= inverse;
        double* share = C.PairShare[i];
        const double* pair = C.PairRatioDouble[slot];
        for (int t = 0; t < n; ++t) share[t] *= pair[t] * inverse;
    }
}

}  // namespace

void UpdatePIncremental(SamplerState& S, float& AcceptP)
{
    const int n = S.NumSources;
    const float eps = S.cfg.epsilon_p;
    const bool f1 = S.cfg.Generation != 0;
    // The source whose moves the terms are prepared for; -1: none, or the records have
    // changed since.
    int prepared = -1;
    // Cached moves have changed terms whose logs are not formed yet.
    bool logsStale = false;

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

            const AlleleProposal proposal = ProposeAlleleMove(S, p, K, eps);
            const int A = proposal.A, B = proposal.B;
            const double newA = proposal.newA, newB = proposal.newB;

            // A proposal of exactly 0 for a read allele: the plain evaluation replaces it.
            const uint8_t* readable = S.Cache.Readable[l];
            if ((newA == 0.0 && readable[A]) || (newB == 0.0 && readable[B])) cached = false;
            // The plain evaluation reads every record's log and sums them all.
            if (!cached && logsStale) {
                SyncRecordLogs(S);
                logsStale = false;
            }
            const double T_old = (double)(D_old + S.LogLikelihood);

            long double total;
            int m = 0;
            if (cached) {
                if (prepared != s) PrepareMovesOfSource(S, s);
                prepared = s;
                m = CollectCarriers(S.Cache, l, A, B);
                const MovedLocus mv{p, A, B, S.SavedP[A], S.SavedP[B], newA, newB};
                total = S.LogLikelihood + (f1 ? EvaluateCachedF1(S, s, l, mv, m)
                                              : EvaluateCachedF0(S, s, l, mv, m));
            } else {
                ++S.Cache.PlainMoves;
                total = AlleleMoveProposedTotal(S, s, l, A, B, newA, newB);
            }

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
            const double r = AlleleMoveLogRatio(proposal, p, eps, T_old, (double)(D_new + total));

            if (MetropolisTest(S, r)) {
                if (cached) {
                    // The carriers' logs wait for the end of the sweep.
                    if (f1)
                        CommitCachedF1(S, s, m);
                    else
                        CommitCachedF0(S, s, m);
                    logsStale = true;
                } else {
                    AcceptProposedRecords(S);
                }
                S.LogLikelihood = total;
                if (l == 3) S.PAcceptCount[s] += 1.0f;
            } else {
                p[A] = S.SavedP[A];
                p[B] = S.SavedP[B];
                term[A] = termA;
                term[B] = termB;
            }
            if (!cached) {
                // Records, or products through a replaced zero, may have changed.
                AfterPlainEvaluation(S, s, l, A, B);
                prepared = -1;
            }
        }
    }
    // The records' logs, and the total as their sum: the changes the moves added carry a
    // rounding each, which goes no further than this sweep.
    if (logsStale) SyncRecordLogs(S);

    double sum = 0.0;
    for (int s = 0; s < n; ++s) sum += S.PAcceptCount[s];
    AcceptP = (float)(sum / n);
}
