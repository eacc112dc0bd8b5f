// Fixed-point acceleration, bisection, Span, the march along an axis and the
// roots of a cubic; every search is also bounded in its calls.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kCtx = 0xC0FFEE01u;

// What the callbacks saw: the abscissae of f, and the progress calls.
struct Log {
  std::vector<double> xs;
  std::vector<std::pair<DWORD, DWORD>> progress;
  int stops = 0;
  bool bad_ctx = false;
};
Log g_log;
double (*g_fn)(double) = nullptr;
int g_abandon_at = -1;  // progress answers true on this (1, 0) call

double Recorded(double x, DWORD ctx) {
  if (ctx != kCtx) g_log.bad_ctx = true;
  g_log.xs.push_back(x);
  return g_fn(x);
}
bool StopAtOnce(DWORD ctx) {
  if (ctx != kCtx) g_log.bad_ctx = true;
  ++g_log.stops;
  return true;
}
bool NeverStop(DWORD ctx) {
  if (ctx != kCtx) g_log.bad_ctx = true;
  ++g_log.stops;
  return false;
}
bool Progress(DWORD ctx, DWORD a, DWORD b) {
  if (ctx != kCtx) g_log.bad_ctx = true;
  g_log.progress.emplace_back(a, b);
  if (a == 1 && g_abandon_at >= 0) {
    int asked = 0;
    for (const auto& p : g_log.progress) asked += p.first == 1;
    return asked == g_abandon_at + 1;
  }
  return false;
}
void Reset(double (*fn)(double)) {
  g_log = Log{};
  g_fn = fn;
  g_abandon_at = -1;
}

TEST(Roots, SteffensenReachesTheFixedPointOfCosine) {
  Reset([](double x) { return std::cos(x); });
  const double x = AStef(1, Recorded, kCtx, 1e-4);
  EXPECT_NEAR(x, 0.7390851332151607, 1e-7);
  EXPECT_EQ(g_log.xs.size(), 6u);  // three steps of two calls
  EXPECT_FALSE(g_log.bad_ctx);

  Reset([](double x) { return x; });  // every point is fixed: d = 0 at once
  EXPECT_EQ(AStef(3.25, Recorded, kCtx, 1e-9), 3.25);
  EXPECT_EQ(g_log.xs.size(), 2u);

  Reset([](double) { return std::numeric_limits<double>::quiet_NaN(); });
  EXPECT_TRUE(std::isnan(AStef(1, Recorded, kCtx, 1e-9)));
  EXPECT_EQ(g_log.xs.size(), 2u);
}

TEST(Roots, FixedPointIterationStopsAtItsSafeguard) {
  // Near the fixed point the denominator is rounding noise, so steps never
  // drop below 1e-12: the safeguard ends it with the best point seen.
  Reset([](double x) { return std::cos(x); });
  const double x = AStef(1, Recorded, kCtx, 1e-12);
  EXPECT_NEAR(x, 0.7390851332151607, 1e-13);
  EXPECT_LE(g_log.xs.size(), 400u);
  // With tol = 0 it ends as well.
  Reset([](double x) { return std::cos(x); });
  EXPECT_NEAR(AStef(1, Recorded, kCtx, 0), 0.7390851332151607, 1e-13);
  EXPECT_LE(g_log.xs.size(), 400u);
}

TEST(Roots, BisectionProbesMidpoints) {
  Reset([](double x) { return x - 1; });
  EXPECT_EQ(HalfDiv(0, 4, Recorded, kCtx, 1e-9), 1);
  EXPECT_EQ(g_log.xs, (std::vector<double>{0, 2, 1}));  // exact zero at 1

  // No sign change: every step moves a, and the result ends next to b.
  Reset([](double x) { return x * x + 1; });
  const double r = HalfDiv(0, 1, Recorded, kCtx, 1e-6);
  EXPECT_GT(r, 1 - 1e-6);
  EXPECT_LT(r, 1);
  EXPECT_LE(g_log.xs.size(), 22u);
}

