// Normal, gamma, Dirichlet and multivariate normal variates on top of genunit.
//
// The single-precision routines round every assignment to float but evaluate each
// right-hand side in double (float*float would otherwise be computed in float on x86-64);
// the exact numbers a run produces depend on it, as they do on the order of the draws.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "random/ranlib.h"

namespace {

// Ahrens and Dieter's table for 32 intervals, indexed from 1 (element 0 unused).
// A: interval bounds (normal quantiles of 1/2 + (i-1)/64); D: tail increments;
// T, H: centre thresholds and slopes.
const float A[33] = {
    0.0f,       0.0f,       0.03917609f, 0.07841241f, 0.11777f,   0.1573107f, 0.1970991f,
    0.2372021f, 0.2776904f, 0.3186394f,  0.36013f,    0.4022501f, 0.4450965f, 0.4887764f,
    0.5334097f, 0.5791322f, 0.626099f,   0.6744898f,  0.7245144f, 0.7764218f, 0.8305109f,
    0.8871466f, 0.9467818f, 1.00999f,    1.077516f,   1.150349f,  1.229859f,  1.318011f,
    1.417797f,  1.534121f,  1.67594f,    1.862732f,   2.153875f};
const float D[32] = {
    0.0f,       0.0f,       0.0f,       0.0f,       0.0f,       0.0f,       0.2636843f,
    0.2425085f, 0.2255674f, 0.2116342f, 0.1999243f, 0.1899108f, 0.1812252f, 0.1736014f,
    0.1668419f, 0.1607967f, 0.1553497f, 0.1504094f, 0.1459026f, 0.14177f,   0.1379632f,
    0.1344418f, 0.1311722f, 0.128126f,  0.1252791f, 0.1226109f, 0.1201036f, 0.1177417f,
    0.1155119f, 0.1134023f, 0.1114027f, 0.1095039f};
const float T[32] = {
    0.0f,        0.0007673828f, 0.00230687f, 0.003860618f, 0.005438454f, 0.0070507f,
    0.008708396f, 0.01042357f,  0.01220953f, 0.01408125f,  0.01605579f,  0.0181529f,
    0.02039573f, 0.02281177f,   0.02543407f, 0.02830296f,  0.03146822f,  0.03499233f,
    0.03895483f, 0.04345878f,   0.04864035f, 0.05468334f,  0.06184222f,  0.07047983f,
    0.08113195f, 0.09462444f,   0.1123001f,  0.136498f,    0.1716886f,   0.2276241f,
    0.330498f,   0.5847031f};
const float H[32] = {
    0.0f,        0.03920617f, 0.03932705f, 0.03951f,    0.03975703f, 0.04007093f,
    0.04045533f, 0.04091481f, 0.04145507f, 0.04208311f, 0.04280748f, 0.04363863f,
    0.04458932f, 0.04567523f, 0.04691571f, 0.04833487f, 0.04996298f, 0.05183859f,
    0.05401138f, 0.05654656f, 0.0595313f,  0.06308489f, 0.06737503f, 0.07264544f,
    0.07926471f, 0.08781922f, 0.09930398f, 0.11556f,    0.1404344f,  0.1836142f,
    0.2790016f,  0.7010474f};

using d = double;

// A uniform strictly below 1: genunit can return exactly 1.0.
double UniformBelowOne()
{
    double u;
    do u = genunit();
    while (u >= 1.0);
    return u;
}

}  // namespace

float genstdnorm()
{
    float u = genunit();
    const float s = u > 0.5f ? 1.0f : 0.0f;
    u = (float)(((d)u - s) + u);
    u = (float)(32.0 * u);
    int i = (int)u;
    if (i == 32) i = 31;  // u was exactly 1.0 (or 0.5)

    float ustar, aa, w, tt;
    if (i != 0) {
        // Centre.
        ustar = (float)((d)u - i);
        aa = A[i];
        for (;;) {
            if (ustar > T[i]) {
                w = (float)(((d)ustar - T[i]) * H[i]);
                break;
            }
            u = genunit();
            w = (float)((d)u * ((d)A[i + 1] - aa));
            tt = (float)((0.5 * w + aa) * w);
            bool accepted = false;
            for (;;) {
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = genunit();
                if (ustar >= u) {
                    tt = u;
                    ustar = genunit();
                    continue;
                }
                ustar = genunit();
                break;  // back to the threshold test
            }
            if (accepted) break;
        }
    } else {
        // Tail: locate the doubling that brings u to 1 or above.
        i = 6;
        aa = A[32];
        for (;;) {
            u = (float)((d)u + u);
            if (u >= 1.0f) break;
            aa = (float)((d)aa + D[i]);
            i = i + 1;
        }
        u = (float)((d)u - 1.0);
        for (;;) {
            w = (float)((d)u * D[i]);
            tt = (float)((0.5 * w + aa) * w);
            bool accepted = false;
            for (;;) {
                ustar = genunit();
                if (ustar > tt) {
                    accepted = true;
                    break;
                }
                u = genunit();
                if (ustar >= u) {
                    tt = u;
                    continue;
                }
                u = genunit();
                break;  // new w from this u
            }
            if (accepted) break;
        }
    }
    const float y = (float)((d)aa + w);
    return s == 1.0f ? -y : y;
}

