// Allele frequency update: one Metropolis-Hastings move per source and locus, shifting
// frequency between two alleles of the locus.
#include <cmath>

#include "model/model.h"

ProposalWindow AlleleWindow(double pA, double pB, float epsilon)
{
    ProposalWindow win;
    win.hi = (pA + pB > pA + epsilon) ? pA + epsilon : pA + pB;
    if (win.hi > 1.0) win.hi = 1.0;
    win.lo = (pA - epsilon > 0.0) ? pA - epsilon : 0.0;
    return win;
}

AlleleProposal ProposeAlleleMove(SamplerState& S, double* p, int K, float epsilon)
{
    AlleleProposal mv;
    mv.A = DrawIndex(K);
    mv.B = DrawOtherIndex(K, mv.A);
    mv.win = AlleleWindow(p[mv.A], p[mv.B], epsilon);
    const float U = DrawScratchUniform(S);
    mv.newA = mv.win.lo + U * (mv.win.hi - mv.win.lo);
    mv.newB = p[mv.A] + p[mv.B] - mv.newA;
    p[mv.A] = mv.newA;
    p[mv.B] = mv.newB;
    return mv;
}

double AlleleMoveLogRatio(const AlleleProposal& mv, const double* p, float epsilon, double T_old, double T_new)
{
    const ProposalWindow rev = AlleleWindow(p[mv.A], p[mv.B], epsilon);
    return std::log(1.0 / (rev.hi - rev.lo)) + (T_new - T_old) - std::log(1.0 / (mv.win.hi - mv.win.lo));
}

// The proposed records of one allele-frequency move in S.ProposedLik, evaluated from
// scratch with the zero replacements; returns the proposed total. Only carriers of A or B
// change. The genotype probabilities stay long double: over many loci they underflow a double.
long double AlleleMoveProposedTotal(SamplerState& S, int s, int l, int A, int B, double newA, double newB)
{
    const int N = S.NumMixture;
    const bool f1 = S.cfg.Generation != 0;
    const double xs = S.x[s];
    double* p = S.Sources[s].loci[l].p;
    long double total = 0.0L;
    for (int i = 0; i < N; ++i) {
        const IndividualLikelihood& cur = S.Lik[i];
        IndividualLikelihood& prop = S.ProposedLik[i];
        const int a1 = S.Mixture[i].Allele1[l], a2 = S.Mixture[i].Allele2[l];
        if (a1 != A && a1 != B && a2 != A && a2 != B) {
            prop = cur;
        } else {
            p[A] = S.SavedP[A];
            p[B] = S.SavedP[B];
            const long double Q_old = f1 ? PairSourceSum(S, S.x, i, s) : 0.0L;
            const long double P_old = SingleSourceProb(S, i, s);
            p[A] = newA;
            p[B] = newB;
            const long double Q_new = f1 ? PairSourceSum(S, S.x, i, s) : 0.0L;
            const long double P_new = SingleSourceProb(S, i, s);

            prop.L0 = cur.L0 - xs * P_old + xs * P_new;
            if (f1) {
                const double xs2 = xs * xs;
                prop.L1 = cur.L1 - xs2 * P_old + xs2 * P_new;
                prop.L2 = cur.L2 - 2.0 * xs * Q_old + 2.0 * xs * Q_new;
            } else {
                prop.L1 = cur.L1;
                prop.L2 = cur.L2;
            }
            prop.LogL = IndividualLogL(S, prop.L0, prop.L1, prop.L2, S.w);
        }
        total += prop.LogL;
    }
    return total;
}

void UpdateP(SamplerState& S, float& AcceptP)
{
    const int n = S.NumSources;
    const float eps = S.cfg.epsilon_p;

    for (int s = 0; s < n; ++s) {
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            const int K = L.NumAlleles;
            // No second allele to trade with: no move, and no draws.
            if (K < 2) continue;
            double* p = L.p;

            for (int k = 0; k < K; ++k) S.SavedP[k] = p[k];
            const double T_old = (double)(DirichletLogDensity(p, L.DirichletPar, K) + S.LogLikelihood);

            const AlleleProposal mv = ProposeAlleleMove(S, p, K, eps);
            const int A = mv.A, B = mv.B;
            const long double total = AlleleMoveProposedTotal(S, s, l, A, B, mv.newA, mv.newB);
            const double T_new = (double)(DirichletLogDensity(p, L.DirichletPar, K) + total);
            const double r = AlleleMoveLogRatio(mv, p, eps, T_old, T_new);

            if (MetropolisTest(S, r)) {
                AcceptProposedRecords(S);
                S.LogLikelihood = total;
                // The reported figure follows the fourth locus only.
                if (l == 3) S.PAcceptCount[s] += 1.0f;
            } else {
                p[A] = S.SavedP[A];
                p[B] = S.SavedP[B];
            }
        }
    }

    double sum = 0.0;
    for (int s = 0; s < n; ++s) sum += S.PAcceptCount[s];
    AcceptP = (float)(sum / n);
}
