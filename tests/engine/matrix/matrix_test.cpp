#include <cmath>
#include <cstring>
#include <initializer_list>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "matrix/matrix.h"

namespace {

using Rows = std::vector<std::vector<double>>;

MAT Make(const Rows& r)
{
    MAT A = mat_alloc(static_cast<int32_t>(r.size()), static_cast<int32_t>(r[0].size()));
    for (size_t i = 0; i < r.size(); ++i)
        for (size_t j = 0; j < r[i].size(); ++j) A[i][j] = r[i][j];
    return A;
}

Rows Contents(MAT A)
{
    Rows r(mat_rows(A), std::vector<double>(mat_cols(A)));
    for (int i = 0; i < mat_rows(A); ++i)
        for (int j = 0; j < mat_cols(A); ++j) r[i][j] = A[i][j];
    return r;
}

// Releases on scope exit, so a failed assertion does not leak under the sanitizer.
struct Owned {
    MAT m;
    explicit Owned(MAT a) : m(a) {}
    ~Owned() { mat_release(m); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    operator MAT() const { return m; }
};

TEST(MatrixLayout, CountsSitInFrontOfTheRowPointers)
{
    Owned A(mat_alloc(4, 7));
    ASSERT_NE(A.m, nullptr);
    const int32_t* counts = reinterpret_cast<const int32_t*>(A.m) - 2;
    EXPECT_EQ(counts[0], 4);
    EXPECT_EQ(counts[1], 7);
    EXPECT_EQ(mat_rows(A), 4);
    EXPECT_EQ(mat_cols(A), 7);
    // Rows are separate blocks, each reachable through its pointer.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 7; ++j) A.m[i][j] = 10.0 * i + j;
    EXPECT_EQ(A.m[3][6], 36.0);
    EXPECT_NE(A.m[0], A.m[1]);
}

TEST(MatrixInit, NewAppliesTheInitialisationType)
{
    Owned I(mat_new(2, 3, MAT_IDENTITY));
    EXPECT_EQ(Contents(I), (Rows{{1, 0, 0}, {0, 1, 0}}));
    Owned T(mat_new(3, 2, MAT_IDENTITY));
    EXPECT_EQ(Contents(T), (Rows{{1, 0}, {0, 1}, {0, 0}}));
    Owned Z(mat_new(2, 2, MAT_ZERO));
    EXPECT_EQ(Contents(Z), (Rows{{0, 0}, {0, 0}}));
}

TEST(MatrixInit, OtherTypesLeaveTheContents)
{
    Owned A(Make({{5, 6}, {7, 8}}));
    for (int type : {MAT_NONE, 2, 17, -5}) {
        EXPECT_EQ(mat_settype(A, type), A.m);
        EXPECT_EQ(Contents(A), (Rows{{5, 6}, {7, 8}})) << "type " << type;
    }
}

TEST(MatrixRelease, NoneReturnsZeroAMatrixOne)
{
    EXPECT_EQ(mat_release(nullptr), 0);
    EXPECT_EQ(mat_release(mat_new(3, 3, MAT_ZERO)), 1);
    EXPECT_EQ(mat_release(mat_new(0, 0, MAT_ZERO)), 1);
}

TEST(MatrixRelease, ManyAllocationsReleaseCleanly)
{
    // Under the sanitizer build this catches any leak or stray write in alloc/release.
    for (int rows = 0; rows < 6; ++rows)
        for (int cols = 0; cols < 6; ++cols) {
            MAT A = mat_new(rows, cols, MAT_IDENTITY);
            ASSERT_NE(A, nullptr);
            MAT B = mat_clone(A);
            MAT C = mat_transpose(B);
            EXPECT_EQ(mat_rows(C), cols);
            EXPECT_EQ(mat_cols(C), rows);
            EXPECT_EQ(mat_release(A) + mat_release(B) + mat_release(C), 3);
        }
}

TEST(MatrixFail, MessagesGoToStandardError)
{
    const struct {
        int type;
        const char* text;
    } cases[] = {
        {1, "mat: malloc error\n"},
        {2, "mat: fileopen error\n"},
        {3, "fgetmat: matrix read error\n"},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStderr();
        mat_fail(c.type);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.text);
    }
}

TEST(MatrixFail, ImpossibleShapeYieldsNone)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(mat_alloc(-1, 3), nullptr);
    EXPECT_EQ(mat_new(2, -4, MAT_ZERO), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "mat: malloc error\nmat: malloc error\n");
}

