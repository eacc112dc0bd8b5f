// Table look-ups: piecewise-linear interpolation in one, two and three
// variables and a piecewise-cubic look-up from values and derivatives.
#include <matrix/numeric.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <utility>

#include "numeric/work_array.h"

namespace {

using matrix::detail::WorkArray;

// A grid column of up to this many values is copied to the stack.
constexpr std::size_t kStackColumn = 64;

// What an empty table (no points, or a missing array) gives: there is no
// value to hold and no interval to extrapolate from.
double EmptyTable() { return std::numeric_limits<double>::quiet_NaN(); }

// The interval of an axis a[0..n-1], n >= 2, that serves the argument v:
// 0 below the axis, n - 2 at or above its last value, else the first i with
// a[i] <= v < a[i+1]. When no interval holds v (v is NaN, or the axis is out
// of order) the last one is taken, so that the caller never reads outside.
std::size_t FindInterval(const double* a, std::size_t n, double v) {
  if (v < a[0]) return 0;
  if (v >= a[n - 1]) return n - 2;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    if (a[i] <= v && v < a[i + 1]) return i;
  }
  return n - 2;
}

// A table row carried through the sort.
struct TableRow {
  double x;
  double y;
  double d;
};

// A table of up to this many rows is sorted on the stack.
constexpr std::size_t kStackRows = 32;

// Sorts the table by xs ascending, moving ys (and ds when not null) along,
// stably: equal abscissae keep their order. A NaN abscissa compares with
// nothing, so it keeps its place and no row passes it; the runs between
// NaNs are sorted each on its own. (This is the order that swapping
// neighbours strictly out of order until none are gives, in O(n log n).)
// A table already in order is not touched.
void SortTable(std::size_t n, double* xs, double* ys, double* ds) {
  std::size_t first = 0;
  while (first + 1 < n && !(xs[first] > xs[first + 1])) ++first;
  if (first + 1 >= n) return;  // no neighbours out of order
  WorkArray<TableRow, kStackRows> rows(n);
  for (std::size_t i = 0; i < n; ++i) {
    rows[i] = TableRow{xs[i], ys[i], ds != nullptr ? ds[i] : 0.0};
  }
  const auto by_x = [](const TableRow& a, const TableRow& b) {
    return a.x < b.x;
  };
  for (std::size_t lo = 0; lo < n;) {
    if (std::isnan(rows[lo].x)) {
      ++lo;
      continue;
    }
    std::size_t hi = lo + 1;
    while (hi < n && !std::isnan(rows[hi].x)) ++hi;
    std::stable_sort(rows.data() + lo, rows.data() + hi, by_x);
    lo = hi;
  }
  for (std::size_t i = 0; i < n; ++i) {
    xs[i] = rows[i].x;
    ys[i] = rows[i].y;
    if (ds != nullptr) ds[i] = rows[i].d;
  }
}

// The interval of a sorted table of n >= 2 points that serves x, or false
// when the end value is to be held (its index then in *held).
bool ChooseInterval(std::size_t n, const double* xs, double x, int lowSide,
                    int highSide, std::size_t* interval, std::size_t* held) {
  if (x < xs[0]) {
    if (lowSide == 0) {
      *held = 0;
      return false;
    }
    *interval = 0;
  } else if (x >= xs[n - 1]) {
    if (highSide == 0) {
      *held = n - 1;
      return false;
    }
    *interval = n - 2;
  } else {
    *interval = FindInterval(xs, n, x);
  }
  return true;
}

// One axis of the trilinear cell: the corner indices, the cell's width and
// the two weights, and where the argument lies.
struct AxisCell {
  std::size_t lo = 0;
  std::size_t hi = 0;
  double width = 1.0;
  double w_lo = 1.0;  // weight of the lower layer: upper bound - v
  double w_hi = 0.0;  // weight of the upper layer: v - lower bound
  bool below = false;
  bool above = false;
};

AxisCell Cell(const double* a, std::size_t n, double v) {
  AxisCell c;
  if (n == 1) return c;  // one layer: weight 1 on it, width 1
  const std::size_t e = FindInterval(a, n, v);
  c.lo = e;
  c.hi = e + 1;
  c.width = a[e + 1] - a[e];
  c.w_lo = a[e + 1] - v;
  c.w_hi = v - a[e];
  c.below = v < a[0];
  c.above = v > a[n - 1];
  return c;
}

}  // namespace

double LInter(int n, double* xs, double* ys, double x, int lowSide,
              int highSide) {
  if (n <= 0 || xs == nullptr || ys == nullptr) return EmptyTable();
  const std::size_t nn = static_cast<std::size_t>(n);
  SortTable(nn, xs, ys, nullptr);
  if (nn == 1) return ys[0];
  std::size_t a = 0;
  std::size_t held = 0;
  if (!ChooseInterval(nn, xs, x, lowSide, highSide, &a, &held)) return ys[held];
  return (ys[a + 1] - ys[a]) / (xs[a + 1] - xs[a]) * (x - xs[a]) + ys[a];
}

