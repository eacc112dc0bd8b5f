// Packed indexes, transpose, product and the three dense solvers.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "support/afx_testing.h"

namespace {

using namespace matrix::testing;

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

// Arguments outside the matrix give the formula modulo 2^32 and are never
// undefined: IndexTr(INT_MIN, INT_MIN, INT_MAX) must not overflow a signed
// 64-bit product. The expected values are the exact integer formula,
// worked out in 128 bits.
TEST(Linear, PackedIndexIsDefinedForEveryArgument) {
  __extension__ typedef __int128 Wide;
  const int lo = std::numeric_limits<int>::min();
  const int hi = std::numeric_limits<int>::max();
  const int rows[][3] = {
      {lo, lo, hi}, {hi, hi, lo}, {lo, hi, lo},          {hi, hi, hi},
      {-1, 5, 3},   {0, 0, lo},   {70000, 70000, 70000}, {hi - 1, hi - 1, hi},
      {lo, 0, 0},   {3, 2, -4},
  };
  for (const auto& r : rows) {
    const Wide a = std::min(r[0], r[1]);
    const Wide b = std::max(r[0], r[1]);
    const Wide exact = a * (2 * Wide{r[2]} - 1 - a) / 2 + b;
    const Wide mod = Wide{1} << 32;
    const auto want = static_cast<unsigned int>(((exact % mod) + mod) % mod);
    EXPECT_EQ(IndexTr(r[0], r[1], r[2]), want)
        << r[0] << "," << r[1] << "," << r[2];
    EXPECT_EQ(IndexTr(r[1], r[0], r[2]), want);
  }
  // n(n+1)/2 - 1 for the last diagonal element of the largest order.
  EXPECT_EQ(IndexTr(hi - 1, hi - 1, hi),
            static_cast<unsigned int>(
                (static_cast<unsigned long long>(hi) * (hi + 1ULL) / 2 - 1) &
                0xFFFFFFFFu));
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

// ---- Large orders against the algorithms as written -----------------------
//
// The oracles below follow the solvers' definitions step by step, in their
// own storage (U packed by rows, the row order p as an index array), with
// no regard for speed. The library's results must be the same bits.

int PlainHoletsky(int n, const double* a, const double* b, double* x) {
  if (n < 2) return 0;
  std::vector<double> u(static_cast<std::size_t>(n) * (n - 1) / 2, 0.0);
  std::vector<double> d(n, 0.0), z(n, 0.0);
  auto U = [&](int j, int k) -> double& {
    return u[static_cast<std::size_t>(j) * n - j * (j + 3) / 2 + k - 1];
  };
  for (int j = 0; j < n; ++j) {
    double sum = 0.0;
    for (int l = 0; l < j; ++l) sum += U(l, j) * d[l] * U(l, j);
    d[j] = a[static_cast<std::size_t>(j) * n + j] - sum;
    if (std::fabs(d[j]) < kEps) return 0;
    for (int k = j + 1; k < n; ++k) {
      double s = 0.0;
      for (int l = 0; l < j; ++l) s += U(l, k) * d[l] * U(l, j);
      U(j, k) = (a[static_cast<std::size_t>(k) * n + j] - s) / d[j];
    }
  }
  for (int j = 0; j < n; ++j) {
    double sum = 0.0;
    for (int l = 0; l < j; ++l) sum += U(l, j) * z[l];
    z[j] = b[j] - sum;
  }
  for (int i = 0; i < n; ++i) x[i] = 0.0;
  for (int i = n - 1; i >= 0; --i) {
    double sum = 0.0;
    for (int j = i + 1; j < n; ++j) sum += U(i, j) * x[j];
    x[i] = z[i] / d[i] - sum;
  }
  return 1;
}

int PlainGauss(int n, double* a, double* b, double* x) {
  auto A = [&](int row, int col) -> double& {
    return a[static_cast<std::size_t>(row) * n + col];
  };
  std::vector<int> p(n);
  for (int i = 0; i < n; ++i) p[i] = i;
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (std::fabs(A(p[j], i)) > std::fabs(A(p[i], i))) std::swap(p[i], p[j]);
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (std::fabs(A(p[i], i)) < kEps) return 0;
      const double f = A(p[j], i) / A(p[i], i);
      for (int k = i; k < n; ++k) A(p[j], k) -= A(p[i], k) * f;
      b[p[j]] -= b[p[i]] * f;
    }
  }
  for (int i = n - 1; i >= 0; --i) {
    if (std::fabs(A(p[i], i)) < kEps) return 0;
    double s = 0.0;
    for (int j = i + 1; j < n; ++j) s += A(p[i], j) * x[j];
    x[i] = (b[p[i]] - s) / A(p[i], i);
  }
  return 1;
}

