// Linear look-ups in one, two and three variables and the cubic look-up.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "support/testing.h"

namespace {

using namespace matrix::testing;

TEST(Interpolation, LInterSortsTheCallersTable) {
  double xs[3] = {3, 1, 2};
  double ys[3] = {30, 10, 20};
  EXPECT_DOUBLE_EQ(LInter(3, xs, ys, 1.5, 0, 0), 15);
  const double want_x[3] = {1, 2, 3};
  const double want_y[3] = {10, 20, 30};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(xs[i], want_x[i]);
    EXPECT_EQ(ys[i], want_y[i]);
  }
  // Equal abscissae keep their order.
  double xe[4] = {2, 1, 1, 0};
  double ye[4] = {20, 11, 12, 0};
  LInter(4, xe, ye, 0.5, 0, 0);
  EXPECT_EQ(ye[1], 11);
  EXPECT_EQ(ye[2], 12);
}

// The sort keeps what the stable neighbour-swapping sort gives: equal
// abscissae in their order, a NaN abscissa in its place with the runs on
// either side sorted each on its own; values and derivatives move along.
TEST(Interpolation, TablesSortStablyAroundNaN) {
  double xs[7] = {3, 1, kNaN, 2, 0, 2, 1};
  double ys[7] = {10, 11, 12, 13, 14, 15, 16};
  double ds[7] = {20, 21, 22, 23, 24, 25, 26};
  CubInterPPD(7, xs, ys, ds, 0.5, 1, 1);
  const double want_x[7] = {1, 3, kNaN, 0, 1, 2, 2};
  const double want_y[7] = {11, 10, 12, 14, 16, 13, 15};
  for (int i = 0; i < 7; ++i) {
    if (std::isnan(want_x[i])) {
      EXPECT_TRUE(std::isnan(xs[i])) << i;
    } else {
      EXPECT_EQ(xs[i], want_x[i]) << i;
    }
    EXPECT_EQ(ys[i], want_y[i]) << i;
    EXPECT_EQ(ds[i], want_y[i] + 10) << i;
  }
  // Signed zeros are equal: they keep their order.
  double zx[3] = {0.0, -0.0, -1};
  double zy[3] = {1, 2, 3};
  LInter(3, zx, zy, 0, 1, 1);
  EXPECT_EQ(zy[0], 3);
  EXPECT_EQ(zy[1], 1);
  EXPECT_EQ(zy[2], 2);
  EXPECT_FALSE(std::signbit(zx[1]));
  EXPECT_TRUE(std::signbit(zx[2]));
}

// A table in descending order sorts in n log n time, not quadratic time
// (which takes over 30 s for 100000 points): 200000 points are a matter of
// milliseconds, and the result is the ascending table with the values
// along.
TEST(Interpolation, LargeTablesSortInNLogN) {
  const int n = 200000;
  std::vector<double> xs(n), ys(n), zs(n), vs(n), ds(n);
  for (int i = 0; i < n; ++i) {
    xs[i] = n - i;
    ys[i] = 2.0 * (n - i);
    zs[i] = n - i;
    vs[i] = 3.0 * (n - i);
    ds[i] = -i;
  }
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LInter(n, xs.data(), ys.data(), 1000.5, 1, 1), 2001);
  // At a node the cubic gives the node's value.
  EXPECT_EQ(CubInterPPD(n, zs.data(), vs.data(), ds.data(), 3, 1, 1), 9);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  EXPECT_LT(seconds, 10.0);
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(xs[i], i + 1);
    ASSERT_EQ(ys[i], 2.0 * (i + 1));
    ASSERT_EQ(zs[i], i + 1);
    ASSERT_EQ(vs[i], 3.0 * (i + 1));
    ASSERT_EQ(ds[i], -(n - 1 - i));
  }
}

TEST(Interpolation, LInterSwitchesHoldOrExtrapolate) {
  struct Row {
    double x;
    int low, high;
    double value;
  } rows[] = {{-1, 0, 0, 0}, {-1, 1, 0, -10}, {2, 0, 0, 10}, {2, 0, 1, 20},
              {1, 0, 0, 10}, {1, 1, 1, 10},   {0, 0, 0, 0},  {0.25, 0, 0, 2.5}};
  for (const Row& r : rows) {
    double xs[2] = {0, 1};
    double ys[2] = {0, 10};
    EXPECT_DOUBLE_EQ(LInter(2, xs, ys, r.x, r.low, r.high), r.value)
        << r.x << " " << r.low << r.high;
  }
}

