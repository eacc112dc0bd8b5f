// Packed indexes, transpose, product and the three dense solvers.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <cmath>
#include <vector>

#include "support/afx_testing.h"

namespace {

constexpr double kEps = 0x1p-52;

TEST(Linear, PackedIndexWalksTheUpperTriangleRowByRow) {
  // Counting the elements of the upper triangle of a 5×5 matrix row after
  // row gives their packed positions; both argument orders agree.
  const int n = 5;
  unsigned int expected = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) {
      EXPECT_EQ(IndexTr(i, j, n), expected) << i << "," << j;
      EXPECT_EQ(IndexTr(j, i, n), expected) << j << "," << i;
      ++expected;
    }
  }
  struct Row {
    int i, j, n;
    unsigned int index;
  } rows[] = {{0, 0, 7, 0},  {0, 6, 7, 6}, {1, 1, 7, 7},
              {6, 6, 7, 27}, {2, 1, 4, 5}, {1, 2, 4, 5}};
  for (const Row& r : rows) EXPECT_EQ(IndexTr(r.i, r.j, r.n), r.index);
}

TEST(Linear, ProfileIndexDoesNotSwapItsArguments) {
  int starts[5] = {0, 3, 7, 0, 10};
  EXPECT_EQ(IndexTrBand(2, 4, starts), 9u);
  EXPECT_EQ(IndexTrBand(4, 2, starts), 8u);
}