TEST(MatrixArithmetic, ElementWiseOperationsLeaveOperands)
{
    Owned A(Make({{1, 2, 3}, {4, 5, 6}}));
    Owned B(Make({{0.5, -1, 2}, {3, 0, -6}}));
    Owned S(mat_sum(A, B));
    Owned D(mat_diff(A, B));
    Owned K(mat_scaled(A, -2.5));
    Owned C(mat_clone(A));
    Owned T(mat_transpose(A));
    EXPECT_EQ(Contents(S), (Rows{{1.5, 1, 5}, {7, 5, 0}}));
    EXPECT_EQ(Contents(D), (Rows{{0.5, 3, 1}, {1, 5, 12}}));
    EXPECT_EQ(Contents(K), (Rows{{-2.5, -5, -7.5}, {-10, -12.5, -15}}));
    EXPECT_EQ(Contents(C), Contents(A));
    EXPECT_NE(C.m, A.m);
    EXPECT_EQ(Contents(T), (Rows{{1, 4}, {2, 5}, {3, 6}}));
    EXPECT_EQ(Contents(A), (Rows{{1, 2, 3}, {4, 5, 6}}));
    EXPECT_EQ(Contents(B), (Rows{{0.5, -1, 2}, {3, 0, -6}}));
}

TEST(MatrixProduct, RowTimesColumnIsTheDotProduct)
{
    Owned a(Make({{1, -2, 3}}));
    Owned b(Make({{4}, {5}, {-6}}));
    Owned c(mat_product(a, b));
    ASSERT_EQ(mat_rows(c), 1);
    ASSERT_EQ(mat_cols(c), 1);
    EXPECT_EQ(c.m[0][0], 4.0 - 10.0 - 18.0);
    Owned outer(mat_product(b, a));
    EXPECT_EQ(Contents(outer), (Rows{{4, -8, 12}, {5, -10, 15}, {-6, 12, -18}}));
}

TEST(MatrixProduct, SumsInAscendingOrder)
{
    // (1e16 + 1) - 1e16 is 0 in doubles but 1 if summed the other way round.
    Owned a(Make({{1e16, 1, -1e16}}));
    Owned b(Make({{1}, {1}, {1}}));
    Owned c(mat_product(a, b));
    EXPECT_EQ(c.m[0][0], 0.0);
    Owned a2(Make({{1e16, -1e16, 1}}));
    Owned c2(mat_product(a2, b));
    EXPECT_EQ(c2.m[0][0], 1.0);
}

