// The chain's starting state. The order of the draws fixes which random numbers each
// value consumes, so two runs with the same seeds start identically.
#include <cmath>

#include "core/FatalStop.h"
#include "model/model.h"
#include "random/ranlib.h"

void ModelNotAllowed()
{
    FatalStop("model not allowed.\n");
}

void InitialLogLinPar(SamplerState& S, int32_t code)
{
    double* b = S.LogLinPar;
    // Made for every model and then overwritten: they only advance the stream.
    b[0] = genstdnorm();
    b[1] = genstdnorm();
    b[2] = genstdnorm();
    b[3] = genstdnorm();
    // One statement per draw: the slots take the draws in the order constant, G1, G2,
    // interaction.
    switch (code) {
    case 1:
        b[0] = genstdnorm();
        b[1] = b[2] = b[3] = 0.0;
        break;
    case 2:
        b[0] = 0.0;
        b[1] = genstdnorm();
        b[2] = b[3] = 0.0;
        break;
    case 3:
        b[0] = genstdnorm();
        b[1] = genstdnorm();
        b[2] = b[3] = 0.0;
        break;
    case 4:
        b[2] = genstdnorm();
        b[0] = b[1] = b[3] = 0.0;
        break;
    case 5:
        b[0] = genstdnorm();
        b[2] = genstdnorm();
        b[1] = b[3] = 0.0;
        break;
    case 6:
        b[1] = genstdnorm();
        b[2] = genstdnorm();
        b[0] = b[3] = 0.0;
        break;
    case 7:
        b[0] = genstdnorm();
        b[1] = genstdnorm();
        b[2] = genstdnorm();
        b[3] = 0.0;
        break;
    case 14:
        b[0] = 0.0;
        b[1] = genstdnorm();
        b[2] = genstdnorm();
        b[3] = genstdnorm();
        break;
    case 15:
        b[0] = genstdnorm();
        b[1] = genstdnorm();
        b[2] = genstdnorm();
        b[3] = genstdnorm();
        break;
    default:
        ModelNotAllowed();
    }
}

void RecomputeMu(SamplerState& S)
{
    const double* b = S.LogLinPar;
    for (int s = 0; s < S.NumSources; ++s) {
        const double g1 = S.Sources[s].G1, g2 = S.Sources[s].G2;
        S.mu[s] = b[1] * g1 + b[0] + b[2] * g2 + b[3] * g1 * g2;
    }
}

void SetInitialState(SamplerState& S)
{
    const int n = S.NumSources;
    if (n < 1)
        FatalStopf("source data file: number of sources is %d, expected at least 1.\n", n);
    // The gamma generator needs a shape above 1; below that it is not defined and
    // could search for ever, so refuse the settings before anything is drawn.
    const double shape = n * 0.5 + S.cfg.aTau;
    if (!(shape > 1.0))
        FatalStopf("inival.dat: gamma parameter aTau is %g, expected more than %g "
                   "(1 minus half the number of sources).\n",
                   S.cfg.aTau, 1.0 - n * 0.5);

    if (S.cfg.Generation != 0) {
        float u;
        do u = genunit(); while (u >= 1.0f);
        S.w = u;
    } else {
        S.w = 1.0;
    }

    InitialLogLinPar(S, S.cfg.model);
    S.CurrentModel = S.cfg.model;
    RecomputeMu(S);

    const double G = gengammacf(shape);
    S.AlphaVariance = 1.0 / (G / S.cfg.bTau);

    for (int s = 0; s < n; ++s) {
        const double z = genstdnorm();
        const double logAlpha = std::sqrt(S.AlphaVariance) * z + S.mu[s];
        S.AlphaX[s] = std::exp(logAlpha);
        // Huge factors overflow exp() or make it vanish, and the gamma generator would then
        // search for ever: stop with the reason instead.
        if (!(S.AlphaX[s] >= 1e-300 && S.AlphaX[s] <= 1e300))
            FatalStopf("the starting Dirichlet parameter of source %d is exp(%g), out of range: "
                       "G1 (source data file) and G2 (mixture data file) are too large in "
                       "magnitude; rescale them.\n", s + 1, logAlpha);
    }

    gendirichlet(S.x, S.AlphaX, n);
    for (int s = 0; s < n; ++s)
        if (!std::isfinite(S.x[s]))
            FatalStopf("the starting composition could not be drawn from the Dirichlet parameters "
                       "of the factors: G1 (source data file) and G2 (mixture data file) are too "
                       "large in magnitude; rescale them.\n");

    for (int s = 0; s < n; ++s)
        for (int l = 0; l < S.NumLoci; ++l) {
            LocusData& L = S.Sources[s].loci[l];
            gendirichlet(L.p, L.DirichletPar, L.NumAlleles);
        }
}
