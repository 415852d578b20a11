// Gibbs draws of the precision Tau and of the log-linear coefficients, and the design
// products of the multi-coefficient models. The conditionals are conjugate: log AlphaX
// is a normal linear regression on the model's design columns.
#include <cmath>

#include "core/FatalStop.h"
#include "model/model.h"
#include "random/ranlib.h"

namespace {

// Multi-coefficient codes in ModelIndex order.
constexpr int32_t kMultiCodes[6] = {3, 5, 6, 7, 14, 15};

// Design column of term bit (1 constant, 2 G1, 4 G2, 8 interaction) for one source.
double DesignValue(const SourcePopulation& src, int bit)
{
    switch (bit) {
    case 1: return 1.0;
    case 2: return src.G1;
    case 4: return src.G2;
    default: return src.G1 * src.G2;
    }
}

}  // namespace

[[noreturn]] void MatrixUnavailable(const char* where, bool singular)
{
    // An allocation failure has already been reported by the toolkit; a singular matrix
    // has not. Either way there is nothing sound to go on with.
    if (singular)
        FatalStopf("%s: the precision matrix is singular.\n", where);
    FatalStopf("%s: out of memory for the matrix toolkit.\n", where);
}

double DrawTau(SamplerState& S)
{
    float SS = 0.0f;
    for (int s = 0; s < S.NumSources; ++s) {
        const double d = std::log(S.AlphaX[s]) - S.mu[s];
        SS = (float)((double)SS + d * d);
    }
    const double G = gengammacf(S.NumSources * 0.5 + S.cfg.aTau);
    return G / ((double)SS * 0.5 + S.cfg.bTau);
}

NormalConditional SingleCoefficientConditional(const SamplerState& S, int slot, const double* b)
{
    const double var = S.AlphaVariance;
    double zz = 0.0, ze = 0.0;
    for (int s = 0; s < S.NumSources; ++s) {
        const double g1 = S.Sources[s].G1, g2 = S.Sources[s].G2;
        const double la = std::log(S.AlphaX[s]);
        double z, e;
        switch (slot) {
        case 0:
            z = 1.0;
            e = la - b[1] * g1 - b[2] * g2 - b[3] * g1 * g2;
            break;
        case 1:
            z = g1;
            e = la - b[0] - b[2] * g2 - b[3] * g1 * g2;
            break;
        default:
            z = g2;
            e = la - b[0] - b[1] * g1 - b[3] * g1 * g2;
            break;
        }
        zz += z * z;
        ze += z * e / var;
    }
    NormalConditional c;
    c.precision = zz / var + 1.0 / S.cfg.sigmap;  // zz is n exactly for the constant
    c.mean = ze / c.precision;
    return c;
}

namespace {

double DrawSingle(SamplerState& S, int slot, const double* b)
{
    const NormalConditional c = SingleCoefficientConditional(S, slot, b);
    const double z = genstdnorm();
    return std::sqrt(1.0 / c.precision) * z + c.mean;
}

}  // namespace

double UpdateConstant(SamplerState& S, const double* b) { return DrawSingle(S, 0, b); }
double UpdateG1(SamplerState& S, const double* b) { return DrawSingle(S, 1, b); }
double UpdateG2(SamplerState& S, const double* b) { return DrawSingle(S, 2, b); }

void LoadModelDesign(const SamplerState& S, int index, MAT Xt, MAT XtX, MAT y)
{
    const int k = CoefficientCount(kMultiCodes[index]);
    const int n = S.NumSources;
    const ModelDesignRecord& rec = S.ModelDesign[index];
    for (int i = 0; i < k; ++i) {
        for (int s = 0; s < n; ++s) Xt[i][s] = rec.Xt[i][s];
        for (int j = 0; j < k; ++j) XtX[i][j] = rec.XtX[i][j];
    }
    for (int s = 0; s < n; ++s) y[s][0] = std::log(S.AlphaX[s]);
}