double gengammacf(double a)
{
    // Cheng and Feast's ratio of uniforms; above 2.5 the first uniform is recentred.
    const double c1 = a - 1.0;
    const double c2 = (a - 1.0 / (6.0 * a)) / c1;
    const double c3 = 2.0 / c1;
    const double c4 = c3 + 2.0;
    const double c5 = 1.0 / std::sqrt(a);
    for (;;) {
        double u1 = UniformBelowOne();
        const double u2 = UniformBelowOne();
        if (a > 2.5) u1 = u2 + c5 * (1.0 - 1.86 * u1);
        if (u1 >= 1.0 || u1 <= 0.0) continue;
        const double w = c2 * u2 / u1;
        if (c3 * u1 + w + 1.0 / w <= c4) return c1 * w;
        if (c3 * std::log(u1) - std::log(w) + w < 1.0) return c1 * w;
    }
}

void gendirichlet(double* out, const double* alpha, int32_t k)
{
    double sum = 0.0;
    for (int32_t i = 0; i < k; ++i) {
        if (alpha[i] > 1.0) {
            out[i] = gengammacf(alpha[i]);
        } else if (alpha[i] == 1.0) {
            out[i] = -std::log(UniformBelowOne());
        } else {
            // The uniform comes before the gamma draw: the order fixes the sequence.
            const double u = UniformBelowOne();
            const double g = gengammacf(alpha[i] + 1.0);
            out[i] = g * std::pow(u, 1.0 / alpha[i]);
        }
        sum += out[i];
    }
    for (int32_t i = 0; i < k; ++i) out[i] = out[i] / sum;
}

float dotprod(int32_t n, const float* sx, int32_t incx, const float* sy, int32_t incy)
{
    float stemp = 0.0f;
    if (n < 1) return stemp;
    if (incx == 1 && incy == 1) {
        const int32_t m = n % 5;
        for (int32_t i = 0; i < m; ++i) stemp = (float)((d)stemp + (d)sx[i] * sy[i]);
        for (int32_t i = m; i < n; i += 5) {
            const double group = (d)sx[i] * sy[i] + (d)sx[i + 1] * sy[i + 1] +
                                 (d)sx[i + 2] * sy[i + 2] + (d)sx[i + 3] * sy[i + 3] +
                                 (d)sx[i + 4] * sy[i + 4];
            stemp = (float)((d)stemp + group);
        }
        return stemp;
    }
    int32_t ix = incx < 0 ? (1 - n) * incx : 0;
    int32_t iy = incy < 0 ? (1 - n) * incy : 0;
    for (int32_t i = 0; i < n; ++i) {
        stemp = (float)((d)stemp + (d)sx[ix] * sy[iy]);
        ix += incx;
        iy += incy;
    }
    return stemp;
}

void cholfac(float* a, int32_t lda, int32_t n, int32_t* info)
{
    // a(r, c), counted from 1, lives at (r-1) + (c-1)*lda.
    auto at = [a, lda](int32_t r, int32_t c) -> float& { return a[(r - 1) + (c - 1) * lda]; };
    for (int32_t j = 1; j <= n; ++j) {
        *info = j;
        float s = 0.0f;
        for (int32_t k = 1; k <= j - 1; ++k) {
            float t = (float)((d)at(k, j) - dotprod(k - 1, &at(1, k), 1, &at(1, j), 1));
            t = (float)((d)t / at(k, k));
            at(k, j) = t;
            s = (float)((d)s + (d)t * t);
        }
        s = (float)((d)at(j, j) - s);
        if (s <= 0.0f) return;
        at(j, j) = (float)std::sqrt((d)s);
    }
    *info = 0;
}

void setgmn(const float* meanv, float* covm, int32_t p, float* parm)
{
    if (p < 1) {
        std::fputs("P nonpositive in SETGMN", stderr);
        std::fprintf(stderr, "Value of P: %12ld\n", static_cast<long>(p));
        std::exit(1);
    }
    parm[0] = (float)p;
    for (int32_t i = 0; i < p; ++i) parm[1 + i] = meanv[i];
    int32_t info = 0;
    cholfac(covm, p, p, &info);
    if (info != 0) {
        std::fputs(" COVM not positive definite in SETGMN", stderr);
        std::exit(1);
    }
    int32_t next = p + 1;
    for (int32_t i = 0; i < p; ++i)
        for (int32_t j = i; j < p; ++j) parm[next++] = covm[i + j * p];
}

void genmvnorm(const float* parm, float* x, float* work)
{
    const int32_t p = (int32_t)parm[0];
    for (int32_t i = 0; i < p; ++i) work[i] = genstdnorm();
    // x = mean + U'z, U read from the packed upper triangle after the mean.
    for (int32_t i = 1; i <= p; ++i) {
        float ae = 0.0f;
        for (int32_t j = 1; j <= i; ++j) {
            const int32_t at = i + (j - 1) * p - j * (j - 1) / 2 + p;
            ae = (float)((d)ae + (d)parm[at] * work[j - 1]);
        }
        x[i - 1] = (float)((d)ae + parm[i]);
    }
}