TEST(Linear, TransposeAndProduct) {
  double a[6] = {1, 2, 3, 4, 5, 6};  // 2×3
  double at[6] = {};
  Atransp(a, at, 2, 3);
  const double want_t[6] = {1, 4, 2, 5, 3, 6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(at[i], want_t[i]);

  double column[3] = {1, 0, -1};
  double prod[3] = {0, 0, 99};  // the third place must stay untouched
  AmultB(a, column, prod, 2, 3, 1);
  EXPECT_EQ(prod[0], -2);
  EXPECT_EQ(prod[1], -2);
  EXPECT_EQ(prod[2], 99);

  // Null arrays: nothing happens.
  Atransp(nullptr, at, 2, 3);
  Atransp(a, nullptr, 2, 3);
  AmultB(a, nullptr, prod, 2, 3, 1);
  AmultB(a, column, nullptr, 2, 3, 1);
  EXPECT_EQ(at[1], 4);
  EXPECT_EQ(prod[0], -2);
}

TEST(Linear, CholeskySolvesSymmetricAndIndefiniteSystems) {
  // [[4, 2, 2], [2, 5, 3], [2, 3, 6]]·(1, -1, 2) = (6, 3, 11).
  double a[9] = {4, 2, 2, 2, 5, 3, 2, 3, 6};
  double b[3] = {6, 3, 11};
  double x[3] = {};
  ASSERT_EQ(Holetsky(3, a, b, x), 1);
  EXPECT_NEAR(x[0], 1, 1e-15);
  EXPECT_NEAR(x[1], -1, 1e-15);
  EXPECT_NEAR(x[2], 2, 1e-15);
  EXPECT_EQ(b[2], 11);  // b is not changed

  // Indefinite (d = 1, -3): solved. (1, 1) solves [[1, 2], [2, 1]]·x = (3, 3).
  double ind[4] = {1, 2, 2, 1};
  double b2[2] = {3, 3};
  double x2[2] = {};
  ASSERT_EQ(Holetsky(2, ind, b2, x2), 1);
  EXPECT_DOUBLE_EQ(x2[0], 1);
  EXPECT_DOUBLE_EQ(x2[1], 1);

  // Only the diagonal and below are read.
  double junk[9] = {4, 1e9, -7, 2, 5, 1e-300, 2, 3, 6};
  double xj[3] = {};
  ASSERT_EQ(Holetsky(3, junk, b, xj), 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(xj[i], x[i]);
}

TEST(Linear, CholeskyRefusals) {
  double one[1] = {5};
  double b1[1] = {10};
  double x1[1] = {-1};
  EXPECT_EQ(Holetsky(1, one, b1, x1), 0);  // a 1×1 system is refused
  EXPECT_EQ(x1[0], -1);

  double singular[4] = {1, 1, 1, 1};
  double b[2] = {1, 2};
  double x[2] = {7, 7};
  EXPECT_EQ(Holetsky(2, singular, b, x), 0);
  EXPECT_EQ(x[0], 7);  // untouched
  EXPECT_EQ(Holetsky(2, nullptr, b, x), 0);
  EXPECT_EQ(Holetsky(2, singular, nullptr, x), 0);
  EXPECT_EQ(Holetsky(2, singular, b, nullptr), 0);
  EXPECT_EQ(Holetsky(0, singular, b, x), 0);
  EXPECT_EQ(Holetsky(-3, singular, b, x), 0);

  // The zero threshold: a diagonal value of exactly 2^-52 passes.
  double at_eps[4] = {kEps, 0, 0, 1};
  double bb[2] = {1, 3};
  EXPECT_EQ(Holetsky(2, at_eps, bb, x), 1);
  EXPECT_EQ(x[0], 0x1p52);
  EXPECT_EQ(x[1], 3);
  double below[4] = {0x1p-53, 0, 0, 1};
  EXPECT_EQ(Holetsky(2, below, bb, x), 0);
}

// A work array too large to have is the framework's memory exception, as
// from the framework's own containers, not a bare std::bad_alloc.
TEST(Linear, WorkArrayThatCannotBeHadThrowsCMemoryException) {
  double one = 1, x = 0;
  EXPECT_AFX_THROW(Holetsky(2147483647, &one, &one, &x), CMemoryException);
  EXPECT_EQ(x, 0);
}

TEST(Linear, GaussSolvesWithItsFixedRowOrder) {
  double a1[1] = {4};
  double b1[1] = {2};
  double x1[1] = {};
  ASSERT_EQ(Gauss(1, a1, b1, x1), 1);
  EXPECT_EQ(x1[0], 0.5);

  double swap[4] = {0, 1, 1, 0};
  double b[2] = {3, 5};
  double x[2] = {};
  ASSERT_EQ(Gauss(2, swap, b, x), 1);
  EXPECT_EQ(x[0], 5);
  EXPECT_EQ(x[1], 3);

  // Non-singular, but the order is fixed before elimination (ties keep the
  // earlier row), and elimination then meets a zero pivot in column 1.
  double tie[9] = {1, 1, 0, 1, 1, 1, 0, 1, 1};
  double bt[3] = {1, 2, 3};
  double xt[3] = {-1, -1, -1};
  EXPECT_EQ(Gauss(3, tie, bt, xt), 0);
  EXPECT_EQ(xt[0], -1);  // not written: the failure came in elimination

  // The 4×4 permutation (0, 1, 3, 2) solves; a and b are overwritten.
  double perm[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0};
  double bp[4] = {1, 2, 3, 4};
  double xp[4] = {};
  ASSERT_EQ(Gauss(4, perm, bp, xp), 1);
  const double want[4] = {1, 2, 4, 3};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(xp[i], want[i]);

  double a[4] = {2, 1, 4, 3};
  double bb[2] = {1, 1};
  ASSERT_EQ(Gauss(2, a, bb, x), 1);  // row 1 pivots: 4 > 2
  EXPECT_DOUBLE_EQ(x[0], 1);
  EXPECT_DOUBLE_EQ(x[1], -1);
  EXPECT_EQ(a[1], 1 - 3 * 0.5);  // row 0 was eliminated in place
}

TEST(Linear, GaussZeroPivotThresholdAndDegenerateOrders) {
  double a[4] = {kEps, 0, 0, kEps};
  double b[2] = {1, 1};
  double x[2] = {};
  EXPECT_EQ(Gauss(2, a, b, x), 1);
  EXPECT_EQ(x[0], 0x1p52);

  // A last pivot below 2^-52 is found in back substitution, before any x.
  double small[4] = {1, 0, 0, 0x1p-53};
  double bs[2] = {1, 1};
  double xs[2] = {9, 9};
  EXPECT_EQ(Gauss(2, small, bs, xs), 0);
  EXPECT_EQ(xs[1], 9);
  EXPECT_EQ(xs[0], 9);

  // A last pivot that elimination reduces to zero: no x is written.
  double last[9] = {2, 0, 0, 0, 1, 1, 0, 1, 1};
  double bl[3] = {1, 1, 1};
  double xl[3] = {9, 9, 9};
  EXPECT_EQ(Gauss(3, last, bl, xl), 0);
  for (double v : xl) EXPECT_EQ(v, 9);

  EXPECT_EQ(Gauss(0, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(Gauss(-1, a, b, x), 0);
  EXPECT_EQ(Gauss(2, nullptr, b, x), 0);
}

TEST(Linear, Gauss2BringsAFreeDiagonalOntoTheMainOne) {
  double a[4] = {0, 2, 3, 0};
  double b[2] = {4, 9};
  double x[2] = {};
  ASSERT_EQ(Gauss2(2, a, b, x), 1);
  EXPECT_EQ(x[0], 3);
  EXPECT_EQ(x[1], 2);
  const double a_before[4] = {0, 2, 3, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i], a_before[i]);
  EXPECT_EQ(b[0], 4);
  EXPECT_EQ(b[1], 9);

  // Every 3×3 permutation matrix is one of the six candidates: all solve.
  const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2},
                           {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  for (const auto& p : perms) {
    double m[9] = {};
    for (int r = 0; r < 3; ++r) m[r * 3 + p[r]] = 2;
    double rhs[3] = {2, 4, 6};
    double sol[3] = {};
    ASSERT_EQ(Gauss2(3, m, rhs, sol), 1);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(sol[p[r]], r + 1.0);
  }
}

TEST(Linear, Gauss2TakesTheFirstFreeCandidateInItsOrder) {
  // 0/1 matrices on which the fixed row order of the elimination ties, so
  // that the chosen diagonal decides success; all three are non-singular.
  struct Row {
    double a[9];
    int result;
    const char* why;
  } rows[] = {
      // Main diagonal blocked; cyclic s = 1 solves (cyclic s = 2 and the
      // anti-diagonal s = 2 would fail).
      {{0, 1, 1, 1, 1, 1, 1, 1, 0}, 1, "cyclic s=1 before s=2"},
      // Main diagonal blocked; cyclic s = 1 is free and fails, although the
      // anti-diagonal s = 1 would solve: cyclic diagonals come first.
      {{1, 1, 0, 1, 0, 1, 1, 1, 1}, 0, "cyclic before anti"},
      // The main diagonal is free and used as it is, and fails (cyclic
      // s = 1 would solve).
      {{1, 1, 0, 1, 1, 1, 1, 0, 1}, 0, "main diagonal first"},
  };
  for (Row& r : rows) {
    double b[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) b[i] += r.a[i * 3 + j] * (j + 1);
    }
    double x[3] = {};
    ASSERT_EQ(Gauss2(3, r.a, b, x), r.result) << r.why;
    if (r.result == 1) {
      for (int i = 0; i < 3; ++i) EXPECT_EQ(x[i], i + 1.0);
    }
  }
}

TEST(Linear, Gauss2RefusesWhatItsCandidatesMiss) {
  // Non-singular, but no cyclic diagonal or anti-diagonal is free of zeros.
  double perm[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0};
  double b[4] = {1, 2, 3, 4};
  double x[4] = {-1, -1, -1, -1};
  EXPECT_EQ(Gauss2(4, perm, b, x), 0);
  EXPECT_EQ(x[0], -1);  // refused before any elimination

  double a[4] = {1, 2, 3, 4};
  EXPECT_EQ(Gauss2(1, a, b, x), 0);
  EXPECT_EQ(Gauss2(2, nullptr, b, x), 0);
  EXPECT_EQ(Gauss2(2, a, nullptr, x), 0);
  EXPECT_EQ(Gauss2(2, a, b, nullptr), 0);
  double zero[4] = {0, 0, 0, 0};
  EXPECT_EQ(Gauss2(2, zero, b, x), 0);
}

TEST(Linear, Gauss2RoundsExactlyAsGaussDoes) {
  // With a free main diagonal Gauss2 solves the very system Gauss does; its
  // elimination of the copies must give the same bits, for every order.
  for (int n : {2, 3, 4, 5, 7, 8, 9, 12, 33}) {
    std::vector<double> a(n * n), b(n), x2(n), x1(n);
    unsigned seed = 7u + n;
    for (double& v : a) {
      seed = seed * 1103515245u + 12345u;
      v = static_cast<double>((seed >> 8) % 20001) / 7919.0 - 1.25;
    }
    for (int i = 0; i < n; ++i) {
      a[i * n + i] += 0.5;  // keep the main diagonal free of zeros
      b[i] = i - 0.3 * n;
    }
    std::vector<double> a1 = a, b1 = b;
    const int r1 = Gauss(n, a1.data(), b1.data(), x1.data());
    ASSERT_EQ(Gauss2(n, a.data(), b.data(), x2.data()), r1) << n;
    for (int i = 0; i < n; ++i) EXPECT_EQ(x2[i], x1[i]) << n << " " << i;

    // Two equal rows: both refuse.
    for (int j = 0; j < n; ++j) a[(n - 1) * n + j] = a[j];
    a1 = a;
    b1 = b;
    EXPECT_EQ(Gauss(n, a1.data(), b1.data(), x1.data()), 0) << n;
    EXPECT_EQ(Gauss2(n, a.data(), b.data(), x2.data()), 0) << n;
  }
}

TEST(Linear, Gauss2SolvesLargerSystemsAgainstAKnownSolution) {
  // A diagonally dominant 40×40 system with solution x_i = i - 20.
  const int n = 40;
  std::vector<double> a(n * n), b(n, 0.0), x(n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      a[i * n + j] = i == j ? 100.0 : 1.0 / (1 + i + j);
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) b[i] += a[i * n + j] * (j - 20.0);
  }
  ASSERT_EQ(Gauss2(n, a.data(), b.data(), x.data()), 1);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], i - 20.0, 1e-12);
}

}  // namespace
