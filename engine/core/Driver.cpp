// The chain's start-up and one iteration. The order of the calls fixes which random
// numbers every value consumes: it must not change.
#include "core/Driver.h"

#include <cstring>

#include "core/Output.h"
#include "model/IncrementalLikelihood.h"
#include "model/model.h"
#include "random/ranlib.h"

// The Gibbs step of the coefficients of the current model.
void CoefficientStep(SamplerState& S)
{
    double* b = S.LogLinPar;
    switch (S.CurrentModel) {
    case 1:
        b[0] = UpdateConstant(S, b);
        b[1] = b[2] = b[3] = 0.0;
        break;
    case 2:
        // The constant goes first, so the residual of the G1 draw holds none.
        b[0] = 0.0;
        b[1] = UpdateG1(S, b);
        b[2] = b[3] = 0.0;
        break;
    case 4:
        b[2] = UpdateG2(S, b);
        b[3] = 0.0;
        b[0] = b[1] = 0.0;
        break;
    case 3: case 5: case 6: case 7: case 14: case 15: {
        double scratch[4];
        UpdateLogLinMulti(S, S.CurrentModel, scratch);
        for (int j = 0; j < 4; ++j) b[j] = scratch[j];
        break;
    }
    default:
        ModelNotAllowed();
    }
}

// One uniform proposal among the nine models; the move is tried only when it differs.
void JumpStep(SamplerState& S, int32_t& AcceptJump)
{
    int m;
    do m = (int)(10.0 * (double)genunit());
    while (m == 0 || m > 9);
    const int32_t code = ModelCodeOf(m);
    if (code != S.CurrentModel) ModelJump(S, code, AcceptJump);
}

void UpdateHomozygosity(SamplerState& S)
{
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            double h = 0.0;
            for (int a = 0; a < L.NumAlleles; ++a) h += L.p[a] * L.p[a];
            L.Homozygosity = h;
        }
}

namespace {

void Accumulate(SamplerState& S)
{
    ModelAccumulator& A = S.Accumulators[ModelNumberOf(S.CurrentModel) - 1];
    double* v = A.v;
    v[Acc::SumW] += S.w;
    v[Acc::SqW] += S.w * S.w;
    const int sources = S.NumSources < MaxSources ? S.NumSources : MaxSources;
    for (int s = 0; s < sources; ++s) {
        v[Acc::SumX + s] += S.x[s];
        v[Acc::SqX + s] += S.x[s] * S.x[s];
    }
    for (int j = 0; j < 4; ++j) {
        v[Acc::SumLogLin + j] += S.LogLinPar[j];
        v[Acc::SqLogLin + j] += S.LogLinPar[j] * S.LogLinPar[j];
    }
    A.SampleCount += 1;
}

}  // namespace

void DriverStartUp(SamplerState& S)
{
    SelectLikelihoodEngine(S);
    setseedall(S.cfg.seed0, S.cfg.seed1);
    for (int s = 0; s < S.NumSources; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            for (int a = 0; a < L.NumAlleles; ++a) L.DirichletPar[a] = L.Count[a] + 1;
        }
    std::memset(S.Accumulators, 0, sizeof S.Accumulators);
    SetInitialState(S);
    BuildModelDesign(S);
    OpenOutputFiles(S);
}

void DriverModelSteps(SamplerState& S, int32_t k, AcceptCounters& c)
{
    if (k % 100000 == 0) RecomputeLikelihoodSelected(S);
    S.AlphaVariance = 1.0 / DrawTau(S);
    CoefficientStep(S);
    RecomputeMu(S);
    UpdateAlphaX(S, c.AcceptAlphaX);
    UpdateXSelected(S, c.AcceptX);
    if (S.cfg.Generation != 0) UpdateW(S, c.AcceptW);
    UpdatePSelected(S, c.AcceptP);
    if (S.cfg.RJMCMC == 1) JumpStep(S, c.AcceptJump);
}

void DriverIteration(SamplerState& S, int32_t k, AcceptCounters& c)
{
    DriverModelSteps(S, k, c);
    UpdateHomozygosity(S);
    if (k > S.cfg.Burn_in) Accumulate(S);
    OutputStep(S, k, c.AcceptX, c.AcceptW, c.AcceptP, c.AcceptAlphaX, c.AcceptJump);
}
