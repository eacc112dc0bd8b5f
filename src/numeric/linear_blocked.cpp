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

#include "common/constants.h"
#include "numeric/work_array.h"

namespace matrix::detail {
namespace {

// A pivot or diagonal value counts as zero below 2^-52 in magnitude (the
// same cut-off as the small-order paths).
constexpr double kZeroPivot = kEpsilon;

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

// dst[k] -= src[k]·f for k < len, each element with its own multiply and
// subtract, two at a time.
void SubtractScaled(double* __restrict dst, const double* __restrict src,
                    double f, std::size_t len) {
  const Pair ff = {f, f};
  std::size_t k = 0;
  for (; k + 2 <= len; k += 2)
    Store(dst + k, Load(dst + k) - Load(src + k) * ff);
  if (k < len) dst[k] -= src[k] * f;
}

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

// Packed operands. The left one, X(r, l), is kept in groups of kTileRows
// rows, each value twice (one pair per row): X(r, l) at
// LeftAt(r, l, stride) and LeftAt(r, l, stride) + 1. The right one,
// Y(l, c), in groups of kTileCols columns: Y(l, c) at RightAt(l, c,
// stride). `stride` is the depth a group has room for.
std::size_t LeftAt(std::size_t r, std::size_t l, std::size_t stride) {
  return (r / kTileRows) * stride * 2 * kTileRows + l * 2 * kTileRows +
         2 * (r % kTileRows);
}
std::size_t RightAt(std::size_t l, std::size_t c, std::size_t stride) {
  return (c / kTileCols) * stride * kTileCols + l * kTileCols + c % kTileCols;
}
std::size_t LeftSize(std::size_t rows, std::size_t stride) {
  return (rows + kTileRows - 1) / kTileRows * kTileRows * stride * 2;
}
std::size_t RightSize(std::size_t cols, std::size_t stride) {
  return (cols + kTileCols - 1) / kTileCols * kTileCols * stride;
}

// C(r, c) ± Σ_{l < depth} X(r, l)·Y(l, c) for r < rows, c < cols, each
// element taking its terms in increasing l, from the packed operands. With
// `lower` only the elements with c <= r are needed: tiles wholly above that
// line are skipped, those that cross it are computed whole (the caller
// keeps nothing there). Rows go kRowBlock at a time, so that their part of
// the left operand stays in the second-level cache while the right operand
// streams past.
template <bool kSubtract>
void MultiplyPacked(std::size_t rows, std::size_t cols, std::size_t depth,
                    const double* left, std::size_t left_stride,
                    const double* right, std::size_t right_stride, double* c,
                    std::size_t ldc, bool lower) {
  if (depth == 0) return;
  double edge[kTileRows * kTileCols];
  for (std::size_t r0 = 0; r0 < rows; r0 += kRowBlock) {
    const std::size_t r_end = std::min(r0 + kRowBlock, rows);
    const std::size_t col_end = lower ? std::min(cols, r_end) : cols;
    for (std::size_t c0 = 0; c0 < col_end; c0 += kTileCols) {
      const double* yp = right + RightAt(0, c0, right_stride);
      const std::size_t width = std::min(kTileCols, cols - c0);
      for (std::size_t r = r0; r < r_end; r += kTileRows) {
        if (lower && c0 >= r + kTileRows) continue;
        const double* xp = left + LeftAt(r, 0, left_stride);
        double* ct = c + r * ldc + c0;
        const std::size_t height = std::min(kTileRows, rows - r);
        if (height == kTileRows && width == kTileCols) {
          Tile<kSubtract>(depth, xp, yp, ct, ldc);
          continue;
        }
        // A tile at the edge: worked in a full-size copy.
        std::fill(edge, edge + kTileRows * kTileCols, 0.0);
        for (std::size_t i = 0; i < height; ++i) {
          std::copy(ct + i * ldc, ct + i * ldc + width, edge + i * kTileCols);
        }
        Tile<kSubtract>(depth, xp, yp, edge, kTileCols);
        for (std::size_t i = 0; i < height; ++i) {
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

// The two substitutions of Holetsky once U and D are known, U held by its
// transpose in the strict lower triangle of the n×n matrix r: forward,
// z_j = b_j - Σ_{l<j} U(l, j)·z_l; then, with U mirrored onto the upper
// triangle so that both read rows, backward, x_i = z_i / d_i -
// Σ_{j>i} U(i, j)·x_j. Each sum from 0 in increasing index, as the plain
// loops take it. Overwrites r's upper triangle, z and x.
void SolveFactored(std::size_t n, double* r, const double* d, const double* b,
                   double* z, double* x) {
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
}

// Gauss2's rearrangement of the rows: the old row of (a, b) that plays the
// part of row q, for the target (r + shift) mod n, or (shift - r) mod n
// when `anti`.
struct RowSource {
  std::size_t n;
  bool anti;
  std::size_t shift;
  std::size_t operator()(std::size_t q) const {
    const std::size_t t = anti ? shift + n - q : q + n - shift;
    return t >= n ? t - n : t;
  }
};

// Columns whose magnitudes the row ordering gathers at a time.
constexpr std::size_t kScanColumns = 32;

// The row order of the elimination, fixed on the coefficients as given:
// position i takes the first remaining row with the largest magnitude in
// column i (ties keep the earlier row). The magnitudes of kScanColumns
// columns at a time are gathered into contiguous columns of `scan`
// (kScanColumns·n doubles) first. Writes p[0..n).
void OrderRows(std::size_t n, const double* a, RowSource source, double* scan,
               int* p) {
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<int>(i);
  for (std::size_t c0 = 0; c0 < n; c0 += kScanColumns) {
    const std::size_t width = std::min(kScanColumns, n - c0);
    for (std::size_t q = 0; q < n; ++q) {
      const double* src = a + source(q) * n + c0;
      for (std::size_t c = 0; c < width; ++c) {
        scan[c * n + q] = std::fabs(src[c]);
      }
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
}

// The blocked elimination of Gauss2 on the n×(n+1) work matrix m: the
// rows in their elimination order, each followed by its right-hand side,
// so that the right-hand side is eliminated as one more column. Each
// multiplier replaces the entry below the diagonal that it eliminates (the
// plain loop reduces that entry to a value it never reads again). The
// columns go in panels of kPanel, each panel in groups of kTileCols
// columns [q0, q1).
class BlockedElimination {
 public:
  // `packed` holds PackedSize(n) doubles, zeroed by the caller, so that
  // the rows and columns past the end add nothing.
  BlockedElimination(std::size_t n, double* m, double* packed)
      : n_(n),
        ld_(n + 1),
        m_(m),
        left_(packed),
        group_(left_ + LeftSize(n, kPanel)),
        right_(group_ + RightSize(kTileCols, kPanel)),
        step_(right_ + RightSize(n + 1, kPanel)) {}

  static std::size_t PackedSize(std::size_t n) {
    return LeftSize(n, kPanel) + RightSize(kTileCols, kPanel) +
           RightSize(n + 1, kPanel) + RightSize(n + 1, kTileCols);
  }

  // Runs the elimination; false at the first pivot below 2^-52 in
  // magnitude. For each group: the rows below the panel take the panel's
  // pivots above the group, for the group's columns (the pivot rows there
  // are final); the group's own pivots are eliminated row after row; the
  // panel's rows below the group take the group's pivots for all their
  // columns right of it. Once a panel is done, the rows below it take all
  // the panel's pivots for their columns right of it.
  bool Run() {
    for (std::size_t p0 = 0; p0 < n_; p0 += kPanel) {
      const std::size_t p1 = std::min(p0 + kPanel, n_);
      for (std::size_t q0 = p0; q0 < p1; q0 += kTileCols) {
        const std::size_t q1 = std::min(q0 + kTileCols, p1);
        if (p1 < n_ && q0 > p0) {
          SubtractPivotRows(p0, {p0, q0}, {p1, n_}, {q0, q1}, group_, kPanel);
        }
        if (!EliminateGroup(p0, q0, q1)) return false;
        if (q1 < p1) {
          SubtractPivotRows(p0, {q0, q1}, {q1, p1}, {q1, ld_}, step_,
                            kTileCols);
        }
      }
      if (p1 < n_) {
        SubtractPivotRows(p0, {p0, p1}, {p1, n_}, {p1, ld_}, right_, kPanel);
      }
    }
    return true;
  }

 private:
  // Rows or columns [begin, end) of m.
  struct Range {
    std::size_t begin, end;
  };

  // The rows `targets`, in the columns `columns`, take the multiply-
  // subtracts of the pivot rows `pivots` (of the panel starting at row p0)
  // in one tiled update: the pivot rows' entries there are packed as the
  // right operand into `packed`, which has room for `stride` terms, and
  // their multipliers are read from the packed left operand.
  void SubtractPivotRows(std::size_t p0, Range pivots, Range targets,
                         Range columns, double* packed, std::size_t stride) {
    for (std::size_t i = pivots.begin; i < pivots.end; ++i) {
      const double* row = m_ + i * ld_;
      for (std::size_t k = columns.begin; k < columns.end; ++k) {
        packed[RightAt(i - pivots.begin, k - columns.begin, stride)] = row[k];
      }
    }
    MultiplyPacked<true>(
        targets.end - targets.begin, columns.end - columns.begin,
        pivots.end - pivots.begin,
        left_ + LeftAt(targets.begin - p0, pivots.begin - p0, kPanel), kPanel,
        packed, stride, m_ + targets.begin * ld_ + columns.begin, ld_, false);
  }

  // Every row j >= q0 takes the group's own pivots one after the other:
  // the group's rows over their whole length, the others over the group's
  // columns. The multipliers go into the packed left operand as well. False
  // when one of the group's pivots is below 2^-52 in magnitude.
  bool EliminateGroup(std::size_t p0, std::size_t q0, std::size_t q1) {
    for (std::size_t j = q0; j < n_; ++j) {
      double* row = m_ + j * ld_;
      const std::size_t i_end = std::min(j, q1);
      const std::size_t end = j < q1 ? ld_ : q1;
      for (std::size_t i = q0; i < i_end; ++i) {
        const double* pivot = m_ + i * ld_;
        const double f = row[i] / pivot[i];
        row[i] = f;
        double* lp = left_ + LeftAt(j - p0, i - p0, kPanel);
        lp[0] = f;
        lp[1] = f;
        SubtractScaled(row + i + 1, pivot + i + 1, f, end - i - 1);
      }
      if (j < q1 && IsZero(row[j])) return false;
    }
    return true;
  }

  std::size_t n_;
  std::size_t ld_;
  double* m_;
  double* left_;   // the multipliers, rows >= p0
  double* group_;  // pivot rows' entries in the group
  double* right_;  // pivot rows beyond the panel
  double* step_;   // a group's rows right of it
};

// x from the eliminated n×(n+1) matrix m: for i = n-1 down to 0, the sum
// of row i's entries right of the diagonal times x, from 0 in increasing
// column, taken from the right-hand side and divided by the pivot.
void BackSubstitute(std::size_t n, const double* m, double* x) {
  const std::size_t ld = n + 1;
  for (std::size_t i = n; i-- > 0;) {
    const double* row = m + i * ld;
    double s = 0.0;
    for (std::size_t j = i + 1; j < n; ++j) s += row[j] * x[j];
    x[i] = (row[n] - s) / row[i];
  }
}

}  // namespace

// U is kept by its transpose in the lower triangle of an n×n work matrix r:
// r[k][j] (k > j) first accumulates the sum of U(j, k), then holds U(j, k);
// r[k][k] accumulates the sum of d_k. Row k of r thus lines up with row k
// of a, which holds the a[k·n + j] that the sums are subtracted from. The
// terms are W(l, k)·U(l, j), with W(l, k) = U(l, k)·d_l rounded once, as
// the plain loop rounds it.
//
// The columns go in panels of kPanel, and each panel in groups of
// kTileCols columns [q0, q1). For each group, every row k >= q0 first takes
// the terms of the panel's earlier columns in one tiled update, then
// finishes the group's columns one after the other (the terms of the
// group's own columns). Once a panel is done, the rows below it take its
// terms for all their remaining columns in one tiled update. The finished
// W and U values are written straight into the packed operands.
int CholeskyBlocked(std::size_t n, const double* a, const double* b,
                    double* x) {
  const std::size_t left_size = LeftSize(n, kPanel);
  const std::size_t group_size = RightSize(kPanel, kPanel);
  const std::size_t right_size = RightSize(n, kPanel);
  WorkArray<double, 1> work(n * n + 2 * n + left_size + group_size +
                            right_size);
  double* r = work.data();
  double* d = r + n * n;
  double* z = d + n;
  double* w = z + n;                // W(l, k), k >= p0, as left operand
  double* up = w + left_size;       // U(l, j), j in the panel
  double* right = up + group_size;  // U(l, j), j beyond the panel
  // Every sum starts from zero, as in the plain loop; the packed operands
  // start from zero so that the rows and columns past the end add nothing.
  for (std::size_t k = 0; k < n; ++k) {
    std::fill(r + k * n, r + k * n + k + 1, 0.0);
  }
  std::fill(w, w + left_size + group_size + right_size, 0.0);

  for (std::size_t p0 = 0; p0 < n; p0 += kPanel) {
    const std::size_t p1 = std::min(p0 + kPanel, n);
    for (std::size_t q0 = p0; q0 < p1; q0 += kTileCols) {
      const std::size_t q1 = std::min(q0 + kTileCols, p1);
      // The terms of the panel's columns [p0, q0) for the group's columns.
      MultiplyPacked<false>(
          n - q0, q1 - q0, q0 - p0, w + LeftAt(q0 - p0, 0, kPanel), kPanel,
          up + RightAt(0, q0 - p0, kPanel), kPanel, r + q0 * n + q0, n, false);
      for (std::size_t k = q0; k < n; ++k) {
        double* row = r + k * n;
        const std::size_t l_end = std::min(k, q1);
        const std::size_t j_end = std::min(k + 1, q1);
        for (std::size_t l = q0; l < l_end; ++l) {
          const double dl = d[l];
          const double u = (a[k * n + l] - row[l]) / dl;
          row[l] = u;
          const double wl = u * dl;
          double* wp = w + LeftAt(k - p0, l - p0, kPanel);
          wp[0] = wl;
          wp[1] = wl;
          if (k < p1) {
            up[RightAt(l - p0, k - p0, kPanel)] = u;
          } else {
            right[RightAt(l - p0, k - p1, kPanel)] = u;
          }
          for (std::size_t j = l + 1; j < j_end; ++j) {
            row[j] += wl * up[RightAt(l - p0, j - p0, kPanel)];
          }
        }
        if (k < q1) {
          const double dk = a[k * n + k] - row[k];
          if (IsZero(dk)) return 0;
          d[k] = dk;
        }
      }
    }
    if (p1 < n) {
      MultiplyPacked<false>(n - p1, n - p1, p1 - p0,
                            w + LeftAt(p1 - p0, 0, kPanel), kPanel, right,
                            kPanel, r + p1 * n + p1, n, true);
    }
  }

  SolveFactored(n, r, d, b, z, x);
  return 1;
}

// The row order is fixed first; the rows are then copied into a work
// matrix in that order, each followed by its right-hand side, eliminated
// panel by panel, and x found by back substitution.
int GaussBlocked(std::size_t n, const double* a, const double* b, double* x,
                 bool anti, std::size_t shift) {
  const RowSource source{n, anti, shift};
  const std::size_t ld = n + 1;
  const std::size_t packed_size = BlockedElimination::PackedSize(n);
  // The ordering's gathered magnitudes and the elimination's packed
  // operands are never needed at once: they share the room after m.
  WorkArray<double, 1> work(n * ld + std::max(kScanColumns * n, packed_size));
  WorkArray<int, 1> order(n);
  double* m = work.data();
  double* shared = m + n * ld;
  int* p = order.data();

  OrderRows(n, a, source, shared, p);
  for (std::size_t q = 0; q < n; ++q) {
    const std::size_t src = source(static_cast<std::size_t>(p[q]));
    std::copy(a + src * n, a + src * n + n, m + q * ld);
    m[q * ld + n] = b[src];
  }
  std::fill(shared, shared + packed_size, 0.0);
  if (!BlockedElimination(n, m, shared).Run()) return 0;
  BackSubstitute(n, m, x);
  return 1;
}

}  // namespace matrix::detail