TEST(Interpolation, LInterPicksTheIntervalHoldingTheArgument) {
  // Slopes 10, 20, 40 per interval: a wrong interval shows at once.
  struct Row {
    double x, value;
  } rows[] = {{0.5, 5},  {1, 10}, {1.5, 20}, {2, 30},
              {2.5, 50}, {3, 70}, {3.5, 90}, {-0.5, -5}};
  for (const Row& r : rows) {
    double xs[4] = {0, 1, 2, 3};
    double ys[4] = {0, 10, 30, 70};
    EXPECT_DOUBLE_EQ(LInter(4, xs, ys, r.x, 1, 1), r.value) << r.x;
  }
}

TEST(Interpolation, ShortTablesReadNothingOutside) {
  // One point: its value whatever the switches; none: NaN.
  double x1[1] = {2};
  double y1[1] = {7};
  for (double x : {1.0, 2.0, 3.0}) {
    EXPECT_EQ(LInter(1, x1, y1, x, 1, 1), 7);
    EXPECT_EQ(LInter(1, x1, y1, x, 0, 0), 7);
  }
  double d1[1] = {5};
  EXPECT_EQ(CubInterPPD(1, x1, y1, d1, 9, 1, 1), 7);
  EXPECT_TRUE(std::isnan(LInter(0, x1, y1, 1, 0, 0)));
  EXPECT_TRUE(std::isnan(LInter(-2, x1, y1, 1, 0, 0)));
  EXPECT_TRUE(std::isnan(LInter(1, nullptr, y1, 1, 0, 0)));
  EXPECT_TRUE(std::isnan(CubInterPPD(0, x1, y1, d1, 1, 0, 0)));

  double grid1[2] = {3, 5};  // nx = 1, ny = 2
  double ys[2] = {0, 1};
  EXPECT_DOUBLE_EQ(LInter2(1, 2, x1, ys, grid1, 99, 0.5, 1, 1), 4);
  EXPECT_TRUE(std::isnan(LInter2(0, 2, x1, ys, grid1, 0, 0, 0, 0)));
  double zs[1] = {0};
  EXPECT_DOUBLE_EQ(LInter3(1, 2, 1, x1, ys, zs, grid1, 8, 0.25, -3, 1, 1), 3.5);
  EXPECT_TRUE(std::isnan(LInter3(1, 0, 1, x1, ys, zs, grid1, 0, 0, 0, 0, 0)));

  // A NaN argument stays inside the table and gives NaN.
  double xs[3] = {0, 1, 2};
  double v[3] = {0, 1, 4};
  EXPECT_TRUE(std::isnan(LInter(3, xs, v, kNaN, 1, 1)));
  double d[3] = {0, 2, 4};
  EXPECT_TRUE(std::isnan(CubInterPPD(3, xs, v, d, kNaN, 1, 1)));
}

TEST(Interpolation, LInter2IsBilinear) {
  double xs[2] = {0, 1};
  double ys[2] = {0, 1};
  double grid[4] = {0, 1, 2, 3};  // row y = 0: 0, 1; row y = 1: 2, 3
  EXPECT_DOUBLE_EQ(LInter2(2, 2, xs, ys, grid, 0.5, 0.5, 0, 0), 1.5);
  EXPECT_DOUBLE_EQ(LInter2(2, 2, xs, ys, grid, 5, 5, 0, 0), 3);
  EXPECT_DOUBLE_EQ(LInter2(2, 2, xs, ys, grid, 2, 0, 0, 1), 2);

  // F = x + 10y on a 3×4 grid reproduces the plane, also outside with
  // extrapolation; the grid stays as it was.
  double gx[3] = {0, 1, 3};
  double gy[4] = {0, 2, 3, 7};
  double g[12];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 3; ++j) g[i * 3 + j] = gx[j] + 10 * gy[i];
  }
  for (double x : {0.0, 0.5, 2.0, 3.0, 4.0}) {
    for (double y : {-1.0, 1.0, 2.5, 5.0, 8.0}) {
      EXPECT_NEAR(LInter2(3, 4, gx, gy, g, x, y, 1, 1), x + 10 * y, 1e-12)
          << x << "," << y;
    }
  }
  EXPECT_EQ(g[5], 3 + 20.0);
}

double Plane(int i, int j, int k) { return i + 2 * j + 4 * k; }

