// Small dense matrices of doubles. A MAT designates its row-pointer array; the row and
// column counts sit in front of it. Every operation returns a new matrix that the caller
// releases; a missing matrix is nullptr.
#pragma once

#include <cstdint>

using MAT = double**;

constexpr int MAT_NONE = -1;
constexpr int MAT_ZERO = 0;
constexpr int MAT_IDENTITY = 1;

int32_t mat_rows(MAT A);
int32_t mat_cols(MAT A);

MAT mat_alloc(int32_t rows, int32_t cols);
MAT mat_new(int32_t rows, int32_t cols, int type);
MAT mat_settype(MAT A, int type);
int mat_release(MAT A);
MAT mat_clone(MAT A);
MAT mat_sum(MAT A, MAT B);
MAT mat_diff(MAT A, MAT B);
MAT mat_scaled(MAT A, double s);
MAT mat_product(MAT A, MAT B);
MAT mat_transpose(MAT A);
MAT mat_inverse(MAT A);
double mat_determinant(MAT A);
int32_t mat_ludecomp(MAT A, MAT P);
MAT mat_lusubst(MAT A, MAT B, MAT X, MAT P, int32_t col);
void mat_fail(int type);

double log_gamma(float x);