TEST(Roots, BisectionStopsWhereDoublesRunOut) {
  // A tolerance of 0 (or NaN) would never be met by the width.
  for (double tol : {0.0, -1.0}) {
    Reset([](double x) { return x * x - 2; });
    const double r = HalfDiv(1, 2, Recorded, kCtx, tol);
    EXPECT_NEAR(r, std::sqrt(2.0), 4e-16) << tol;
    EXPECT_LE(g_log.xs.size(), 60u);
  }
  Reset([](double x) { return x - 0.3; });
  const double r = HalfDiv(-1e300, 1e300, Recorded, kCtx, 0);
  EXPECT_NEAR(r, 0.3, 1e-16);
  EXPECT_LE(g_log.xs.size(), 2101u);
}

TEST(Roots, SpanReturnsAPointInsideTheBand) {
  Reset([](double x) { return x - 0.5; });
  int capped = -1;
  EXPECT_EQ(Span(0.5, 2, Recorded, kCtx, -1e-9, 1e-9, -1e-6, 1e-6, 1e-12,
                 &capped, NeverStop, kCtx),
            0.5);
  EXPECT_EQ(g_log.stops, 1);
  EXPECT_EQ(g_log.xs.size(), 2u);
  EXPECT_EQ(capped, 0);

  // A secant step on a line lands on the root.
  Reset([](double x) { return 2 * x - 3; });
  const double r = Span(0, 1, Recorded, kCtx, -1e-9, 1e-9, -1e-12, 1e-12, 1e-12,
                        nullptr, nullptr, 0);
  EXPECT_DOUBLE_EQ(r, 1.5);
  EXPECT_LE(g_log.xs.size(), 4u);

  // Bracketed: false position converges on a curved function.
  Reset([](double x) { return x * x * x - 2; });
  const double c = Span(0, 2, Recorded, kCtx, -1e-12, 1e-12, -1e-13, 1e-13,
                        1e-14, &capped, nullptr, 0);
  EXPECT_NEAR(c, std::cbrt(2.0), 1e-12);
  EXPECT_EQ(capped, 0);
  EXPECT_FALSE(g_log.bad_ctx);
}

TEST(Roots, SpanCapsAndStops) {
  Reset([](double x) { return x * x + 1; });
  int capped = 0;
  const double r = Span(0, 1, Recorded, kCtx, -1e-9, 1e-9, -1e-9, 1e-9, 1e-12,
                        &capped, NeverStop, kCtx);
  EXPECT_EQ(capped, 1);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g_log.stops, 150);
  EXPECT_EQ(g_log.xs.size(), 152u);

  Reset([](double x) { return x * x + 1; });
  capped = 5;
  EXPECT_EQ(Span(3, 4, Recorded, kCtx, -1e-9, 1e-9, -1e-9, 1e-9, 1e-12, &capped,
                 StopAtOnce, kCtx),
            0.0);
  EXPECT_EQ(g_log.xs, (std::vector<double>{3, 4}));
  EXPECT_EQ(capped, 0);

  // A negative tol runs no step: the end with the smaller |f| (ties: x2).
  Reset([](double x) { return x; });
  EXPECT_EQ(Span(-1, 2, Recorded, kCtx, 0, 0, 5, 6, -1, nullptr, nullptr, 0),
            -1);
  EXPECT_EQ(Span(-2, 2, Recorded, kCtx, 0, 0, 5, 6, -1, nullptr, nullptr, 0),
            2);
}

TEST(Roots, AxisMarchBracketsTheFirstSignChange) {
  Reset([](double x) { return x - 5; });
  double left = 0, right = 0;
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 100,
                                   Progress, kCtx, 0),
            0);
  EXPECT_EQ(g_log.xs, (std::vector<double>{0, 2, 4, 6}));
  EXPECT_EQ(left, 4);
  EXPECT_EQ(right, 6);
  using P = std::pair<DWORD, DWORD>;
  EXPECT_EQ(
      g_log.progress,
      (std::vector<P>{{0, 10}, {1, 0}, {1, 0}, {1, 0}, {0, 10}, {0, 10}}));
  EXPECT_FALSE(g_log.bad_ctx);

  Reset([](double x) { return x + 1; });
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 50,
                                   nullptr, 0, 0),
            1);
  EXPECT_EQ(g_log.xs, (std::vector<double>{0, 2, 4, 6, 8, 10, 12, 15, 18, 22.5,
                                           27, 33.75, 40.5, 51}));
  EXPECT_EQ(left, 50);
  EXPECT_EQ(right, 50);
}