TEST(MatrixLu, PivotChoiceAndExchangeCount)
{
    const struct {
        Rows a;
        int exchanges;
        std::vector<double> perm;
    } cases[] = {
        {{{0, 1}, {1, 0}}, 1, {1, 0}},
        {{{2, 1}, {-2, 3}}, 0, {0, 1}},               // equal magnitudes: first row wins
        {{{1, 2}, {2, 4}}, -1, {1, 0}},               // singular after one exchange
        {{{0, 0}, {0, 0}}, -1, {0, 1}},               // all zero: no exchange, then singular
        {{{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, 1, {0, 2, 1}},
        {{{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}, 2, {2, 0, 1}},
    };
    for (const auto& c : cases) {
        Owned A(Make(c.a));
        Owned P(mat_new(static_cast<int32_t>(c.a.size()), 1, MAT_NONE));
        EXPECT_EQ(mat_ludecomp(A, P), c.exchanges) << ::testing::PrintToString(c.a);
        for (size_t k = 0; k < c.perm.size(); ++k) EXPECT_EQ(P.m[k][0], c.perm[k]) << k;
    }
}

TEST(MatrixLu, FactorsInPivotOrderWithoutMovingRows)
{
    Owned A(Make({{2, 1}, {4, 3}}));
    Owned P(mat_new(2, 1, MAT_NONE));
    ASSERT_EQ(mat_ludecomp(A, P), 1);
    // Pivot row is stored row 1: U = [[4, 3], [0, -0.5]], multiplier 0.5 in stored row 0.
    EXPECT_EQ(Contents(A), (Rows{{0.5, -0.5}, {4, 3}}));
    Owned B(Make({{3}, {7}}));
    Owned X(mat_new(2, 1, MAT_ZERO));
    EXPECT_EQ(mat_lusubst(A, B, X, P, 0), X.m);
    EXPECT_DOUBLE_EQ(X.m[0][0], 1.0);
    EXPECT_DOUBLE_EQ(X.m[1][0], 1.0);
}

TEST(MatrixDeterminant, Cases)
{
    const struct {
        Rows a;
        double det;
    } cases[] = {
        {{{0, 1}, {1, 0}}, -1.0},
        {{{1, 2}, {2, 4}}, 0.0},
        {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 1.0},
        {{{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, -1.0},
        {{{2, 1}, {-2, 3}}, 8.0},
        {{{3}}, 3.0},
        {{{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}, -3.0},
    };
    for (const auto& c : cases) {
        Owned A(Make(c.a));
        EXPECT_NEAR(mat_determinant(A), c.det, 1e-12) << ::testing::PrintToString(c.a);
        EXPECT_EQ(Contents(A), c.a);  // operand unchanged
    }
}

TEST(MatrixInverse, SingularGivesNone)
{
    Owned A(Make({{1, 2}, {2, 4}}));
    EXPECT_EQ(mat_inverse(A), nullptr);
    EXPECT_EQ(mat_determinant(A), 0.0);
}

TEST(MatrixInverse, SpdTimesItselfIsIdentity)
{
    // A covariance-like matrix of the size the log-linear updates use.
    const Rows spd = {{4.0, 1.2, -0.5, 0.3},
                      {1.2, 3.0, 0.4, -0.2},
                      {-0.5, 0.4, 2.5, 0.7},
                      {0.3, -0.2, 0.7, 1.8}};
    Owned A(Make(spd));
    Owned Ai(mat_inverse(A));
    ASSERT_NE(Ai.m, nullptr);
    EXPECT_EQ(Contents(A), spd);
    Owned left(mat_product(Ai, A));
    Owned right(mat_product(A, Ai));
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(left.m[i][j], i == j ? 1.0 : 0.0, 1e-13);
            EXPECT_NEAR(right.m[i][j], i == j ? 1.0 : 0.0, 1e-13);
        }
    // The inverse of a symmetric matrix is symmetric.
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j) EXPECT_NEAR(Ai.m[i][j], Ai.m[j][i], 1e-14);
}

TEST(MatrixInverse, NeedsPivotingToSucceed)
{
    Owned A(Make({{0, 2, 1}, {1, 0, 0}, {3, 1, 1}}));
    Owned Ai(mat_inverse(A));
    ASSERT_NE(Ai.m, nullptr);
    Owned I(mat_product(A, Ai));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(I.m[i][j], i == j ? 1.0 : 0.0, 1e-14);
}

TEST(LogGamma, KnownValues)
{
    EXPECT_NEAR(log_gamma(1.0f), 0.0, 1e-9);
    EXPECT_NEAR(log_gamma(2.0f), 0.0, 1e-9);
    EXPECT_NEAR(log_gamma(0.5f), 0.5 * std::log(std::numbers::pi), 1e-9);
    EXPECT_NEAR(log_gamma(10.0f), std::log(362880.0), 1e-9);
    EXPECT_NEAR(log_gamma(0.01f), std::lgamma(static_cast<double>(0.01f)), 1e-9);
    EXPECT_NEAR(log_gamma(150.0f), std::lgamma(150.0), 1e-9);
}

TEST(LogGamma, ArgumentIsNarrowedToSingle)
{
    const double d = 2.7182818284590452;
    EXPECT_EQ(log_gamma(static_cast<float>(d)), log_gamma(2.71828182f));
    EXPECT_NEAR(log_gamma(static_cast<float>(d)), std::lgamma(static_cast<double>(static_cast<float>(d))), 1e-10);
}

}  // namespace
