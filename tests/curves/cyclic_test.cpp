// The cyclic strength curves: table points, log-linear reading between and
// beyond them, and the repeated 1000000 of CurveCyclys_2a.
#include <gtest/gtest.h>
#include <matrix/curves.h>

#include <cmath>

#include "support/testing.h"

namespace {

using namespace matrix::testing;

// Closeness is relative (Near): the log/exp round trip costs a few ulps per
// digit of the logarithm, so table points are met to about 1e-13.
using Curve2 = double (*)(double, double);
using Curve1 = double (*)(double);

TEST(CyclicCurves, ReproduceTheirTablePoints) {
  struct Row {
    Curve2 curve;
    double a, T, cycles;
  } rows[] = {
      {CurveCyclys51CS, 20000, 20, 20000},
      {CurveCyclys51CS, 5000, 500, 5000},
      {CurveCyclys51CS, 2000, 20, 1e6},
      {CurveCyclys51CS, 100000, 20, 240},
      {CurveCyclys51CS, 2000, 500, 100000},
      {CurveCyclys51CS, 100000, 500, 1e-6},
      {CurveCyclys51CS, 60000, 400, 1e-6},
      {CurveCyclys51CS, 30000, 450, 110},
      {CurveCyclys51CS, 8000, 350, 500000},
      {CurveCyclys51CS, 7000, 470, 4000},
      {CurveCyclys51LS, 20000, 20, 15000},
      {CurveCyclys51LS, 60000, 565, 1e-100},
      {CurveCyclys51LS, 20000, 585, 4900},
      {CurveCyclys51LS, 10000, 585, 3000},
      {CurveCyclys51LS, 4000, 585, 78000},
      {CurveCyclys51LS, 100000, 20, 200},
      {CurveCyclys51LS, 6000, 500, 900000},
      {CurveCyclys51LS, 50000, 520, 100},
      {CurveCyclys51LS, 40000, 540, 160},
      {CurveCyclys51AS, 20000, 20, 18000},
      {CurveCyclys51AS, 3000, 700, 80000},
      {CurveCyclys51AS, 100000, 450, 170},
      {CurveCyclys51AS, 60000, 650, 120},
      {CurveCyclys51AS, 8000, 600, 80000},
      {CurveCyclys51AS, 60000, 700, 1e-6},
      {CurveCyclys51AS, 3000, 20, 1e6},
  };
  for (const Row& r : rows) {
    EXPECT_TRUE(Near(r.curve(r.a, r.T), r.cycles, 1e-12))
        << "a=" << r.a << " T=" << r.T;
  }
}

TEST(CyclicCurves, InterpolateLinearlyInLogarithms) {
  // Expected values from N = N0·(N1/N0)^(ln(v/v0)/ln(v1/v0)) along one
  // axis, and from the geometric mean of four cells at a cell's log centre.
  struct Row {
    Curve2 curve;
    double a, T, cycles, rel;
  } rows[] = {
      {CurveCyclys51CS, 15000, 20, 59802.055189953826, 1e-12},
      {CurveCyclys51CS, 20000, 425, 1800, 1e-12},  // both rows hold 1800
      {CurveCyclys51CS, 14142.13562373095, 374.16573867739413,
       12903.226073588701, 1e-9},
      {CurveCyclys51AS, 34641.016151377546, 624.4997998398399,
       541.6899620838697, 1e-9},
      // Halfway (in logs) between the 1e-6 and 1e-100 cells of row 565.
      {CurveCyclys51LS, 54772.25575051661, 565, 1e-53, 1e-9},
  };
  for (const Row& r : rows) {
    EXPECT_TRUE(Near(r.curve(r.a, r.T), r.cycles, r.rel))
        << "a=" << r.a << " T=" << r.T;
  }
}

TEST(CyclicCurves, ExtrapolatePastBothEndsOfBothAxes) {
  // Below the first amplitude the first interval (flat at 1e6) continues.
  EXPECT_TRUE(Near(CurveCyclys51CS(1000, 20), 1e6, 1e-12));
  // Above the last temperature: rows 470 (200) and 500 (10) continued.
  EXPECT_TRUE(Near(CurveCyclys51CS(20000, 600), 0.0014668837317535306, 1e-9));
  // LS past 585 continues the rise from 600 to 4900 as the table has it.
  EXPECT_TRUE(Near(CurveCyclys51LS(20000, 600), 22594.081996544563, 1e-9));
  // Below the first temperature the 20-350 rows continue: more cycles.
  EXPECT_GT(CurveCyclys51CS(20000, 10), 20000);
}

TEST(AmplitudeCurves, ReproduceAndExtendTheirTables) {
  struct Row {
    Curve1 curve;
    double N, amplitude, rel;
  } rows[] = {
      {CurveCyclys_1, 2000, 30000, 1e-12},
      {CurveCyclys_1, 100000, 10000, 1e-12},
      {CurveCyclys_1, 150, 80000, 1e-12},
      {CurveCyclys_1, 1e6, 5598.482997319108, 1e-9},
      {CurveCyclys_1, 100, 94661.73557954193, 1e-9},
      {CurveCyclys_1, 5000, 22301.049984994086, 1e-9},
      {CurveCyclys_1a, 400000, 10000, 1e-12},
      {CurveCyclys_1a, 180, 80000, 1e-12},
      {CurveCyclys_1a, 1000, 45041.92649607301, 1e-9},
      {CurveCyclys_2, 36000, 20000, 1e-12},
      {CurveCyclys_2, 1e6, 9473.85586179772, 1e-9},
      {CurveCyclys_2a, 150000, 20000, 1e-12},
      {CurveCyclys_2a, 700, 80000, 1e-12},
      {CurveCyclys_2a, 999999, 10000.003653683792, 1e-9},
      {CurveCyclys_2a, 100, 384341.9435952389, 1e-9},
  };
  for (const Row& r : rows) {
    EXPECT_TRUE(Near(r.curve(r.N), r.amplitude, r.rel)) << "N=" << r.N;
  }
}

TEST(AmplitudeCurves, RepeatedMillionGivesAFiniteContinuousAmplitude) {
  // The table lists 1000000 cycles for both 10000 and 15000; a look-up past
  // it would divide by the zero width between them (infinity above 1e6,
  // NaN at 1e6). The curve instead runs on along its segment into
  // (1000000, 10000).
  EXPECT_TRUE(Near(CurveCyclys_2a(1e6), 10000, 1e-12));
  EXPECT_TRUE(Near(CurveCyclys_2a(1e7), 4311.534547517372, 1e-9));
  const double below = CurveCyclys_2a(std::nextafter(1e6, 0.0));
  const double at = CurveCyclys_2a(1e6);
  const double above = CurveCyclys_2a(std::nextafter(1e6, 2e6));
  EXPECT_TRUE(Near(below, at, 1e-14));
  EXPECT_TRUE(Near(above, at, 1e-14));
  EXPECT_GE(below, at);
  EXPECT_GE(at, above);
  for (double N : {1e6, 1.5e6, 1e8, 1e12, 1e300}) {
    const double v = CurveCyclys_2a(N);
    EXPECT_TRUE(std::isfinite(v)) << N;
    EXPECT_GT(v, 0.0) << N;
  }
}

TEST(CyclicCurves, NonPositiveArgumentsFollowTheirLogarithms) {
  // ln 0 = −∞ extrapolates the first interval without end: the falling
  // amplitude curve goes to +∞; a negative argument has no logarithm.
  EXPECT_EQ(CurveCyclys_1(0), kInf);
  EXPECT_TRUE(std::isnan(CurveCyclys_1(-1)));
  EXPECT_TRUE(std::isnan(CurveCyclys51CS(-5000, 20)));
  EXPECT_TRUE(std::isnan(CurveCyclys51AS(5000, -20)));
  // a = 0 on the flat first interval multiplies a zero slope by −∞.
  EXPECT_TRUE(std::isnan(CurveCyclys51CS(0, 20)));
}

TEST(CyclicCurves, RepeatedCallsAgree) {
  // The look-ups sort their work arrays; nothing carries over between calls.
  const double first = CurveCyclys_2(5000);
  const double cs = CurveCyclys51CS(12345, 432);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(CurveCyclys_2(5000), first);
    EXPECT_EQ(CurveCyclys51CS(12345, 432), cs);
  }
}

}  // namespace
