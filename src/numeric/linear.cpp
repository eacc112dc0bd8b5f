// Dense linear systems on flat row-major arrays: packed and profile indexes,
// transpose, product, the square-root-free Cholesky solver and the two
// Gaussian eliminations.
#include <matrix/numeric.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "common/constants.h"
#include "numeric/linear_blocked.h"
#include "numeric/work_array.h"

namespace {

using matrix::detail::WorkArray;

// A pivot or diagonal value counts as zero below the machine epsilon of a
// double, 2^-52, taken as an absolute threshold: the systems solved here are
// small and of engineering scale, and callers rely on exactly this cut-off.
constexpr double kZeroPivot = matrix::detail::kEpsilon;

// Systems up to this many doubles of work storage stay on the stack: the
// 3×3 systems of the line-intersection routine never touch the heap.
constexpr std::size_t kStackDoubles = 64;
constexpr std::size_t kStackInts = 16;

// Gauss2 eliminates its copies row block by row block from this order on.
constexpr std::size_t kRowBlockMinOrder = 8;

// From this order on Holetsky and Gauss2 take the panel-by-panel paths
// (same results, less memory traffic); below it the plain loops are faster.
constexpr std::size_t kBlockedMinOrder = 32;

bool IsZero(double v) { return std::fabs(v) < kZeroPivot; }

// dst[k] -= src[k]·f for k < len: the multiply, then the subtraction, for
// each element on its own (the loop may be vectorised; the roundings stay
// those of the scalar loop).
void SubtractScaledRow(double* __restrict dst, const double* __restrict src,
                       double f, std::size_t len) {
  for (std::size_t k = 0; k < len; ++k) dst[k] -= src[k] * f;
}

// Four rows at once: dst_r[k] -= src[k]·f_r, each element with the same
// multiply and subtraction as SubtractScaledRow.
void SubtractScaledRow4(double* __restrict d0, double* __restrict d1,
                        double* __restrict d2, double* __restrict d3,
                        const double* __restrict src, const double f[4],
                        std::size_t len) {
  const double f0 = f[0], f1 = f[1], f2 = f[2], f3 = f[3];
  for (std::size_t k = 0; k < len; ++k) {
    const double v = src[k];
    d0[k] -= v * f0;
    d1[k] -= v * f1;
    d2[k] -= v * f2;
    d3[k] -= v * f3;
  }
}

// The elimination of GaussSolve reordered by rows, for work copies only:
// every element receives the same operations in the same order (row j is
// reduced by the pivot rows 0..j-1 in increasing order, each pivot row
// complete before it is used), and the same pivots are refused. Only the
// intermediate state of a and b at a refusal differs, which is why Gauss,
// whose arrays are the caller's, keeps the step-by-step order. Rows are
// taken four at a time so that each pivot row is read once per four rows.
int EliminateByRows(std::size_t n, double* a, double* b, const int* p) {
  auto row_of = [&](std::size_t pos) {
    return a + static_cast<std::size_t>(p[pos]) * n;
  };
  auto reduce = [&](std::size_t r, std::size_t i) {
    const double* pivot_row = row_of(i);
    double* row = row_of(r);
    const double f = row[i] / pivot_row[i];
    SubtractScaledRow(row + i, pivot_row + i, f, n - i);
    b[p[r]] -= b[p[i]] * f;
  };
  for (std::size_t j0 = 0; j0 < n; j0 += 4) {
    const std::size_t j1 = std::min(j0 + 4, n);
    for (std::size_t i = 0; i < j0; ++i) {
      if (j1 - j0 == 4) {
        const double* pivot_row = row_of(i);
        double* r[4];
        double f[4];
        for (std::size_t q = 0; q < 4; ++q) {
          r[q] = row_of(j0 + q);
          f[q] = r[q][i] / pivot_row[i];
        }
        SubtractScaledRow4(r[0] + i, r[1] + i, r[2] + i, r[3] + i,
                           pivot_row + i, f, n - i);
        for (std::size_t q = 0; q < 4; ++q) {
          b[p[j0 + q]] -= b[p[i]] * f[q];
        }
      } else {
        for (std::size_t r = j0; r < j1; ++r) reduce(r, i);
      }
    }
    for (std::size_t i = j0; i < j1; ++i) {
      if (i + 1 < n && IsZero(row_of(i)[i])) return 0;
      for (std::size_t r = i + 1; r < j1; ++r) reduce(r, i);
    }
  }
  return 1;
}

// The elimination shared by Gauss and Gauss2. `p` is work storage for n row
// numbers; `by_rows` picks EliminateByRows (work copies only).
template <std::size_t kOrder>
int GaussSolveFixed(std::size_t order, double* a, double* b, double* x, int* p,
                    bool by_rows) {
  const std::size_t n = kOrder > 0 ? kOrder : order;
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<int>(i);

  // The row order is fixed once, on the coefficients as given: position i
  // takes the first remaining row with the largest magnitude in column i.
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (std::fabs(a[static_cast<std::size_t>(p[j]) * n + i]) >
          std::fabs(a[static_cast<std::size_t>(p[i]) * n + i])) {
        std::swap(p[i], p[j]);
      }
    }
  }

  // Elimination in place; rows keep their storage positions.
  if (by_rows) {
    if (EliminateByRows(n, a, b, p) == 0) return 0;
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      double* pivot_row = a + static_cast<std::size_t>(p[i]) * n;
      for (std::size_t j = i + 1; j < n; ++j) {
        if (IsZero(pivot_row[i])) return 0;
        double* row = a + static_cast<std::size_t>(p[j]) * n;
        const double f = row[i] / pivot_row[i];
        SubtractScaledRow(row + i, pivot_row + i, f, n - i);
        b[p[j]] -= b[p[i]] * f;
      }
    }
  }

  // Back substitution.
  for (std::size_t i = n; i-- > 0;) {
    const double* row = a + static_cast<std::size_t>(p[i]) * n;
    if (IsZero(row[i])) return 0;
    double s = 0.0;
    for (std::size_t j = i + 1; j < n; ++j) s += row[j] * x[j];
    x[i] = (b[p[i]] - s) / row[i];
  }
  return 1;
}