TEST(Interpolation, LInter3HoldsOrExtrapolatesPerAxis) {
  double xs[2] = {0, 1}, ys[2] = {0, 1}, zs[2] = {0, 1};
  double grid[8];
  for (int k = 0; k < 2; ++k) {
    for (int j = 0; j < 2; ++j) {
      for (int i = 0; i < 2; ++i) grid[i + 2 * j + 4 * k] = Plane(i, j, k);
    }
  }
  struct Row {
    double x, y, z;
    int low, high;
    double value;
  } rows[] = {
      {0.25, 0.5, 0.75, 0, 0, 0.25 + 1 + 3},
      {0.5, 0.5, 2, 0, 0, 5.5},  // z held at its top layer
      {0.5, 0.5, 2, 0, 1, 9.5},  // z extrapolated
      {-1, 0.5, 2, 0, 0, 9},     // x held; z extrapolated regardless
      {-1, 0.5, 2, 1, 0, 4},     // no low hold: z held at the top
      {-1, 0.5, 0.5, 1, 1, 2},   // both extrapolate
      {1, 1, 1, 0, 0, 7},        // the far corner itself
      {2, -1, 0.5, 1, 0, 1},     // x held above, y extrapolated below
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(
        LInter3(2, 2, 2, xs, ys, zs, grid, r.x, r.y, r.z, r.low, r.high),
        r.value, 1e-14)
        << r.x << "," << r.y << "," << r.z << " " << r.low << r.high;
  }
}

TEST(Interpolation, LInter3FindsTheCellOnEachAxis) {
  // F = x + 2y + 4z on uneven axes of 3, 4 and 2 points.
  double xs[3] = {0, 1, 4}, ys[4] = {-1, 0, 0.5, 2}, zs[2] = {1, 3};
  double grid[24];
  for (int k = 0; k < 2; ++k) {
    for (int j = 0; j < 4; ++j) {
      for (int i = 0; i < 3; ++i) {
        grid[i + 3 * j + 12 * k] = xs[i] + 2 * ys[j] + 4 * zs[k];
      }
    }
  }
  for (double x : {0.5, 1.0, 3.0}) {
    for (double y : {-0.5, 0.25, 1.0, 2.0}) {
      EXPECT_NEAR(LInter3(3, 4, 2, xs, ys, zs, grid, x, y, 2, 0, 0),
                  x + 2 * y + 8, 1e-12);
    }
  }
}

double Cubic(double x) { return ((x - 2) * x + 3) * x - 1; }  // x³-2x²+3x-1
double CubicSlope(double x) { return (3 * x - 4) * x + 3; }

TEST(Interpolation, CubicMeetsValuesAndDerivativesOfItsInterval) {
  // The cubic of each interval is the Hermite cubic, so a cubic table is
  // reproduced exactly (up to rounding) in every interval, and beyond the
  // ends when extrapolation is on.
  double xs[4] = {2.5, 0.5, 1, 4};
  double ys[4], ds[4];
  for (int i = 0; i < 4; ++i) {
    ys[i] = Cubic(xs[i]);
    ds[i] = CubicSlope(xs[i]);
  }
  for (double x : {0.5, 0.75, 1.0, 1.5, 2.5, 3.0, 3.9, 4.0, 5.0, 0.0}) {
    EXPECT_NEAR(CubInterPPD(4, xs, ys, ds, x, 1, 1), Cubic(x), 1e-12) << x;
  }
  EXPECT_EQ(xs[0], 0.5);  // sorted, values and derivatives along
  EXPECT_EQ(ys[0], Cubic(0.5));
  EXPECT_EQ(ds[3], CubicSlope(4));

  // Held ends: the end values, without the cubic.
  EXPECT_EQ(CubInterPPD(4, xs, ys, ds, 0, 0, 0), ys[0]);
  EXPECT_EQ(CubInterPPD(4, xs, ys, ds, 4, 0, 0), ys[3]);
  EXPECT_EQ(CubInterPPD(4, xs, ys, ds, 9, 0, 0), ys[3]);

  // A table that is not a cubic still meets both ends of an interval.
  double tx[2] = {10, 12};
  double ty[2] = {1, 5};
  double td[2] = {-3, 7};
  EXPECT_NEAR(CubInterPPD(2, tx, ty, td, 10, 0, 1), 1, 1e-14);
  EXPECT_NEAR(CubInterPPD(2, tx, ty, td, 12, 0, 1), 5, 1e-13);
  const double h = 1e-6;
  const double slope = (CubInterPPD(2, tx, ty, td, 12 - h, 0, 1) -
                        CubInterPPD(2, tx, ty, td, 12 - 2 * h, 0, 1)) /
                       h;
  EXPECT_NEAR(slope, 7, 1e-4);
}

}  // namespace
