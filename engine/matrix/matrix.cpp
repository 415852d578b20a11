#include "matrix/matrix.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// The two counts sit in front of the row-pointer array; two 32-bit integers take exactly
// one pointer's room, so the array stays pointer-aligned.
constexpr size_t kHeader = 2 * sizeof(int32_t);
static_assert(kHeader % alignof(double*) == 0, "row pointers must stay aligned");

int32_t* counts(MAT A) { return reinterpret_cast<int32_t*>(A) - 2; }

void release_rows(MAT A, int32_t rows)
{
    for (int32_t i = 0; i < rows; ++i) std::free(A[i]);
    std::free(counts(A));
}

int row_of(MAT P, int32_t k) { return static_cast<int>(P[k][0]); }

}  // namespace

int32_t mat_rows(MAT A) { return counts(A)[0]; }
int32_t mat_cols(MAT A) { return counts(A)[1]; }

void mat_fail(int type)
{
    switch (type) {
    case 1: std::fputs("mat: malloc error\n", stderr); break;
    case 2: std::fputs("mat: fileopen error\n", stderr); break;
    case 3: std::fputs("fgetmat: matrix read error\n", stderr); break;
    default: break;
    }
}

MAT mat_alloc(int32_t rows, int32_t cols)
{
    if (rows < 0 || cols < 0) {
        mat_fail(1);
        return nullptr;
    }
    void* block = std::malloc(kHeader + static_cast<size_t>(rows) * sizeof(double*));
    if (block == nullptr) {
        mat_fail(1);
        return nullptr;
    }
    MAT A = reinterpret_cast<MAT>(static_cast<char*>(block) + kHeader);
    for (int32_t i = 0; i < rows; ++i) {
        // malloc(0) may legally return nullptr; one double keeps an empty row distinct.
        A[i] = static_cast<double*>(std::malloc((cols > 0 ? static_cast<size_t>(cols) : 1) * sizeof(double)));
        if (A[i] == nullptr) {
            mat_fail(1);
            release_rows(A, i);  // no leak of the rows already made
            return nullptr;
        }
    }
    counts(A)[0] = rows;
    counts(A)[1] = cols;
    return A;
}

MAT mat_settype(MAT A, int type)
{
    const int32_t m = mat_rows(A), n = mat_cols(A);
    if (type == MAT_ZERO || type == MAT_IDENTITY)
        for (int32_t i = 0; i < m; ++i)
            for (int32_t j = 0; j < n; ++j) A[i][j] = (type == MAT_IDENTITY && i == j) ? 1.0 : 0.0;
    return A;
}

MAT mat_new(int32_t rows, int32_t cols, int type)
{
    MAT A = mat_alloc(rows, cols);
    if (A == nullptr) return nullptr;
    return mat_settype(A, type);
}

int mat_release(MAT A)
{
    if (A == nullptr) return 0;
    release_rows(A, mat_rows(A));
    return 1;
}

MAT mat_clone(MAT A)
{
    const int32_t m = mat_rows(A), n = mat_cols(A);
    MAT C = mat_alloc(m, n);
    if (C == nullptr) return nullptr;
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) C[i][j] = A[i][j];
    return C;
}

MAT mat_sum(MAT A, MAT B)
{
    const int32_t m = mat_rows(A), n = mat_cols(A);
    MAT C = mat_alloc(m, n);
    if (C == nullptr) return nullptr;
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) C[i][j] = A[i][j] + B[i][j];
    return C;
}

MAT mat_diff(MAT A, MAT B)
{
    const int32_t m = mat_rows(A), n = mat_cols(A);
    MAT C = mat_alloc(m, n);
    if (C == nullptr) return nullptr;
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) C[i][j] = A[i][j] - B[i][j];
    return C;
}

MAT mat_scaled(MAT A, double s)
{
    const int32_t m = mat_rows(A), n = mat_cols(A);
    MAT C = mat_alloc(m, n);
    if (C == nullptr) return nullptr;
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) C[i][j] = s * A[i][j];
    return C;
}

MAT mat_product(MAT A, MAT B)
{
    const int32_t m = mat_rows(A), inner = mat_cols(A), n = mat_cols(B);
    MAT C = mat_alloc(m, n);
    if (C == nullptr) return nullptr;
    // Summation in ascending k, each partial sum a double: results are bit-reproducible.
    for (int32_t i = 0; i < m; ++i)
        for (int32_t j = 0; j < n; ++j) {
            double sum = 0.0;
            for (int32_t k = 0; k < inner; ++k) sum = sum + A[i][k] * B[k][j];
            C[i][j] = sum;
        }
    return C;
}

