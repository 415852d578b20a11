// The composition move of UpdateX with the cached products: the same draws, the same
// proposal and the same test; the products over loci are read from the cache instead of
// being formed again (O(n^2) per individual instead of O(n^2 * L)).
#include <cmath>

#include "model/IncrementalLikelihood.h"
#include "model/model.h"

void UpdateXIncremental(SamplerState& S, int32_t& AcceptX)
{
    // A zero frequency left in the state: the plain move replaces it as it reads it.
    if (!CacheReady(S)) {
        ++S.Cache.PlainMoves;
        UpdateX(S, AcceptX);
        AfterPlainEvaluation(S, 0, 0, -1, -1);
        return;
    }

    if (S.NumSources < 2) return;
    CompositionProposal prop;
    if (!ProposeComposition(S, prop)) return;
    const int s = prop.s, t = prop.t;
    const int N = S.NumMixture;
    const bool f1 = S.cfg.Generation != 0;
    const double* x = S.x;
    const double* xp = S.ProposedX;
    LikelihoodCache& C = S.Cache;

    for (int i = 0; i < N; ++i) {
        const IndividualLikelihood& cur = S.Lik[i];
        IndividualLikelihood& next = S.ProposedLik[i];
        const long double P_s = C.P[s][i];
        const long double P_t = C.P[t][i];
        next.L0 = cur.L0 - x[s] * P_s + xp[s] * P_s - x[t] * P_t + xp[t] * P_t;
        if (f1) {
            next.L1 = cur.L1 - (x[s] * x[s]) * P_s + (xp[s] * xp[s]) * P_s
                      - (x[t] * x[t]) * P_t + (xp[t] * xp[t]) * P_t;
            next.L2 = CachedL2Term(S, xp, i);
        } else {
            next.L1 = cur.L1;
            next.L2 = cur.L2;
        }
        C.ProposedArg[i] = LogLArgument(f1, next.L0, next.L1, next.L2, S.w);
    }
    // The logs in a second pass: reading a value's bits just after it was formed would
    // wait for the store of each.
    long double total = 0.0L;
    for (int i = 0; i < N; ++i) {
        S.ProposedLik[i].LogL = ExtendedLog(C.ProposedArg[i]);
        total += S.ProposedLik[i].LogL;
    }
    TestComposition(S, prop, total, AcceptX);
}