void BuildModelDesign(SamplerState& S)
{
    const int n = S.NumSources;
    for (int index = 0; index < 6; ++index) {
        const int32_t code = kMultiCodes[index];
        const int k = CoefficientCount(code);
        ModelDesignRecord& rec = S.ModelDesign[index];
        rec.code = code;

        MAT X = mat_new(n, k, MAT_NONE);
        if (X == nullptr) MatrixUnavailable("model design", false);
        for (int s = 0; s < n; ++s) {
            int col = 0;
            for (int bit = 1; bit <= 8; bit <<= 1)
                if (code & bit) X[s][col++] = DesignValue(S.Sources[s], bit);
        }
        MAT Xt = mat_transpose(X);
        MAT XtX = Xt ? mat_product(Xt, X) : nullptr;
        if (XtX == nullptr) {
            mat_release(X);
            mat_release(Xt);
            MatrixUnavailable("model design", false);
        }
        for (int i = 0; i < k; ++i) {
            for (int j = 0; j < k; ++j) rec.XtX[i][j] = XtX[i][j];
            for (int s = 0; s < n; ++s) rec.Xt[i][s] = Xt[i][s];
        }
        mat_release(X);
        mat_release(Xt);
        mat_release(XtX);
    }
}

void MultiCoefficientConditional(const SamplerState& S, int32_t code, MAT& mean, MAT& cov)
{
    const int index = ModelIndexOf(code);
    if (index < 0) ModelNotAllowed();
    const int k = CoefficientCount(code);
    const int n = S.NumSources;
    const double invVar = 1.0 / S.AlphaVariance;

    MAT Xt = mat_new(k, n, MAT_NONE);
    MAT XtX = mat_new(k, k, MAT_NONE);
    MAT I = mat_new(k, k, MAT_IDENTITY);
    MAT y = mat_new(n, 1, MAT_NONE);
    MAT A = nullptr, B = nullptr, P = nullptr, C = nullptr, CXt = nullptr, CXty = nullptr,
        m = nullptr;
    if (Xt && XtX && I && y) {
        LoadModelDesign(S, index, Xt, XtX, y);
        A = mat_scaled(XtX, invVar);
        B = mat_scaled(I, 1.0 / S.cfg.sigmap);
        if (A && B) P = mat_sum(A, B);
        if (P) C = mat_inverse(P);
        // C · Xt first, then by y: the order fixes the rounding of the mean.
        if (C) CXt = mat_product(C, Xt);
        if (CXt) CXty = mat_product(CXt, y);
        if (CXty) m = mat_scaled(CXty, invVar);
    }
    const bool singular = P != nullptr && C == nullptr;
    mat_release(Xt);
    mat_release(XtX);
    mat_release(I);
    mat_release(y);
    mat_release(A);
    mat_release(B);
    mat_release(P);
    mat_release(CXt);
    mat_release(CXty);
    if (m == nullptr) {
        mat_release(C);
        MatrixUnavailable("log-linear coefficients", singular);
    }
    mean = m;
    cov = C;
}

void DrawMvn(MAT mean, MAT cov, double* out)
{
    // The draw is made in single precision; the working arrays hold up to 10 values.
    constexpr int kMax = 10;
    const int k = mat_rows(mean);
    if (k < 1 || k > kMax) FatalStopf("multivariate normal draw: dimension %d, expected 1 to %d.\n", k, kMax);
    float means[kMax];
    float covm[kMax * kMax];
    float parm[kMax * (kMax + 3) / 2 + 1];
    float result[kMax];
    float work[kMax];
    for (int i = 0; i < k; ++i) means[i] = (float)mean[i][0];
    // Column order; setgmn factorises the copy in place.
    for (int c = 0; c < k; ++c)
        for (int r = 0; r < k; ++r) covm[r + c * k] = (float)cov[r][c];
    setgmn(means, covm, k, parm);
    genmvnorm(parm, result, work);
    for (int i = 0; i < k; ++i) out[i] = result[i];
}

void UpdateLogLinMulti(SamplerState& S, int32_t code, double* out)
{
    if (ModelIndexOf(code) < 0) ModelNotAllowed();
    MAT m = nullptr, C = nullptr;
    MultiCoefficientConditional(S, code, m, C);
    double W[4];
    DrawMvn(m, C, W);
    mat_release(m);
    mat_release(C);
    // The drawn values fill the model's slots in slot order; the other slots are 0.
    int j = 0;
    for (int slot = 0; slot < 4; ++slot) out[slot] = (code & (1 << slot)) ? W[j++] : 0.0;
}
