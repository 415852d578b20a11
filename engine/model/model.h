// The colonisation model: model space, initial state, likelihood and the chain's updates.
// Plain procedures over the one state record.
#pragma once

#include <cstdint>

#include "core/SamplerState.h"
#include "matrix/matrix.h"

// --- model space. Inside the engine a model is a ModelCode (bit 1 constant, 2 G1,
// 4 G2, 8 interaction); users and files see its ModelNumber 1..9.
inline bool IsModelCode(int32_t code)
{
    return (code >= 1 && code <= 7) || code == 14 || code == 15;
}
inline int32_t ModelNumberOf(int32_t code)
{
    return code == 14 ? 8 : code == 15 ? 9 : code;
}
inline int32_t ModelCodeOf(int32_t number)
{
    return number == 8 ? 14 : number == 9 ? 15 : number;
}
// 0..5 for the multi-coefficient codes 3, 5, 6, 7, 14, 15; -1 for any other code.
inline int ModelIndexOf(int32_t code)
{
    switch (code) {
    case 3: return 0;
    case 5: return 1;
    case 6: return 2;
    case 7: return 3;
    case 14: return 4;
    case 15: return 5;
    default: return -1;
    }
}
// Number of coefficients of a model code (0 for a code that is not a model).
inline int CoefficientCount(int32_t code)
{
    if (!IsModelCode(code)) return 0;
    int k = 0;
    for (int bit = 1; bit <= 8; bit <<= 1)
        if (code & bit) ++k;
    return k;
}
[[noreturn]] void ModelNotAllowed();  // "model not allowed." and the fatal stop

// --- initial state
void InitialLogLinPar(SamplerState& S, int32_t code);
// Steps after DirichletPar is set: w, coefficients, CurrentModel, mu, AlphaVariance,
// AlphaX, x, every p, in that order.
void SetInitialState(SamplerState& S);
void RecomputeMu(SamplerState& S);  // mu[s] = b1*G1 + b0 + b2*G2 + b3*G1*G2

// --- likelihood of the mixture genotypes (these may replace a zero frequency by 1e-6)
long double SingleSourceProb(SamplerState& S, int i, int s);
long double PairSourceProb(SamplerState& S, int i, int s, int t);
long double PairSourceSum(SamplerState& S, const double* x, int i, int s);
long double L0Term(SamplerState& S, const double* x, int i);
long double L1Term(SamplerState& S, const double* x, int i);
long double L2Term(SamplerState& S, const double* x, int i);
long double IndividualLogL(const SamplerState& S, long double L0, long double L1, long double L2, double w);
void RecomputeLikelihood(SamplerState& S);
// An accepted move: the proposed records in S.ProposedLik become the records (L1 and L2
// in F1 only).
void AcceptProposedRecords(SamplerState& S);

double DirichletLogDensity(const double* x, const double* a, int K);
double NormalLogDensity(double v, double m, double var);
double MvnLogDensity(MAT m, MAT C, MAT v);

// --- pieces of the Metropolis-Hastings updates
// Uniform-window proposals: the proposal is lo + U * (hi - lo).
struct ProposalWindow {
    double lo;
    double hi;
};
// UpdateP, forward and reverse: frequency moves from B to A.
ProposalWindow AlleleWindow(double pA, double pB, float epsilon);
// UpdateX forward window: hi capped at 0.99999, then floored at 0.00001.
ProposalWindow ShareWindow(double xs, double xt, float epsilon);
// UpdateX reverse window: capped at 1 only.
ProposalWindow ShareReverseWindow(double xs, double xt, float epsilon);
// UpdateW, forward and reverse.
ProposalWindow MatingWindow(double w, float epsilon);
// genunit drawn until below 1, kept in ScratchUniform.
float DrawScratchUniform(SamplerState& S);
// trunc(u * K), drawn again while K or more; the second one also while equal to first.
int DrawIndex(int K);
int DrawOtherIndex(int K, int first);
// One accept/reject test: V below 1, accepted exactly when log V <= r (NaN rejects).
bool MetropolisTest(SamplerState& S, double r);

// The draws of one allele-frequency move of the K frequencies p, the proposal written
// into p; and its log acceptance ratio from the targets before and after (p proposed).
struct AlleleProposal {
    int A, B;
    ProposalWindow win;
    double newA, newB;
};
AlleleProposal ProposeAlleleMove(SamplerState& S, double* p, int K, float epsilon);
double AlleleMoveLogRatio(const AlleleProposal& mv, const double* p, float epsilon, double T_old, double T_new);

// The two halves of a composition move around its likelihood (UpdateX and its cached
// twin): the draws and the proposal into S.ProposedX (false: the move fails before any
// likelihood), then, with the proposed records in S.ProposedLik and their total, the
// test and, on acceptance, x, the records and the total.
struct CompositionProposal {
    int s, t;
    ProposalWindow win;
};
bool ProposeComposition(SamplerState& S, CompositionProposal& prop);
void TestComposition(SamplerState& S, const CompositionProposal& prop, long double total, int32_t& AcceptX);

// --- Metropolis-Hastings updates
void UpdateP(SamplerState& S, float& AcceptP);
// The literal evaluation of one allele-frequency move at locus l of source s with p[A], p[B]
// proposed as newA, newB (the old values in S.SavedP); fills S.ProposedLik, returns the total.
long double AlleleMoveProposedTotal(SamplerState& S, int s, int l, int A, int B, double newA, double newB);
void UpdateAlphaX(SamplerState& S, float& AcceptAlphaX);
void UpdateX(SamplerState& S, int32_t& AcceptX);
void UpdateW(SamplerState& S, int32_t& AcceptW);

// --- log-linear parameters (Gibbs draws)
double DrawTau(SamplerState& S);
double UpdateConstant(SamplerState& S, const double* b);
double UpdateG1(SamplerState& S, const double* b);
double UpdateG2(SamplerState& S, const double* b);
void UpdateLogLinMulti(SamplerState& S, int32_t code, double* out);
void LoadModelDesign(const SamplerState& S, int index, MAT Xt, MAT XtX, MAT y);
void BuildModelDesign(SamplerState& S);
void DrawMvn(MAT mean, MAT cov, double* out);
// Full conditional of coefficient slot 0, 1 or 2 given the other slots of b.
struct NormalConditional {
    double precision;
    double mean;
};
NormalConditional SingleCoefficientConditional(const SamplerState& S, int slot, const double* b);
// Mean (k x 1) and covariance (k x k) of the full conditional of a multi-coefficient
// model; the caller releases both. Stops the run when the toolkit yields no matrix.
void MultiCoefficientConditional(const SamplerState& S, int32_t code, MAT& mean, MAT& cov);
// The fatal stop for a missing matrix (allocation failure or singular matrix).
[[noreturn]] void MatrixUnavailable(const char* where, bool singular);

// --- reversible-jump model moves
void ModelJump(SamplerState& S, int32_t code, int32_t& AcceptJump);
double ModelJumpDensity(SamplerState& S, int kind, int32_t code, const double* b);
