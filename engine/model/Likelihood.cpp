// Likelihood of the mixture genotypes and the density helpers the updates share.
// Kept plain on purpose: this is the from-scratch reference the cached terms are
// checked against. Genotype products over many loci fall far below the double range,
// hence long double throughout.
#include <cmath>
#include <numbers>

#include "core/FatalStop.h"
#include "model/model.h"

namespace {

// A carried allele with frequency exactly 0 would make the product 0 and LogL -inf.
inline void ReplaceZero(double* p, int a)
{
    if (p[a] == 0.0) p[a] = 1e-6;
}

}  // namespace

long double SingleSourceProb(SamplerState& S, int i, int s)
{
    const MixtureIndividual& ind = S.Mixture[i];
    long double prob = 1.0L;
    for (int l = 0; l < S.NumLoci; ++l) {
        const int a = ind.Allele1[l], b = ind.Allele2[l];
        if (a == MissingAllele || b == MissingAllele) continue;
        double* p = S.Sources[s].loci[l].p;
        ReplaceZero(p, a);
        ReplaceZero(p, b);
        if (a == b)
            prob *= (long double)p[a] * p[a];
        else
            prob *= 2.0L * p[a] * p[b];
    }
    return prob;
}

long double PairSourceProb(SamplerState& S, int i, int s, int t)
{
    const MixtureIndividual& ind = S.Mixture[i];
    long double prob = 1.0L;
    for (int l = 0; l < S.NumLoci; ++l) {
        const int a = ind.Allele1[l], b = ind.Allele2[l];
        if (a == MissingAllele || b == MissingAllele) continue;
        double* ps = S.Sources[s].loci[l].p;
        const double* pt = S.Sources[t].loci[l].p;
        // Only the first source's zeros are replaced.
        ReplaceZero(ps, a);
        ReplaceZero(ps, b);
        if (a == b)
            prob *= (long double)ps[a] * pt[a];
        else
            prob *= (long double)ps[a] * pt[b] + (long double)pt[a] * ps[b];
    }
    return prob;
}

long double PairSourceSum(SamplerState& S, const double* x, int i, int s)
{
    long double sum = 0.0L;
    for (int t = 0; t < S.NumSources; ++t)
        if (t != s) sum += PairSourceProb(S, i, s, t) * x[t];
    return sum;
}

long double L0Term(SamplerState& S, const double* x, int i)
{
    long double sum = 0.0L;
    for (int s = 0; s < S.NumSources; ++s) sum += SingleSourceProb(S, i, s) * x[s];
    return sum;
}

long double L1Term(SamplerState& S, const double* x, int i)
{
    long double sum = 0.0L;
    for (int s = 0; s < S.NumSources; ++s) sum += SingleSourceProb(S, i, s) * (x[s] * x[s]);
    return sum;
}

long double L2Term(SamplerState& S, const double* x, int i)
{
    long double sum = 0.0L;
    for (int s = 0; s < S.NumSources; ++s) {
        long double inner = 0.0L;
        for (int t = 0; t < s; ++t) inner += PairSourceProb(S, i, s, t) * x[t];
        sum += x[s] * inner;
    }
    return 2.0L * sum;
}

long double IndividualLogL(const SamplerState& S, long double L0, long double L1, long double L2,
                           double w)
{
    if (S.cfg.Generation != 0) return std::log((L1 + L2) * (1.0 - w) + L0 * w);
    return std::log(L0);
}

void RecomputeLikelihood(SamplerState& S)
{
    S.LogLikelihood = 0.0L;
    const bool f1 = S.cfg.Generation != 0;
    for (int i = 0; i < S.NumMixture; ++i) {
        IndividualLikelihood& r = S.Lik[i];
        r.L0 = L0Term(S, S.x, i);
        r.L1 = f1 ? L1Term(S, S.x, i) : 0.0L;
        r.L2 = f1 ? L2Term(S, S.x, i) : 0.0L;
        r.LogL = IndividualLogL(S, r.L0, r.L1, r.L2, S.w);
        S.LogLikelihood += r.LogL;
    }
}

void AcceptProposedRecords(SamplerState& S)
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

double DirichletLogDensity(const double* x, const double* a, int K)
{
    // A and S are single precision, each addition rounded, as the results depend on it.
    float A = 0.0f, Slg = 0.0f;
    double sum = 0.0;
    for (int k = 0; k < K; ++k) {
        A = (float)((double)A + a[k]);
        Slg = (float)((double)Slg + log_gamma((float)a[k]));
        sum += (a[k] - 1.0) * std::log(x[k]);
    }
    return log_gamma(A) - (double)Slg + sum;
}

double NormalLogDensity(double v, double m, double var)
{
    const double d = v - m;
    return -std::log(std::sqrt(2.0 * std::numbers::pi * var)) - d * d / (2.0 * var);
}

double MvnLogDensity(MAT m, MAT C, MAT v)
{
    const int k = mat_cols(C);
    MAT d = mat_diff(v, m);
    MAT dt = d ? mat_transpose(d) : nullptr;
    MAT Ci = mat_inverse(C);
    MAT left = (dt && Ci) ? mat_product(dt, Ci) : nullptr;
    MAT q = (left && d) ? mat_product(left, d) : nullptr;
    const bool ok = q != nullptr;
    const double quad = ok ? q[0][0] : 0.0;
    const double det = mat_determinant(C);
    mat_release(d);
    mat_release(dt);
    mat_release(Ci);
    mat_release(left);
    mat_release(q);
    // A singular covariance (or a failed allocation, already reported) has no density;
    // going on would read a missing matrix.
    if (!ok) FatalStop("multivariate normal density: covariance matrix is singular or could not be inverted.\n");
    return -0.5 * (k * std::log(2.0 * std::numbers::pi) + std::log(det) + quad);
}