TEST(Roots, AxisMarchOtherResults) {
  double left = 0, right = 0;
  Reset([](double x) { return x - 0.001; });  // |f(x0)| <= fTol
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 0.5, Recorded, kCtx, left, right, 10,
                                   nullptr, 0, 0.01),
            -3);
  EXPECT_EQ(g_log.xs.size(), 2u);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 1);

  // Levelled off far out: 1 - 1/x flattens long before its limit.
  Reset([](double x) { return -1 - 1 / (1 + x); });
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 1e300,
                                   nullptr, 0, -1),
            -1);
  EXPECT_EQ(right, 1e100);
  EXPECT_EQ(left, g_log.xs[g_log.xs.size() - 2]);

  // An exact zero at x0 with fTol < 0: the march back towards x0.
  Reset([](double x) { return x == 0 ? 0 : x - 3.5; });
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 100,
                                   nullptr, 0, -1),
            -2);
  Reset([](double x) { return x == 0 ? 0 : x - 1.5; });
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 100,
                                   nullptr, 0, -1),
            0);
  EXPECT_EQ(left, 1);
  EXPECT_EQ(right, 2);
}

TEST(Roots, AxisMarchAbandonedThrowsMinusTwo) {
  Reset([](double x) { return x - 5; });
  g_abandon_at = 0;
  double left = -7, right = -7;
  try {
    FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 100, Progress,
                           kCtx, 0);
    FAIL() << "no exception";
  } catch (int code) {
    EXPECT_EQ(code, -2);
  }
  EXPECT_EQ(g_log.xs.size(), 2u);  // x0 and one probe
  EXPECT_EQ(left, 0);
  EXPECT_EQ(right, -7);
}

TEST(Roots, AxisMarchWithoutALimitStopsAtItsSafeguard) {
  // limit and x0 + step make the search limit negative: no limit applies,
  // and a function without a sign change would be probed for ever.
  Reset([](double x) { return 1 + x * x; });
  double left = 0, right = 0;
  EXPECT_EQ(FindZeroFunctionOnAxis(-100, 1, Recorded, kCtx, left, right, -1e9,
                                   nullptr, 0, 0),
            1);
  EXPECT_LE(g_log.xs.size(), 100001u);
  EXPECT_EQ(left, right);
  EXPECT_EQ(right, g_log.xs.back());

  // A step that is not positive is refused without probing.
  for (double step : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
    Reset([](double x) { return x; });
    EXPECT_EQ(FindZeroFunctionOnAxis(3, step, Recorded, kCtx, left, right, 10,
                                     nullptr, 0, 0),
              1);
    EXPECT_TRUE(g_log.xs.empty());
    EXPECT_EQ(left, 3);
    EXPECT_EQ(right, 3);
  }
}

// A NaN value is no sign change, so the march steps over it; and a march
// with a positive limit always ends, so it is never cut short, however
// many probes it takes.
TEST(Roots, AxisMarchStepsOverNaNAndRunsToItsLimit) {
  Reset([](double x) {
    return x == 4 ? std::numeric_limits<double>::quiet_NaN() : x - 5;
  });
  double left = 0, right = 0;
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 100,
                                   nullptr, 0, 0),
            0);
  EXPECT_EQ(left, 2);
  EXPECT_EQ(right, 6);

  // Values alternate 1, 2 in a way that never changes h: 500000 probes of
  // width 2 up to the limit 1e6.
  Reset([](double x) { return std::fmod(x, 4) < 2 ? 1.0 : 2.0; });
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1, Recorded, kCtx, left, right, 1e6,
                                   nullptr, 0, 0),
            1);
  EXPECT_EQ(left, 1e6);
  EXPECT_EQ(right, 1e6);
  EXPECT_GT(g_log.xs.size(), 100001u);
}