double LInter2(int nx, int ny, double* xs, double* ys, double* grid, double x,
               double y, int lowSide, int highSide) {
  if (nx <= 0 || ny <= 0 || xs == nullptr || ys == nullptr || grid == nullptr) {
    return EmptyTable();
  }
  const std::size_t nnx = static_cast<std::size_t>(nx);
  const std::size_t nny = static_cast<std::size_t>(ny);
  WorkArray<double, kStackColumn> column(nny);
  auto interpolate_column = [&](std::size_t j) {
    for (std::size_t i = 0; i < nny; ++i) column[i] = grid[i * nnx + j];
    return LInter(ny, ys, column.data(), y, lowSide, highSide);
  };
  if (nnx == 1) return interpolate_column(0);  // one column: its value in y

  const std::size_t e = FindInterval(xs, nnx, x);
  const double s0 = interpolate_column(e);
  const double s1 = interpolate_column(e + 1);
  double ends[2] = {xs[e], xs[e + 1]};
  double values[2] = {s0, s1};
  return LInter(2, ends, values, x, lowSide, highSide);
}

double LInter3(int nx, int ny, int nz, double* xs, double* ys, double* zs,
               double* grid, double x, double y, double z, int lowSide,
               int highSide) {
  if (nx <= 0 || ny <= 0 || nz <= 0 || xs == nullptr || ys == nullptr ||
      zs == nullptr || grid == nullptr) {
    return EmptyTable();
  }
  const std::size_t nnx = static_cast<std::size_t>(nx);
  const std::size_t nny = static_cast<std::size_t>(ny);
  AxisCell cx = Cell(xs, nnx, x);
  AxisCell cy = Cell(ys, nny, y);
  AxisCell cz = Cell(zs, static_cast<std::size_t>(nz), z);
  const double volume = cx.width * cy.width * cz.width;

  // Holding an axis at its end layer: both corner indices on that layer,
  // the weights unchanged (they still add up to the cell width).
  if (lowSide == 0 && (cx.below || cy.below || cz.below)) {
    for (AxisCell* c : {&cx, &cy, &cz}) {
      if (c->below) c->hi = c->lo;
    }
  } else if (highSide == 0 && (cx.above || cy.above || cz.above)) {
    for (AxisCell* c : {&cx, &cy, &cz}) {
      if (c->above) c->lo = c->hi;
    }
  }

  auto value = [&](std::size_t i, std::size_t j, std::size_t k) {
    return grid[i + nnx * j + nnx * nny * k];
  };
  double sum = 0.0;
  sum += value(cx.lo, cy.lo, cz.lo) / volume * cx.w_lo * cy.w_lo * cz.w_lo;
  sum += value(cx.lo, cy.lo, cz.hi) / volume * cx.w_lo * cy.w_lo * cz.w_hi;
  sum += value(cx.lo, cy.hi, cz.lo) / volume * cx.w_lo * cy.w_hi * cz.w_lo;
  sum += value(cx.lo, cy.hi, cz.hi) / volume * cx.w_lo * cy.w_hi * cz.w_hi;
  sum += value(cx.hi, cy.lo, cz.lo) / volume * cx.w_hi * cy.w_lo * cz.w_lo;
  sum += value(cx.hi, cy.lo, cz.hi) / volume * cx.w_hi * cy.w_lo * cz.w_hi;
  sum += value(cx.hi, cy.hi, cz.lo) / volume * cx.w_hi * cy.w_hi * cz.w_lo;
  sum += value(cx.hi, cy.hi, cz.hi) / volume * cx.w_hi * cy.w_hi * cz.w_hi;
  return sum;
}

double CubInterPPD(int n, double* xs, double* ys, double* ds, double x,
                   int lowSide, int highSide) {
  if (n <= 0 || xs == nullptr || ys == nullptr || ds == nullptr) {
    return EmptyTable();
  }
  const std::size_t nn = static_cast<std::size_t>(n);
  SortTable(nn, xs, ys, ds);
  if (nn == 1) return ys[0];
  std::size_t a = 0;
  std::size_t held = 0;
  if (!ChooseInterval(nn, xs, x, lowSide, highSide, &a, &held)) return ys[held];

  // The cubic Hermite polynomial of the interval in t = x - xs[a]: it meets
  // ys[a], ds[a] at t = 0 and ys[a+1], ds[a+1] at t = delta.
  const double delta = xs[a + 1] - xs[a];
  const double slope = (ys[a + 1] - ys[a]) / delta;
  const double c2 = (3.0 * slope - 2.0 * ds[a] - ds[a + 1]) / delta;
  const double c3 = (ds[a] + ds[a + 1] - 2.0 * slope) / (delta * delta);
  const double t = x - xs[a];
  return ((c3 * t + c2) * t + ds[a]) * t + ys[a];
}