// GaussSolveFixed with the small orders unrolled (the same arithmetic).
int GaussSolve(std::size_t n, double* a, double* b, double* x, int* p,
               bool by_rows) {
  switch (n) {
    case 2:
      return GaussSolveFixed<2>(2, a, b, x, p, by_rows);
    case 3:
      return GaussSolveFixed<3>(3, a, b, x, p, by_rows);
    case 4:
      return GaussSolveFixed<4>(4, a, b, x, p, by_rows);
    default:
      return GaussSolveFixed<0>(n, a, b, x, p, by_rows);
  }
}

// The square-root-free Cholesky solve of Holetsky; kOrder > 0 fixes the
// order at compile time (the arithmetic is the same), 0 takes `order`.
template <std::size_t kOrder>
int CholeskySolve(std::size_t order, const double* a, const double* b,
                  double* x) {
  const std::size_t nn = kOrder > 0 ? kOrder : order;
  const std::size_t packed = nn * (nn - 1) / 2;

  // U's strictly upper part packed by rows, then D, then the forward vector.
  WorkArray<double, kStackDoubles> work(packed + 2 * nn);
  double* u = work.data();
  double* d = u + packed;
  double* z = d + nn;
  std::fill(u, u + packed + 2 * nn, 0.0);
  auto at = [&](std::size_t j, std::size_t k) -> double& {
    return u[j * nn - j * (j + 3) / 2 + k - 1];  // element (j, k), k > j
  };

  for (std::size_t j = 0; j < nn; ++j) {
    double sum = 0.0;
    for (std::size_t l = 0; l < j; ++l) sum += at(l, j) * d[l] * at(l, j);
    const double dj = a[j * nn + j] - sum;
    if (IsZero(dj)) return 0;
    d[j] = dj;
    for (std::size_t k = j + 1; k < nn; ++k) {
      double s = 0.0;
      for (std::size_t l = 0; l < j; ++l) s += at(l, k) * d[l] * at(l, j);
      at(j, k) = (a[k * nn + j] - s) / dj;  // only the lower triangle is read
    }
  }

  for (std::size_t j = 0; j < nn; ++j) {
    double sum = 0.0;
    for (std::size_t l = 0; l < j; ++l) sum += at(l, j) * z[l];
    z[j] = b[j] - sum;
  }

  std::fill(x, x + nn, 0.0);
  for (std::size_t i = nn; i-- > 0;) {
    double sum = 0.0;
    for (std::size_t j = i + 1; j < nn; ++j) sum += at(i, j) * x[j];
    x[i] = z[i] / d[i] - sum;
  }
  return 1;
}

// Which generalised diagonal Gauss2 brings onto the main diagonal: old row r
// goes to row (r + shift) mod n (cyclic) or (shift - r) mod n (anti).
struct Diagonal {
  bool found = false;
  bool anti = false;
  std::size_t shift = 0;
};

std::size_t Target(const Diagonal& d, std::size_t r, std::size_t n) {
  // Both sums lie below 2n: one subtraction replaces the remainder.
  const std::size_t t = d.anti ? d.shift + n - r : r + d.shift;
  return t >= n ? t - n : t;
}

// True when every entry that diagonal d brings onto the main one is free
// of zero.
bool IsFree(const double* a, std::size_t n, const Diagonal& d) {
  for (std::size_t r = 0; r < n; ++r) {
    if (IsZero(a[r * n + Target(d, r, n)])) return false;
  }
  return true;
}

Diagonal FindDiagonal(const double* a, std::size_t n) {
  Diagonal d;
  for (std::size_t s = 0; s < n; ++s) {
    d.shift = s;
    if (IsFree(a, n, d)) {
      d.found = true;
      return d;
    }
  }
  d.anti = true;
  for (std::size_t s = n; s-- > 0;) {
    d.shift = s;
    if (IsFree(a, n, d)) {
      d.found = true;
      return d;
    }
  }
  return Diagonal{};
}

}  // namespace

