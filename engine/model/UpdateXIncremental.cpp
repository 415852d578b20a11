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

    const int n = S.NumSources;
    const int N = S.NumMixture;
    if (n < 2) return;
    const bool f1 = S.cfg.Generation != 0;
    const float eps = S.cfg.epsilon_x;
    const double* x = S.x;
    double* xp = S.ProposedX;
    const LikelihoodCache& C = S.Cache;

    const double T_old = (double)(DirichletLogDensity(x, S.AlphaX, n) + S.LogLikelihood);

    const int s = DrawIndex(n);
    const int t = DrawOtherIndex(n, s);
    const ProposalWindow win = ShareWindow(x[s], x[t], eps);

    for (int j = 0; j < n; ++j) xp[j] = x[j];
    const float U = DrawScratchUniform(S);
    xp[s] = win.lo + U * (win.hi - win.lo);
    xp[t] = x[s] + x[t] - xp[s];
    if (x[s] + x[t] < 0.00001 && xp[t] < 0.0) return;

    long double total = 0.0L;
    for (int i = 0; i < N; ++i) {
        const IndividualLikelihood& cur = S.Lik[i];
        IndividualLikelihood& prop = S.ProposedLik[i];
        const long double P_s = C.P[s][i];
        const long double P_t = C.P[t][i];
        prop.L0 = cur.L0 - x[s] * P_s + xp[s] * P_s - x[t] * P_t + xp[t] * P_t;
        if (f1) {
            prop.L1 = cur.L1 - (x[s] * x[s]) * P_s + (xp[s] * xp[s]) * P_s
                      - (x[t] * x[t]) * P_t + (xp[t] * xp[t]) * P_t;
            prop.L2 = CachedL2Term(S, xp, i);
        } else {
            prop.L1 = cur.L1;
            prop.L2 = cur.L2;
        }
        S.Cache.ProposedArg[i] = LogLArgument(f1, prop.L0, prop.L1, prop.L2, S.w);
    }
    // The logs in a second pass: reading a value's bits just after it was formed would
    // wait for the store of each.
    for (int i = 0; i < N; ++i) {
        S.ProposedLik[i].LogL = ExtendedLog(S.Cache.ProposedArg[i]);
        total += S.ProposedLik[i].LogL;
    }

    const ProposalWindow rev = ShareReverseWindow(xp[s], xp[t], eps);
    const double T_new = (double)(DirichletLogDensity(xp, S.AlphaX, n) + total);
    const double r = std::log(1.0 / (rev.hi - rev.lo)) + (T_new - T_old)
                     - std::log(1.0 / (win.hi - win.lo));

    if (!MetropolisTest(S, r)) return;
    for (int j = 0; j < n; ++j) S.x[j] = xp[j];
    for (int i = 0; i < N; ++i) {
        S.Lik[i].L0 = S.ProposedLik[i].L0;
        S.Lik[i].LogL = S.ProposedLik[i].LogL;
        if (f1) {
            S.Lik[i].L1 = S.ProposedLik[i].L1;
            S.Lik[i].L2 = S.ProposedLik[i].L2;
        }
    }
    S.LogLikelihood = total;
    AcceptX += 1;
}