int PlainGauss2(int n, const double* a, const double* b, double* x) {
  if (n < 2) return 0;
  std::vector<double> ac(a, a + static_cast<std::size_t>(n) * n);
  std::vector<double> bc(b, b + n);
  auto free_of_zeros = [&](auto column_of_row) {
    for (int r = 0; r < n; ++r) {
      if (std::fabs(ac[static_cast<std::size_t>(r) * n + column_of_row(r)]) <
          kEps)
        return false;
    }
    return true;
  };
  int target_shift = -1;
  bool anti = false;
  for (int s = 0; s < n && target_shift < 0; ++s) {
    if (free_of_zeros([&](int r) { return (r + s) % n; })) target_shift = s;
  }
  for (int s = n - 1; s >= 0 && target_shift < 0; --s) {
    if (free_of_zeros([&](int r) { return ((s - r) % n + n) % n; })) {
      target_shift = s;
      anti = true;
    }
  }
  if (target_shift < 0) return 0;
  std::vector<double> ar(ac.size()), br(n);
  for (int r = 0; r < n; ++r) {
    const int t =
        anti ? ((target_shift - r) % n + n) % n : (r + target_shift) % n;
    for (int j = 0; j < n; ++j) {
      ar[static_cast<std::size_t>(t) * n + j] =
          ac[static_cast<std::size_t>(r) * n + j];
    }
    br[t] = bc[r];
  }
  return PlainGauss(n, ar.data(), br.data(), x);
}

// Entries spread over several binades, so that every rounding matters.
struct Random {
  std::mt19937_64 engine;
  double operator()() {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> binade(-6, 6);
    return std::ldexp(unit(engine), binade(engine));
  }
};

// Symmetric, M·M' + shift·I from a random M (shift < 0 gives indefinite
// matrices whose leading minors do not vanish in practice).
std::vector<double> RandomSymmetric(int n, double shift, Random& random) {
  std::vector<double> m(static_cast<std::size_t>(n) * n), a(m.size(), 0.0);
  for (double& v : m) v = random();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j <= i; ++j) {
      double s = 0.0;
      for (int k = 0; k < n; ++k) s += m[i * n + k] * m[j * n + k];
      a[i * n + j] = a[j * n + i] = s + (i == j ? shift : 0.0);
    }
  }
  return a;
}

void ExpectSameBits(const std::vector<double>& got,
                    const std::vector<double>& want, const char* what, int n) {
  for (std::size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(Bits(got[i]), Bits(want[i]))
        << what << " n=" << n << " i=" << i << std::hexfloat << " got "
        << got[i] << " want " << want[i];
  }
}

const int kLargeOrders[] = {65, 100, 129, 200, 257};

std::vector<int> Orders() {
  std::vector<int> orders;
  for (int n = 1; n <= 64; ++n) orders.push_back(n);
  orders.insert(orders.end(), std::begin(kLargeOrders), std::end(kLargeOrders));
  return orders;
}