unsigned int IndexTr(int i, int j, int n) {
  // Unsigned 64-bit arithmetic wraps where signed arithmetic would be
  // undefined, and yields the same low 32 bits wherever the signed formula
  // is defined: lo·(2n − 1 − lo) is even, so shifting its residue modulo
  // 2^64 right by one gives the exact half modulo 2^63, of which the result
  // keeps the low 32 bits.
  const std::uint64_t lo =
      static_cast<std::uint64_t>(static_cast<std::int64_t>(std::min(i, j)));
  const std::uint64_t hi =
      static_cast<std::uint64_t>(static_cast<std::int64_t>(std::max(i, j)));
  const std::uint64_t order =
      static_cast<std::uint64_t>(static_cast<std::int64_t>(n));
  const std::uint64_t product = lo * (2 * order - 1 - lo);
  return static_cast<unsigned int>((product >> 1) + hi);
}

unsigned int IndexTrBand(int i, int j, int* rowStart) {
  const long long index =
      static_cast<long long>(rowStart[i]) + static_cast<long long>(j) - i;
  return static_cast<unsigned int>(index);
}

void Atransp(double* a, double* at, int rows, int cols) {
  if (a == nullptr || at == nullptr) return;
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      at[static_cast<std::size_t>(j) * static_cast<std::size_t>(rows) +
         static_cast<std::size_t>(i)] =
          a[static_cast<std::size_t>(i) * static_cast<std::size_t>(cols) +
            static_cast<std::size_t>(j)];
    }
  }
}

void AmultB(double* a, double* b, double* prod, int m, int k, int n) {
  if (a == nullptr || b == nullptr || prod == nullptr) return;
  const std::size_t kk = k > 0 ? static_cast<std::size_t>(k) : 0;
  const std::size_t nn = n > 0 ? static_cast<std::size_t>(n) : 0;
  for (int ii = 0; ii < m; ++ii) {
    const std::size_t i = static_cast<std::size_t>(ii);
    for (std::size_t j = 0; j < nn; ++j) {
      double sum = 0.0;
      for (std::size_t l = 0; l < kk; ++l) sum += a[i * kk + l] * b[l * nn + j];
      prod[i * nn + j] = sum;
    }
  }
}

int Holetsky(int n, double* a, double* b, double* x) {
  if (a == nullptr || b == nullptr || x == nullptr) return 0;
  if (n < 2) return 0;  // a 1×1 system is refused
  // The small orders met in practice get their own unrolled copies of the
  // same arithmetic.
  switch (n) {
    case 2:
      return CholeskySolve<2>(2, a, b, x);
    case 3:
      return CholeskySolve<3>(3, a, b, x);
    case 4:
      return CholeskySolve<4>(4, a, b, x);
    default:
      if (static_cast<std::size_t>(n) >= kBlockedMinOrder) {
        return matrix::detail::CholeskyBlocked(static_cast<std::size_t>(n), a,
                                               b, x);
      }
      return CholeskySolve<0>(static_cast<std::size_t>(n), a, b, x);
  }
}

int Gauss(int n, double* a, double* b, double* x) {
  if (n == 0) return 1;  // nothing to solve, nothing touched
  if (n < 0) return 0;
  if (a == nullptr || b == nullptr || x == nullptr) return 0;
  const std::size_t nn = static_cast<std::size_t>(n);
  WorkArray<int, kStackInts> order(nn);
  return GaussSolve(nn, a, b, x, order.data(), false);
}

int Gauss2(int n, double* a, double* b, double* x) {
  if (a == nullptr || b == nullptr || x == nullptr) return 0;
  if (n < 2) return 0;
  const std::size_t nn = static_cast<std::size_t>(n);

  const Diagonal diagonal = FindDiagonal(a, nn);
  if (!diagonal.found) return 0;
  if (nn >= kBlockedMinOrder) {
    return matrix::detail::GaussBlocked(nn, a, b, x, diagonal.anti,
                                        diagonal.shift);
  }

  // Copies of a and b, old row r stored as row t(r), which brings the chosen
  // entries onto the main diagonal; the caller's arrays stay as they are.
  WorkArray<double, kStackDoubles> work(nn * nn + nn);
  double* ac = work.data();
  double* bc = ac + nn * nn;
  for (std::size_t r = 0; r < nn; ++r) {
    const std::size_t t = Target(diagonal, r, nn);
    std::copy(a + r * nn, a + r * nn + nn, ac + t * nn);
    bc[t] = b[r];
  }
  WorkArray<int, kStackInts> order(nn);
  // Row blocks pay off once a pivot row is reused by whole blocks.
  return GaussSolve(nn, ac, bc, x, order.data(), nn >= kRowBlockMinOrder);
}
