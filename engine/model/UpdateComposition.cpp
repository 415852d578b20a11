// Composition and mating-tendency updates (AlphaX, x, w) and the draw helpers the
// Metropolis-Hastings moves share.
#include <cmath>

#include "model/model.h"
#include "random/ranlib.h"

float DrawScratchUniform(SamplerState& S)
{
    do S.ScratchUniform = genunit();
    while (S.ScratchUniform >= 1.0f);
    return S.ScratchUniform;
}

int DrawIndex(int K)
{
    int k;
    // The product is formed in double: a float product can round up to K.
    do k = (int)((double)genunit() * K);
    while (k > K - 1);
    return k;
}

int DrawOtherIndex(int K, int first)
{
    int k;
    do k = (int)((double)genunit() * K);
    while (k == first || k > K - 1);
    return k;
}

bool MetropolisTest(SamplerState& S, double r)
{
    const float V = DrawScratchUniform(S);
    return std::log((double)V) <= r;
}

ProposalWindow ShareWindow(double xs, double xt, float epsilon)
{
    ProposalWindow win;
    win.hi = (xs + xt > xs + epsilon) ? xs + epsilon : xs + xt;
    if (win.hi > 0.99999) win.hi = 0.99999;
    if (win.hi < 0.00001) win.hi = 0.00001;
    win.lo = (xs - epsilon > 0.0) ? xs - epsilon : 0.0;
    return win;
}

ProposalWindow ShareReverseWindow(double xs, double xt, float epsilon)
{
    ProposalWindow win;
    win.hi = (xs + xt > xs + epsilon) ? xs + epsilon : xs + xt;
    if (win.hi > 1.0) win.hi = 1.0;
    win.lo = (xs - epsilon > 0.0) ? xs - epsilon : 0.0;
    return win;
}

ProposalWindow MatingWindow(double w, float epsilon)
{
    ProposalWindow win;
    win.hi = (w + epsilon > 1.0) ? 1.0 : w + epsilon;
    win.lo = (w - epsilon < 0.0) ? 0.0 : w - epsilon;
    return win;
}

void UpdateAlphaX(SamplerState& S, float& AcceptAlphaX)
{
    const int n = S.NumSources;
    const double step = std::sqrt(S.cfg.alphax);
    for (int s = 0; s < n; ++s) {
        double A = 0.0;
        for (int j = 0; j < n; ++j) A += S.AlphaX[j];

        const double cur = S.AlphaX[s];
        const double z = genstdnorm();
        const double prop = cur * std::exp(step * z);

        const double dNew = std::log(prop) - S.mu[s];
        const double dOld = std::log(cur) - S.mu[s];
        // No Jacobian: the prior is on log AlphaX and the step is symmetric there.
        const double r = -(dNew * dNew - dOld * dOld) / (2.0 * S.AlphaVariance)
                         + std::log(S.x[s]) * (prop - cur)
                         + log_gamma((float)(A - cur + prop)) + log_gamma((float)cur)
                         - log_gamma((float)A) - log_gamma((float)prop);

        if (MetropolisTest(S, r)) {
            S.AlphaX[s] = prop;
            S.AlphaXAcceptCount[s] += 1.0f;
        }
    }
    double sum = 0.0;
    for (int s = 0; s < n; ++s) sum += S.AlphaXAcceptCount[s];
    AcceptAlphaX = (float)(sum / n);
}

bool ProposeComposition(SamplerState& S, CompositionProposal& prop)
{
    const double* x = S.x;
    double* xp = S.ProposedX;
    const int n = S.NumSources;
    const float eps = S.cfg.epsilon_x;
    const int s = DrawIndex(n);
    const int t = DrawOtherIndex(n, s);
    const ProposalWindow win = ShareWindow(x[s], x[t], eps);

    for (int j = 0; j < n; ++j) xp[j] = x[j];
    const float U = DrawScratchUniform(S);
    xp[s] = win.lo + U * (win.hi - win.lo);
    xp[t] = x[s] + x[t] - xp[s];
    prop = CompositionProposal{s, t, win};
    // Below 0.00001 the window's floor exceeds x[s] + x[t]: a negative share is no
    // composition, so the move fails here, without a likelihood or a test.
    return !(x[s] + x[t] < 0.00001 && xp[t] < 0.0);
}