TEST(Linear, HoletskyMatchesThePlainAlgorithmBitForBit) {
  Random random{std::mt19937_64(16)};
  for (int n : Orders()) {
    for (double shift : {static_cast<double>(n), -0.5 * n}) {
      const std::vector<double> a = RandomSymmetric(n, shift, random);
      std::vector<double> b(n);
      for (double& v : b) v = random();
      std::vector<double> got(n, 1.5), want(n, 1.5);
      const int r = PlainHoletsky(n, a.data(), b.data(), want.data());
      ASSERT_EQ(
          Holetsky(n, const_cast<double*>(a.data()), b.data(), got.data()), r)
          << n;
      ExpectSameBits(got, want, "Holetsky", n);
    }
  }
}

TEST(Linear, GaussTwoMatchesThePlainAlgorithmBitForBit) {
  Random random{std::mt19937_64(61)};
  for (int n : Orders()) {
    std::vector<double> a(static_cast<std::size_t>(n) * n), b(n);
    for (double& v : a) v = random();
    for (double& v : b) v = random();
    // Dense random systems, then the same with a zero on the main diagonal
    // (another cyclic diagonal is taken).
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) a[static_cast<std::size_t>(n / 2) * n + n / 2] = 0.0;
      std::vector<double> got(n, 1.5), want(n, 1.5);
      const int r = PlainGauss2(n, a.data(), b.data(), want.data());
      const std::vector<double> a_before = a, b_before = b;
      ASSERT_EQ(Gauss2(n, a.data(), b.data(), got.data()), r) << n;
      ExpectSameBits(got, want, "Gauss2", n);
      ExpectSameBits(a, a_before, "Gauss2 a", n);
      ExpectSameBits(b, b_before, "Gauss2 b", n);
    }
  }
}

TEST(Linear, LargeSystemsTakeAnAntiDiagonalAsThePlainAlgorithmDoes) {
  // Zeros at (s, 2s mod n) block every cyclic diagonal; with n a multiple
  // of 3 the main anti-diagonal misses them all.
  Random random{std::mt19937_64(3)};
  for (int n : {48, 99, 120}) {
    std::vector<double> a(static_cast<std::size_t>(n) * n), b(n);
    for (double& v : a) v = random();
    for (double& v : b) v = random();
    for (int s = 0; s < n; ++s)
      a[static_cast<std::size_t>(s) * n + 2 * s % n] = 0;
    std::vector<double> got(n, 1.5), want(n, 1.5);
    ASSERT_EQ(PlainGauss2(n, a.data(), b.data(), want.data()), 1) << n;
    ASSERT_EQ(Gauss2(n, a.data(), b.data(), got.data()), 1) << n;
    ExpectSameBits(got, want, "Gauss2", n);
  }
}

TEST(Linear, LargeSystemsRefuseAZeroPivotInAnyPanelAndLeaveXAlone) {
  // A random block, then rows [[1, 1], [1, 1]] at `at` (their d or pivot is
  // exactly zero), then another random block, all decoupled.
  Random random{std::mt19937_64(5)};
  const int n = 150;
  for (int at : {0, 63, 64, 100, n - 2}) {
    std::vector<double> a(static_cast<std::size_t>(n) * n, 0.0), b(n, 1.0);
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j <= i; ++j) {
        const bool in_pair =
            (i == at || i == at + 1) || (j == at || j == at + 1);
        const bool pair = (i == at || i == at + 1) && (j == at || j == at + 1);
        const bool same_side = (i < at) == (j < at);
        const double v = pair                    ? 1.0
                         : in_pair || !same_side ? 0.0
                         : i == j                ? n + random()
                                                 : random();
        a[i * n + j] = a[j * n + i] = v;
      }
    }
    std::vector<double> x(n, 7.0), want(n, 7.0);
    EXPECT_EQ(PlainHoletsky(n, a.data(), b.data(), want.data()), 0) << at;
    EXPECT_EQ(Holetsky(n, a.data(), b.data(), x.data()), 0) << at;
    ExpectSameBits(x, want, "Holetsky x", n);
    EXPECT_EQ(PlainGauss2(n, a.data(), b.data(), want.data()), 0) << at;
    EXPECT_EQ(Gauss2(n, a.data(), b.data(), x.data()), 0) << at;
    ExpectSameBits(x, want, "Gauss2 x", n);
  }
}

}  // namespace