// A probe that is not a finite number ends the march before f sees it: an
// infinite x0, or a step that overflows (x0 = -inf with step = DBL_MAX
// gives a NaN probe, which must stop the march).
TEST(Roots, AxisMarchEndsAtAProbeThatIsNotFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const double big = std::numeric_limits<double>::max();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    double x0, step, limit;
  } rows[] = {
      {-inf, big, 10}, {-inf, 1, 100}, {inf, 1, 100},
      {nan, 1, 100},   {0, big, 10},   {-inf, big, -1e300},
  };
  for (const Row& r : rows) {
    Reset([](double) { return 1.0; });
    double left = 7, right = 7;
    EXPECT_EQ(FindZeroFunctionOnAxis(r.x0, r.step, Recorded, kCtx, left, right,
                                     r.limit, nullptr, 0, -1),
              1)
        << r.x0 << " " << r.step;
    EXPECT_EQ(g_log.xs.size(), 1u) << r.x0 << " " << r.step;  // x0 only
    // Both outputs are the last probe made: x0.
    if (std::isnan(r.x0)) {
      EXPECT_TRUE(std::isnan(left) && std::isnan(right));
    } else {
      EXPECT_EQ(left, r.x0);
      EXPECT_EQ(right, r.x0);
    }
  }
}

long g_nan_calls = 0;
double CountedNaN(double, DWORD) {
  ++g_nan_calls;
  return std::numeric_limits<double>::quiet_NaN();
}

// A function that is NaN along the way never lets the step grow, so that
// x0 = 0, step 1e-9 towards the limit 100 would take 5e10 probes: every
// march ends after 2^27 probes.
TEST(Roots, AxisMarchWithALimitStopsAtItsProbeCap) {
  double left = 0, right = 0;
  g_nan_calls = 0;
  EXPECT_EQ(FindZeroFunctionOnAxis(0, 1e-9, CountedNaN, kCtx, left, right, 100,
                                   nullptr, 0, 0),
            1);
  EXPECT_EQ(g_nan_calls, (1L << 27) + 1);  // x0 and 2^27 probes of 2e-9
  EXPECT_EQ(left, right);
  EXPECT_NEAR(right, 2e-9 * (1L << 27), 1e-6);
}

TEST(Roots, CubicBranches) {
  struct Row {
    double a1, a2, a3;
    DWORD result;
    double x1, x2, x3;
  } rows[] = {
      {-6, 11, -6, 7, 1, 3, 2},               // (x-1)(x-2)(x-3)
      {-3, 3, -1, 7, 1, 1, 1},                // (x-1)³: double-root band
      {0, -3, 2, 7, -2, 1, 1},                // (x+2)(x-1)²
      {0, -3, 4, 1, -2.1958233454456, 0, 0},  // one root, Q > 0
  };
  for (const Row& r : rows) {
    double x1 = 9, x2 = 9, x3 = 9;
    EXPECT_EQ(GetRootOfCubEqv(r.a1, r.a2, r.a3, x1, x2, x3), r.result);
    EXPECT_NEAR(x1, r.x1, 1e-9) << r.a1 << " " << r.a2 << " " << r.a3;
    EXPECT_NEAR(x2, r.x2, 1e-9);
    EXPECT_NEAR(x3, r.x3, 1e-9);
  }
}

TEST(Roots, CubicWithOneRealRootAndNonPositiveQ) {
  // The hyperbolic cosine form needs Q > 0; these have Q <= 0 and one real
  // root each, checked by substitution.
  struct Row {
    double a1, a2, a3;
  } rows[] = {{0, 1, 1},  {0, 0, -1}, {0, 0, 8},
              {-3, 3, 1}, {1, 5, -2}, {0, 1e-6, 1}};
  for (const Row& r : rows) {
    double x1 = 9, x2 = 9, x3 = 9;
    EXPECT_EQ(GetRootOfCubEqv(r.a1, r.a2, r.a3, x1, x2, x3), 1u);
    const double p = ((x1 + r.a1) * x1 + r.a2) * x1 + r.a3;
    EXPECT_NEAR(p, 0, 1e-12) << r.a1 << " " << r.a2 << " " << r.a3;
    EXPECT_EQ(x2, 0);
    EXPECT_EQ(x3, 0);
  }
  double x1, x2, x3;
  GetRootOfCubEqv(0, 0, -1, x1, x2, x3);
  EXPECT_DOUBLE_EQ(x1, 1);
  GetRootOfCubEqv(0, 1, 1, x1, x2, x3);
  EXPECT_NEAR(x1, -0.6823278038280193, 1e-15);
}

}  // namespace