void TestComposition(SamplerState& S, const CompositionProposal& prop, long double total, int32_t& AcceptX)
{
    const int n = S.NumSources;
    const double* xp = S.ProposedX;
    // x and the total are those of before the proposal: the order makes no difference.
    const double T_old = (double)(DirichletLogDensity(S.x, S.AlphaX, n) + S.LogLikelihood);
    const ProposalWindow rev = ShareReverseWindow(xp[prop.s], xp[prop.t], S.cfg.epsilon_x);
    const double T_new = (double)(DirichletLogDensity(xp, S.AlphaX, n) + total);
    const double r = std::log(1.0 / (rev.hi - rev.lo)) + (T_new - T_old)
                     - std::log(1.0 / (prop.win.hi - prop.win.lo));

    if (!MetropolisTest(S, r)) return;
    for (int j = 0; j < n; ++j) S.x[j] = xp[j];
    AcceptProposedRecords(S);
    S.LogLikelihood = total;
    AcceptX += 1;
}

void UpdateX(SamplerState& S, int32_t& AcceptX)
{
    // No second source to trade share with: no move, and no draws.
    if (S.NumSources < 2) return;
    CompositionProposal prop;
    if (!ProposeComposition(S, prop)) return;
    const int s = prop.s, t = prop.t;
    const bool f1 = S.cfg.Generation != 0;
    const double* x = S.x;
    const double* xp = S.ProposedX;

    // The genotype probabilities stay long double: over many loci they underflow a double.
    long double total = 0.0L;
    for (int i = 0; i < S.NumMixture; ++i) {
        const IndividualLikelihood& cur = S.Lik[i];
        IndividualLikelihood& next = S.ProposedLik[i];
        const long double P_s = SingleSourceProb(S, i, s);
        const long double P_t = SingleSourceProb(S, i, t);
        next.L0 = cur.L0 - x[s] * P_s + xp[s] * P_s - x[t] * P_t + xp[t] * P_t;
        if (f1) {
            next.L1 = cur.L1 - (x[s] * x[s]) * P_s + (xp[s] * xp[s]) * P_s
                      - (x[t] * x[t]) * P_t + (xp[t] * xp[t]) * P_t;
            next.L2 = L2Term(S, xp, i);
        } else {
            next.L1 = cur.L1;
            next.L2 = cur.L2;
        }
        next.LogL = IndividualLogL(S, next.L0, next.L1, next.L2, S.w);
        total += next.LogL;
    }
    TestComposition(S, prop, total, AcceptX);
}

void UpdateW(SamplerState& S, int32_t& AcceptW)
{
    // w is a parameter of F1 runs only; in F0 it stays 1.
    if (S.cfg.Generation == 0) return;
    const int N = S.NumMixture;
    const float eps = S.cfg.epsilon_w;

    const ProposalWindow win = MatingWindow(S.w, eps);
    const float U = DrawScratchUniform(S);
    const double wp = win.lo + U * (win.hi - win.lo);

    long double total = 0.0L;
    for (int i = 0; i < N; ++i) {
        const IndividualLikelihood& r = S.Lik[i];
        S.ProposedLogL[i] = (double)IndividualLogL(S, r.L0, r.L1, r.L2, wp);
        total += S.ProposedLogL[i];
    }

    const ProposalWindow rev = MatingWindow(wp, eps);
    const double r = (double)(std::log(1.0 / (rev.hi - rev.lo)) + (total - S.LogLikelihood)
                              - std::log(1.0 / (win.hi - win.lo)));

    if (!MetropolisTest(S, r)) return;
    S.w = wp;
    S.LogLikelihood = total;
    for (int i = 0; i < N; ++i) S.Lik[i].LogL = S.ProposedLogL[i];
    AcceptW += 1;
}
