// Reversible-jump moves between the nine log-linear models. The proposal is the proposed
// model's Gibbs draw; a coefficient the new model lacks dies at 0, one it adds is born in
// that draw, so the Jacobian is 1.
#include <cmath>

#include "model/model.h"

namespace {

// The other coefficients of a single-coefficient proposal are held at 0.
constexpr double kZeroRecord[4] = {0.0, 0.0, 0.0, 0.0};

// Slot of a single-coefficient model, -1 for any other code.
int SingleSlot(int32_t code)
{
    switch (code) {
    case 1: return 0;
    case 2: return 1;
    case 4: return 2;
    default: return -1;
    }
}

// The model's coefficients in slot order as a k x 1 matrix.
MAT CoefficientVector(int32_t code, const double* b)
{
    MAT F = mat_new(CoefficientCount(code), 1, MAT_NONE);
    if (F == nullptr) return nullptr;
    int j = 0;
    for (int slot = 0; slot < 4; ++slot)
        if (code & (1 << slot)) F[j++][0] = b[slot];
    return F;
}

}  // namespace

double ModelJumpDensity(SamplerState& S, int kind, int32_t code, const double* b)
{
    const double V = S.cfg.sigmap;
    const int slot = SingleSlot(code);
    if (slot >= 0) {
        const double v = b[slot];
        if (kind == 0) return NormalLogDensity(v, 0.0, V);
        const NormalConditional c = SingleCoefficientConditional(S, slot, kZeroRecord);
        return NormalLogDensity(v, c.mean, 1.0 / c.precision);
    }
    if (ModelIndexOf(code) < 0) ModelNotAllowed();

    const int k = CoefficientCount(code);
    MAT mean = nullptr, cov = nullptr;
    if (kind == 0) {
        mean = mat_new(k, 1, MAT_ZERO);
        MAT I = mat_new(k, k, MAT_IDENTITY);
        cov = I ? mat_scaled(I, V) : nullptr;
        mat_release(I);
    } else {
        // May stop (singular precision): nothing of ours is allocated yet.
        MultiCoefficientConditional(S, code, mean, cov);
    }
    MAT F = CoefficientVector(code, b);
    if (F == nullptr || mean == nullptr || cov == nullptr) {
        mat_release(F);
        mat_release(mean);
        mat_release(cov);
        MatrixUnavailable("model jump density", false);
    }
    const double d = MvnLogDensity(mean, cov, F);
    mat_release(F);
    mat_release(mean);
    mat_release(cov);
    return d;
}

void ModelJump(SamplerState& S, int32_t code, int32_t& AcceptJump)
{
    const int n = S.NumSources;
    const int32_t current = S.CurrentModel;
    double bp[4];
    switch (code) {
    case 1:
        bp[0] = UpdateConstant(S, kZeroRecord);
        bp[1] = bp[2] = bp[3] = 0.0;
        break;
    case 2:
        bp[0] = 0.0;
        bp[1] = UpdateG1(S, kZeroRecord);
        bp[2] = bp[3] = 0.0;
        break;
    case 4:
        bp[0] = bp[1] = bp[3] = 0.0;
        bp[2] = UpdateG2(S, kZeroRecord);
        break;
    case 3: case 5: case 6: case 7: case 14: case 15:
        UpdateLogLinMulti(S, code, bp);
        break;
    default:
        ModelNotAllowed();
    }

    double muProposed[ParamSlots];
    double D = 0.0;
    for (int s = 0; s < n; ++s) {
        const double g1 = S.Sources[s].G1, g2 = S.Sources[s].G2;
        muProposed[s] = bp[1] * g1 + bp[0] + bp[2] * g2 + bp[3] * g1 * g2;
        const double la = std::log(S.AlphaX[s]);
        const double dNew = la - muProposed[s], dOld = la - S.mu[s];
        D += dNew * dNew - dOld * dOld;
    }
    const double prior = ModelJumpDensity(S, 0, code, bp) - ModelJumpDensity(S, 0, current, S.LogLinPar);
    const double proposal =
        ModelJumpDensity(S, 1, current, S.LogLinPar) - ModelJumpDensity(S, 1, code, bp);
    const double r = -(1.0 / (2.0 * S.AlphaVariance)) * D + prior + proposal;

    if (MetropolisTest(S, r)) {
        for (int j = 0; j < 4; ++j) S.LogLinPar[j] = bp[j];
        S.CurrentModel = code;
        for (int s = 0; s < n; ++s) S.mu[s] = muProposed[s];
        AcceptJump += 1;
    }
}
