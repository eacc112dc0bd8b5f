// Large dense systems: the factorisations of Holetsky and Gauss2 taken
// panel by panel, with the updates of the rows below a panel done by a
// register-tiled multiply. Each element still receives its terms one at a
// time, in increasing order of the eliminated index, each one multiply and
// one add (or subtract) rounded on its own; only the order in which
// elements are visited differs from the plain loops, so the results are
// the same bits.
#include "numeric/linear_blocked.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "numeric/work_array.h"

namespace matrix::detail {
namespace {

// A pivot or diagonal value counts as zero below 2^-52 in magnitude (the
// same cut-off as the small-order paths).
constexpr double kZeroPivot = 0x1p-52;

bool IsZero(double v) { return std::fabs(v) < kZeroPivot; }

// Columns eliminated per panel: the depth of each tiled update. Deep
// enough that a tile's loads are repaid many times, shallow enough that the
// panel work (a row-by-row loop) stays a small share.
constexpr std::size_t kPanel = 64;

// Rows of the left operand packed at once: kRowBlock × kPanel pairs of
// doubles (128 KiB) stay in the second-level cache while the right operand
// streams past them.
constexpr std::size_t kRowBlock = 128;

// A register tile: kTileRows × kTileCols elements of the result, held in
// kTileRows × kTileCols / 2 pairs.
constexpr std::size_t kTileRows = 4;
constexpr std::size_t kTileCols = 4;

// Two doubles side by side. With the baseline x86-64 instruction set (SSE2)
// each lane is an ordinary IEEE double operation, rounded exactly as the
// scalar one; elsewhere the compiler splits it into scalar operations.
typedef double Pair __attribute__((vector_size(16)));

Pair Load(const double* p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void Store(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }

// c ± x·y for a whole register tile over `depth` terms: xp holds, for each
// term, the kTileRows left values each twice (one pair per row), yp the
// kTileCols right values. The product is rounded before the add or the
// subtract, as in the plain loops.
template <bool kSubtract>
void Tile(std::size_t depth, const double* __restrict xp,
          const double* __restrict yp, double* c, std::size_t ldc) {
  constexpr std::size_t kPairs = kTileCols / 2;
  Pair acc[kTileRows][kPairs];
  for (std::size_t r = 0; r < kTileRows; ++r) {
    for (std::size_t q = 0; q < kPairs; ++q)
      acc[r][q] = Load(c + r * ldc + 2 * q);
  }
  for (std::size_t l = 0; l < depth; ++l) {
    Pair y[kPairs];
    for (std::size_t q = 0; q < kPairs; ++q) y[q] = Load(yp + 2 * q);
    for (std::size_t r = 0; r < kTileRows; ++r) {
      const Pair xr = Load(xp + 2 * r);
      for (std::size_t q = 0; q < kPairs; ++q) {
        const Pair product = xr * y[q];
        if constexpr (kSubtract) {
          acc[r][q] = acc[r][q] - product;
        } else {
          acc[r][q] = acc[r][q] + product;
        }
      }
    }
    xp += 2 * kTileRows;
    yp += kTileCols;
  }
  for (std::size_t r = 0; r < kTileRows; ++r) {
    for (std::size_t q = 0; q < kPairs; ++q)
      Store(c + r * ldc + 2 * q, acc[r][q]);
  }
}

// The right operand Y(l, c) = y[l·step_l + c·step_c], l < depth, c < cols,
// packed tile column by tile column: out[(c / kTileCols)·depth·kTileCols +
// l·kTileCols + c % kTileCols], the last tile column padded with zeros.
void PackRight(std::size_t depth, std::size_t cols, const double* y,
               std::size_t step_l, std::size_t step_c, double* out) {
  for (std::size_t c0 = 0; c0 < cols; c0 += kTileCols) {
    const std::size_t width = std::min(kTileCols, cols - c0);
    double* panel = out + (c0 / kTileCols) * depth * kTileCols;
    if (width < kTileCols) std::fill(panel, panel + depth * kTileCols, 0.0);
    for (std::size_t q = 0; q < width; ++q) {
      const double* src = y + (c0 + q) * step_c;
      for (std::size_t l = 0; l < depth; ++l) {
        panel[l * kTileCols + q] = src[l * step_l];
      }
    }
  }
}

// The left operand X(r, l) = x[r·ldx + l], r < rows, l < depth, packed
// tile row by tile row with each value twice: out[(r / kTileRows)·depth·2·
// kTileRows + l·2·kTileRows + 2·(r % kTileRows) + {0, 1}], zero padded.
void PackLeft(std::size_t rows, std::size_t depth, const double* x,
              std::size_t ldx, double* out) {
  for (std::size_t r0 = 0; r0 < rows; r0 += kTileRows) {
    const std::size_t height = std::min(kTileRows, rows - r0);
    double* panel = out + (r0 / kTileRows) * depth * 2 * kTileRows;
    if (height < kTileRows)
      std::fill(panel, panel + depth * 2 * kTileRows, 0.0);
    for (std::size_t q = 0; q < height; ++q) {
      const double* src = x + (r0 + q) * ldx;
      for (std::size_t l = 0; l < depth; ++l) {
        panel[l * 2 * kTileRows + 2 * q] = src[l];
        panel[l * 2 * kTileRows + 2 * q + 1] = src[l];
      }
    }
  }
}

// Work storage of UpdateBelow for a given depth, in doubles.
std::size_t LeftPackSize(std::size_t depth) { return kRowBlock * depth * 2; }
std::size_t RightPackSize(std::size_t cols, std::size_t depth) {
  return (cols + kTileCols - 1) / kTileCols * kTileCols * depth;
}

// C(r, c) ± Σ_l X(r, l)·Y(l, c) for r < rows, c < cols, each element taking
// its terms in increasing l. X(r, l) = x[r·ldx + l]; `right` is Y packed by
// PackRight; `left` is work storage of LeftPackSize(depth). With `lower`
// only the elements with c <= r are needed: tiles wholly above that line
// are skipped, those that cross it are computed whole (the caller keeps
// nothing there).
template <bool kSubtract>
void UpdateBelow(std::size_t rows, std::size_t cols, std::size_t depth,
                 const double* x, std::size_t ldx, const double* right,
                 double* c, std::size_t ldc, bool lower, double* left) {
  double edge[kTileRows * kTileCols];
  for (std::size_t r0 = 0; r0 < rows; r0 += kRowBlock) {
    const std::size_t height = std::min(kRowBlock, rows - r0);
    PackLeft(height, depth, x + r0 * ldx, ldx, left);
    const std::size_t col_end = lower ? std::min(cols, r0 + height) : cols;
    for (std::size_t c0 = 0; c0 < col_end; c0 += kTileCols) {
      const double* yp = right + (c0 / kTileCols) * depth * kTileCols;
      const std::size_t width = std::min(kTileCols, cols - c0);
      for (std::size_t rr = 0; rr < height; rr += kTileRows) {
        const std::size_t r = r0 + rr;
        if (lower && c0 >= r + kTileRows) continue;
        const double* xp = left + (rr / kTileRows) * depth * 2 * kTileRows;
        double* ct = c + r * ldc + c0;
        const std::size_t tile_rows = std::min(kTileRows, height - rr);
        if (tile_rows == kTileRows && width == kTileCols) {
          Tile<kSubtract>(depth, xp, yp, ct, ldc);
          continue;
        }
        // A tile at the edge: worked in a full-size copy.
        std::fill(edge, edge + kTileRows * kTileCols, 0.0);
        for (std::size_t i = 0; i < tile_rows; ++i) {
          std::copy(ct + i * ldc, ct + i * ldc + width, edge + i * kTileCols);
        }
        Tile<kSubtract>(depth, xp, yp, edge, kTileCols);
        for (std::size_t i = 0; i < tile_rows; ++i) {
          std::copy(edge + i * kTileCols, edge + i * kTileCols + width,
                    ct + i * ldc);
        }
      }
    }
  }
}

// Copies the strict lower triangle of the n×n matrix m onto its upper one,
// m[i][j] = m[j][i] for j > i, in square blocks so that both sides are read
// and written a cache line at a time.
void MirrorLowerToUpper(std::size_t n, double* m) {
  constexpr std::size_t kBlock = 32;
  for (std::size_t i0 = 0; i0 < n; i0 += kBlock) {
    const std::size_t i1 = std::min(i0 + kBlock, n);
    for (std::size_t j0 = i0; j0 < n; j0 += kBlock) {
      const std::size_t j1 = std::min(j0 + kBlock, n);
      for (std::size_t i = i0; i < i1; ++i) {
        for (std::size_t j = std::max(j0, i + 1); j < j1; ++j) {
          m[i * n + j] = m[j * n + i];
        }
      }
    }
  }
}

}  // namespace

// U is kept by its transpose in the lower triangle of an n×n work matrix r:
// r[k][j] (k > j) first accumulates the sum of U(j, k), then holds U(j, k);
// r[k][k] accumulates the sum of d_k. Row k of r thus lines up with row k
// of a, which holds the a[k·n + j] that the sums are subtracted from. For
// each panel of columns [p0, p1):
//  - every row k >= p0 finishes its panel columns in increasing order,
//    adding the terms of the panel's own columns (the U(l, ·) of the panel
//    rows come from a small upper copy);
//  - the rows below the panel then take the panel's terms for their
//    remaining columns in one tiled update, W(l, k)·U(l, j) with
//    W(l, k) = U(l, k)·d_l rounded once, as the plain loop rounds it.
int CholeskyBlocked(std::size_t n, const double* a, const double* b,
                    double* x) {
  const std::size_t panel_rows = n * kPanel;
  const std::size_t right_size = RightPackSize(n, kPanel);
  const std::size_t left_size = LeftPackSize(kPanel);
  WorkArray<double, 1> work(n * n + 2 * n + panel_rows + kPanel * kPanel +
                            right_size + left_size);
  double* r = work.data();
  double* d = r + n * n;
  double* z = d + n;
  double* w = z + n;  // w[k·kPanel + l - p0] = W(l, k) for the current panel
  double* up = w + panel_rows;  // up[(l - p0)·kPanel + j - p0] = U(l, j)
  double* right = up + kPanel * kPanel;
  double* left = right + right_size;

  // Every sum starts from zero, as in the plain loop.
  for (std::size_t k = 0; k < n; ++k)
    std::fill(r + k * n, r + k * n + k + 1, 0.0);

  for (std::size_t p0 = 0; p0 < n; p0 += kPanel) {
    const std::size_t p1 = std::min(p0 + kPanel, n);
    for (std::size_t k = p0; k < n; ++k) {
      double* __restrict row = r + k * n;
      double* __restrict wk = w + k * kPanel - p0;
      const std::size_t l_end = std::min(k, p1);
      const std::size_t j_end = std::min(k + 1, p1);
      for (std::size_t l = p0; l < l_end; ++l) {
        const double dl = d[l];
        const double u = (a[k * n + l] - row[l]) / dl;
        row[l] = u;
        const double wl = u * dl;
        wk[l] = wl;
        double* __restrict ul = up + (l - p0) * kPanel;  // U(l, p0 + ·)
        if (k < p1) ul[k - p0] = u;
        for (std::size_t j = l + 1; j < j_end; ++j) row[j] += wl * ul[j - p0];
      }
      if (k < p1) {
        const double dk = a[k * n + k] - row[k];
        if (IsZero(dk)) return 0;
        d[k] = dk;
      }
    }
    if (p1 < n) {
      const std::size_t depth = p1 - p0;
      const std::size_t rest = n - p1;
      // Y(l, j) = U(p0 + l, p1 + j), read from row p1 + j of r.
      PackRight(depth, rest, r + p1 * n + p0, 1, n, right);
      UpdateBelow<false>(rest, rest, depth, w + p1 * kPanel, kPanel, right,
                         r + p1 * n + p1, n, true, left);
    }
  }

  for (std::size_t j = 0; j < n; ++j) {
    const double* row = r + j * n;
    double sum = 0.0;
    for (std::size_t l = 0; l < j; ++l) sum += row[l] * z[l];
    z[j] = b[j] - sum;
  }

  MirrorLowerToUpper(n, r);
  for (std::size_t i = n; i-- > 0;) {
    const double* row = r + i * n;
    double sum = 0.0;
    for (std::size_t j = i + 1; j < n; ++j) sum += row[j] * x[j];
    x[i] = z[i] / d[i] - sum;
  }
  return 1;
}

// The rows are stored in their elimination order, each followed by its
// right-hand side, so that the right-hand side is eliminated as one more
// column. For each panel of columns [p0, p1):
//  - every row j >= p0 is reduced by the panel's pivot rows in increasing
//    order; its multipliers replace the entries below the diagonal (which
//    the plain loop reduces to values it never reads again); rows inside
//    the panel are reduced over their whole length, rows below it over the
//    panel's columns only;
//  - the rows below the panel then take the panel's multiply-subtracts for
//    their remaining columns in one tiled update.
int GaussBlocked(std::size_t n, const double* a, const double* b, double* x,
                 bool anti, std::size_t shift) {
  // Old row of (a, b) that plays the part of row q.
  auto source = [&](std::size_t q) {
    const std::size_t t = anti ? shift + n - q : q + n - shift;
    return t >= n ? t - n : t;
  };
  constexpr std::size_t kScanColumns = 32;
  const std::size_t ld = n + 1;
  const std::size_t right_size = RightPackSize(ld, kPanel);
  const std::size_t left_size = LeftPackSize(kPanel);
  const std::size_t scan_size = kScanColumns * n;
  WorkArray<double, 1> work(n * ld +
                            std::max(scan_size, right_size + left_size));
  WorkArray<int, 1> order(n);
  double* m = work.data();
  double* scan = m + n * ld;
  double* right = scan;
  double* left = right + right_size;
  int* p = order.data();

  // The row order, fixed on the coefficients as given: position i takes the
  // first remaining row with the largest magnitude in column i. The
  // magnitudes of kScanColumns columns at a time are gathered into
  // contiguous columns first.
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<int>(i);
  for (std::size_t c0 = 0; c0 < n; c0 += kScanColumns) {
    const std::size_t width = std::min(kScanColumns, n - c0);
    for (std::size_t q = 0; q < n; ++q) {
      const double* src = a + source(q) * n + c0;
      for (std::size_t c = 0; c < width; ++c)
        scan[c * n + q] = std::fabs(src[c]);
    }
    for (std::size_t i = c0; i < c0 + width; ++i) {
      const double* column = scan + (i - c0) * n;
      double best = column[p[i]];
      for (std::size_t j = i + 1; j < n; ++j) {
        const double v = column[p[j]];
        if (v > best) {
          std::swap(p[i], p[j]);
          best = v;
        }
      }
    }
  }
  for (std::size_t q = 0; q < n; ++q) {
    const std::size_t src = source(static_cast<std::size_t>(p[q]));
    std::copy(a + src * n, a + src * n + n, m + q * ld);
    m[q * ld + n] = b[src];
  }

  for (std::size_t p0 = 0; p0 < n; p0 += kPanel) {
    const std::size_t p1 = std::min(p0 + kPanel, n);
    for (std::size_t j = p0; j < n; ++j) {
      double* __restrict row = m + j * ld;
      const std::size_t i_end = std::min(j, p1);
      const std::size_t end = j < p1 ? ld : p1;
      for (std::size_t i = p0; i < i_end; ++i) {
        const double* __restrict pivot = m + i * ld;
        const double f = row[i] / pivot[i];
        row[i] = f;
        for (std::size_t k = i + 1; k < end; ++k) row[k] -= pivot[k] * f;
      }
      if (j < p1 && IsZero(row[j])) return 0;
    }
    if (p1 < n) {
      const std::size_t depth = p1 - p0;
      // Y(l, k) = row p0 + l, column p1 + k (the right-hand side included).
      PackRight(depth, ld - p1, m + p0 * ld + p1, ld, 1, right);
      UpdateBelow<true>(n - p1, ld - p1, depth, m + p1 * ld + p0, ld, right,
                        m + p1 * ld + p1, ld, false, left);
    }
  }

  for (std::size_t i = n; i-- > 0;) {
    const double* row = m + i * ld;
    double s = 0.0;
    for (std::size_t j = i + 1; j < n; ++j) s += row[j] * x[j];
    x[i] = (row[n] - s) / row[i];
  }
  return 1;
}

}  // namespace matrix::detail