MAT mat_transpose(MAT A)
{
    const int32_t m = mat_rows(A), n = mat_cols(A);
    MAT C = mat_alloc(n, m);
    if (C == nullptr) return nullptr;
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < m; ++j) C[i][j] = A[j][i];
    return C;
}

int32_t mat_ludecomp(MAT A, MAT P)
{
    const int32_t n = mat_cols(A);
    for (int32_t k = 0; k < n; ++k) P[k][0] = static_cast<double>(k);
    int32_t exchanges = 0;
    for (int32_t i = 0; i < n; ++i) {
        // Strictly greater: among equal magnitudes the first row keeps the pivot.
        double best = 0.0;
        int32_t p = i;
        for (int32_t j = i; j < n; ++j) {
            const double a = std::fabs(A[row_of(P, j)][i]);
            if (a > best) {
                best = a;
                p = j;
            }
        }
        if (p != i) {
            const double t = P[i][0];
            P[i][0] = P[p][0];
            P[p][0] = t;
            ++exchanges;
        }
        double* pivot = A[row_of(P, i)];
        if (pivot[i] == 0.0) return -1;
        for (int32_t j = i + 1; j < n; ++j) {
            double* r = A[row_of(P, j)];
            r[i] = r[i] / pivot[i];
            for (int32_t k = i + 1; k < n; ++k) r[k] = r[k] - pivot[k] * r[i];
        }
    }
    return exchanges;
}

MAT mat_lusubst(MAT A, MAT B, MAT X, MAT P, int32_t col)
{
    const int32_t n = mat_cols(A);
    if (n <= 0) return X;
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = i + 1; j < n; ++j)
            B[row_of(P, j)][0] = B[row_of(P, j)][0] - A[row_of(P, j)][i] * B[row_of(P, i)][0];

    X[n - 1][col] = B[row_of(P, n - 1)][0] / A[row_of(P, n - 1)][n - 1];
    for (int32_t i = n - 2; i >= 0; --i) {
        double sum = 0.0;
        for (int32_t j = i + 1; j < n; ++j) sum = sum + A[row_of(P, i)][j] * X[j][col];
        X[i][col] = (B[row_of(P, i)][0] - sum) / A[row_of(P, i)][i];
    }
    return X;
}

MAT mat_inverse(MAT A)
{
    const int32_t n = mat_cols(A);
    MAT W = mat_clone(A);
    MAT B = mat_new(n, 1, MAT_NONE);
    MAT C = mat_new(n, n, MAT_NONE);
    MAT P = mat_new(n, 1, MAT_NONE);
    if (W == nullptr || B == nullptr || C == nullptr || P == nullptr || mat_ludecomp(W, P) == -1) {
        mat_release(W);
        mat_release(B);
        mat_release(C);
        mat_release(P);
        return nullptr;
    }
    for (int32_t i = 0; i < n; ++i) {
        mat_settype(B, MAT_ZERO);
        B[i][0] = 1.0;
        mat_lusubst(W, B, C, P, i);
    }
    mat_release(W);
    mat_release(B);
    mat_release(P);
    return C;
}

double mat_determinant(MAT A)
{
    static const double sign[2] = {1.0, -1.0};
    const int32_t n = mat_rows(A);
    MAT W = mat_clone(A);
    MAT P = mat_new(n, 1, MAT_NONE);
    double result = 0.0;
    if (W != nullptr && P != nullptr) {
        const int32_t e = mat_ludecomp(W, P);
        if (e != -1) {
            double prod = 1.0;
            for (int32_t i = 0; i < n; ++i) prod = prod * W[row_of(P, i)][i];
            result = prod * sign[e % 2];
        }
    }
    mat_release(W);
    mat_release(P);
    return result;
}

double log_gamma(float x)
{
    // Lanczos, six terms; the argument is single precision, the arithmetic double.
    static const double coef[6] = {76.18009172947146,     -86.50532032941677,
                                   24.01409824083091,     -1.231739572450155,
                                   0.1208650973866179e-2, -0.5395239384953e-5};
    const double xd = x;
    double y = xd;
    double tmp = xd + 5.5;
    tmp = tmp - (xd + 0.5) * std::log(tmp);
    double ser = 1.000000000190015;
    for (double c : coef) {
        y = y + 1.0;
        ser = ser + c / y;
    }
    return -tmp + std::log(2.5066282746310005 * ser / xd);
}
