// Simpson's rule, the Gauss-Legendre rules and the adaptive integrators;
// the work of each integration is counted as well as its result.
#include "numeric/quadrature.h"

#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "support/testing.h"

namespace {

using namespace matrix::testing;

constexpr DWORD kCtx = 0x5EED1234u;

long g_calls = 0;
bool g_bad_ctx = false;

double One(double) { return ++g_calls, 1.0; }
double Cube(double x) { return ++g_calls, x * x * x; }
double Pow7(double x) { return ++g_calls, std::pow(x, 7); }
double Square(double x) { return ++g_calls, x * x; }
double Gaussian(double x) { return ++g_calls, std::exp(-x * x); }
double InvSqrt(double x) { return ++g_calls, 1 / std::sqrt(x); }
double Pole(double x) { return ++g_calls, 1 / x; }
double InvSqrtAbs(double x) { return ++g_calls, 1 / std::sqrt(std::fabs(x)); }
double Product2(double x, double y, DWORD ctx) {
  if (ctx != kCtx) g_bad_ctx = true;
  return ++g_calls, x * y;
}
double Const2(double, double, DWORD ctx) {
  if (ctx != kCtx) g_bad_ctx = true;
  return ++g_calls, 1.0;
}
double MinusOne2(double, double, DWORD) { return ++g_calls, -1.0; }
double Product3(double x, double y, double z) { return ++g_calls, x * y * z; }
double One3(double, double, double) { return ++g_calls, 1.0; }
double Exp(double x) { return ++g_calls, std::exp(x); }
double Exp2(double x, double y, DWORD) { return ++g_calls, std::exp(x + y); }
// Even in every variable, so that a reversed interval symmetric about 0
// meets the same abscissae in the same order as the forward one.
double Bell2(double x, double y, DWORD) {
  return ++g_calls, std::exp(-(x * x + y * y));
}
double Bell3(double x, double y, double z) {
  return ++g_calls, std::exp(-(x * x + y * y + z * z));
}
// Values without any smoothness: no two estimates of a piece ever agree.
double Noise(double x) {
  ++g_calls;
  std::uint64_t u = Bits(x);
  u ^= u >> 33;
  u *= 0xff51afd7ed558ccdULL;
  u ^= u >> 33;
  return static_cast<double>(u >> 11) * 0x1p-53;
}

double Throws(double x) {
  if (++g_calls == 3) throw std::runtime_error("host");
  return x;
}

TEST(Quadrature, SimpsonIsExactForCubics) {
  struct Row {
    double a, b;
    int n;
    double (*f)(double);
    double value;
  } rows[] = {{0, 1, 2, One, 1},
              {0, 2, 2, Cube, 4},
              {0, 1, 4, Cube, 0.25},
              {-1, 1, 10, Square, 2.0 / 3}};
  for (const Row& r : rows) {
    g_calls = 0;
    EXPECT_NEAR(Simpson(r.a, r.b, r.n, r.f), r.value, 1e-15);
    EXPECT_EQ(g_calls, r.n + 1);
  }
}

TEST(Quadrature, SimpsonRefusesWithoutCallingTheIntegrand) {
  struct Row {
    double a, b;
    int n;
  } rows[] = {{1, 1, 2},  {1, 1 + 1e-17, 2}, {2, 1, 2}, {0, 1, 3},
              {0, 1, -3}, {0, 1, 0},         {0, 1, -2}};
  for (const Row& r : rows) {
    g_calls = 0;
    EXPECT_EQ(Simpson(r.a, r.b, r.n, Square), 0) << r.a << " " << r.n;
    EXPECT_EQ(g_calls, 0);
  }
  EXPECT_EQ(Simpson(0, 1, 2, nullptr), 0);
}

TEST(Quadrature, RulesIntegrateTheirPolynomialsExactly) {
  for (int n = 1; n <= 5; ++n) {
    CArray<SGaussWeight, const SGaussWeight&> rule;
    FillGaussWeights(n, rule);
    ASSERT_EQ(rule.GetSize(), n);
    for (int k = 0; k < 2 * n; ++k) {
      double sum = 0;
      for (int i = 0; i < n; ++i) sum += rule[i].w * std::pow(rule[i].x, k);
      const double exact = k % 2 == 0 ? 2.0 / (k + 1) : 0.0;
      EXPECT_NEAR(sum, exact, 1e-15) << n << " points, degree " << k;
    }
  }
  CArray<SGaussWeight, const SGaussWeight&> four, six, none;
  FillGaussWeights(4, four);  // inner node first
  EXPECT_NEAR(four[0].x, -0.3399810436, 1e-10);
  EXPECT_NEAR(four[1].x, -0.8611363116, 1e-10);
  FillGaussWeights(6, six);
  double sum = 0;
  for (int i = 0; i < 6; ++i) sum += six[i].w;
  EXPECT_NEAR(sum, 2.0000002, 1e-15);
  EXPECT_EQ(six[0].x, -0.93247);
  for (int n : {0, 7, -1}) FillGaussWeights(n, none);
  EXPECT_EQ(none.GetSize(), 0);
  FillGaussWeights(2, six);  // appends
  EXPECT_EQ(six.GetSize(), 8);
}

TEST(Quadrature, GaussSubdividesUntilTheTwoRulesAgree) {
  struct Row {
    double a, b;
    int n;
    double (*f)(double);
    double tol, value, value_tol;
    long calls;
  } rows[] = {
      // Both rules exact for degree 7: one step of 5 + 4 calls.
      {0, 1, 5, Pow7, 1e-12, 0.125, 1e-15, 9},
      // The 6-point weights sum to 2.0000002: the excess is never lost;
      // pieces of width w disagree by w·1e-7.
      {0, 1, 6, One, 1.1e-7, 1.0000001, 1e-15, 11},
      {0, 1, 6, One, 1e-7, 1.0000001, 1e-15, 3 * 11},
      {0, 1, 6, One, 1e-9, 1.0000001, 1e-15, 255 * 11},
      // Empty sums.
      {0, 1, 0, One, 1e-9, 0, 0, 0},
      {0, 1, 8, One, 1e-9, 0, 0, 0},
  };
  for (const Row& r : rows) {
    g_calls = 0;
    EXPECT_NEAR(GaussQv(r.a, r.b, r.n, r.f, r.tol), r.value, r.value_tol)
        << r.n << " " << r.tol;
    EXPECT_EQ(g_calls, r.calls) << r.n << " " << r.tol;
  }
  g_calls = 0;
  EXPECT_NEAR(GaussQv(0, 3, 5, Gaussian, 1e-10),
              std::sqrt(kPi) / 2 * std::erf(3.0), 1e-10);
  EXPECT_LT(g_calls, 1000);
  EXPECT_EQ(GaussQv(0, 1, 5, nullptr, 1e-9), 0);
}

TEST(Quadrature, GaussSubdivisionEndsAtItsSafeguard) {
  // tol < 0 asks for more than any piece can give; pieces whose two
  // estimates agree to rounding are not split. Both rules are exact for x²,
  // so the first step already ends.
  g_calls = 0;
  EXPECT_NEAR(GaussQv(0, 1, 5, Square, -1), 1.0 / 3, 1e-15);
  EXPECT_EQ(g_calls, 9);
  // Tolerances at and below the rounding of the result end too.
  for (double tol : {0.0, 1e-300, -1.0}) {
    g_calls = 0;
    EXPECT_NEAR(GaussQv(0, 3, 5, Gaussian, tol),
                std::sqrt(kPi) / 2 * std::erf(3.0), 1e-15)
        << tol;
    EXPECT_LT(g_calls, 20000) << tol;
  }
  // A singular integrand: the piece at 0 is split 71 times before its
  // estimates agree, far below any fixed fraction of [0, 1] one might
  // have stopped at (2^-50 gave 1.9999999952791627).
  g_calls = 0;
  EXPECT_NEAR(GaussQv(0, 1, 5, InvSqrt, 1e-12), 1.9999999999965941, 1e-15);
  EXPECT_LE(g_calls, 9L * 2200);
  // An infinite value at a node (the 3-point rule's middle node meets the
  // singularity at 0) does not end the piece: it is split like any other.
  g_calls = 0;
  EXPECT_NEAR(GaussQv(-1, 1, 3, InvSqrtAbs, 1e-10), 4, 1e-6);
  EXPECT_LE(g_calls, 5L * 2 * 2200);
  // A divergent integral ends where the pieces at the pole cannot be
  // halved any more (about 1075 levels, each piece [w/2, w] on the way
  // costing the same, since 1/x looks alike at every scale); its estimate
  // grows without bound as the pieces shrink.
  g_calls = 0;
  EXPECT_GT(GaussQv(0, 1, 3, Pole, 1e-9), 30);
  EXPECT_LE(g_calls, 300000);
}

// An integrand that never settles is stopped by the call budget; the pieces
// begun by then are finished, at most one per level of halving (about 55
// levels on [1, 2] before a midpoint falls on a piece's end).
TEST(Quadrature, GaussSubdivisionOfAnUnsettledIntegrandEndsAtTheCallBudget) {
  for (long long budget : {1000LL, 100000LL}) {
    g_calls = 0;
    const double v =
        matrix::detail::GaussQvWithBackstop(1, 2, 5, Noise, -1, budget);
    EXPECT_GE(g_calls, budget);
    EXPECT_LE(g_calls, budget + 9 * 60);
    EXPECT_GT(v, 0.3);  // the mean of values spread evenly over [0, 1)
    EXPECT_LT(v, 0.7);
  }
}

// Reversed limits (b < a) pass the midpoint test as forward ones do, so a
// reversed integral is refined to the tolerance, not left at its first
// step's estimate.
TEST(Quadrature, GaussSubdividesReversedLimitsAsForwardOnes) {
  // Mirror images: an even integrand over [-2, 2] meets the same abscissae
  // in the same order either way, and the weights of every rule are
  // symmetric; so the results are exact negatives, from the same calls.
  struct Row {
    double a, b;
    int n;
    double (*f)(double);
    double tol;
  } rows[] = {{-2, 2, 5, Gaussian, 1e-12},
              {-2, 2, 3, Gaussian, 1e-10},
              {0, 1, 6, One, 1e-9},
              {-1, 1, 2, Square, 1e-12}};
  for (const Row& r : rows) {
    g_calls = 0;
    const double forward = GaussQv(r.a, r.b, r.n, r.f, r.tol);
    const long forward_calls = g_calls;
    g_calls = 0;
    const double reversed = GaussQv(r.b, r.a, r.n, r.f, r.tol);
    EXPECT_EQ(Bits(reversed), Bits(-forward)) << r.n << " " << r.tol;
    EXPECT_EQ(g_calls, forward_calls) << r.n << " " << r.tol;
    EXPECT_GT(forward_calls, 2 * r.n - 1) << "the case must subdivide";
  }
  EXPECT_NEAR(GaussQv(2, -2, 5, Gaussian, 1e-12),
              -std::sqrt(kPi) * std::erf(2.0), 4e-15);
  // Not mirror images: within the tolerance of minus the forward result.
  g_calls = 0;
  EXPECT_NEAR(GaussQv(1, 0, 4, Exp, 1e-12), -(M_E - 1), 1e-15);
  EXPECT_GT(g_calls, 7);
  EXPECT_NEAR(GaussQv(3, 0, 5, Gaussian, 1e-10),
              -std::sqrt(kPi) / 2 * std::erf(3.0), 1e-10);
}

TEST(Quadrature, IntegrandExceptionsPassThrough) {
  g_calls = 0;
  EXPECT_THROW(GaussQv(0, 1, 5, Throws, 1e-9), std::runtime_error);
  EXPECT_EQ(g_calls, 3);
}

TEST(Quadrature, DoubleIntegralPassesTheContext) {
  g_calls = 0;
  g_bad_ctx = false;
  EXPECT_NEAR(GaussQv2(0, 1, 0, 1, 3, Product2, kCtx, 1e-9), 0.25, 1e-15);
  EXPECT_EQ(g_calls, 25);  // one outer step, one inner step per node
  EXPECT_FALSE(g_bad_ctx);

  // A result below tol is recomputed with tol 0.8; 1 is above that.
  g_calls = 0;
  EXPECT_NEAR(GaussQv2(0, 1, 0, 1, 3, Const2, kCtx, 2), 1, 1e-15);
  EXPECT_EQ(g_calls, 50);
  EXPECT_FALSE(g_bad_ctx);
  EXPECT_EQ(GaussQv2(0, 1, 0, 1, 3, nullptr, kCtx, 1e-9), 0);
}

TEST(Quadrature, DoubleIntegralRefinementEndsForResultsNotPositive) {
  // The refinement scales tol by the result; for -1 and 0 that would give
  // a tolerance no piece can meet. One pass, and the integral itself.
  g_calls = 0;
  EXPECT_NEAR(GaussQv2(0, 1, 0, 1, 3, MinusOne2, 0, 0.5), -1, 1e-15);
  EXPECT_EQ(g_calls, 25);
  g_calls = 0;
  EXPECT_EQ(GaussQv2(-1, 1, -1, 1, 3, Product2, kCtx, 0.5), 0);
  EXPECT_EQ(g_calls, 25);
}

TEST(Quadrature, NestedSubdivisionEndsAtItsSafeguard) {
  // With tol < 0 only the agreement to rounding ends the pieces; the rules
  // are exact here, so few pieces are needed.
  g_calls = 0;
  EXPECT_NEAR(GaussQv2(0, 1, 0, 1, 2, Product2, kCtx, -1), 0.25, 1e-15);
  EXPECT_LE(g_calls, 1000);
  g_calls = 0;
  EXPECT_NEAR(GaussQv3(0, 1, 0, 1, 0, 1, 2, One3, -1), 1, 1e-15);
  EXPECT_LE(g_calls, 1000);
}

// Reversed limits at any level of a nested integral are halved as forward
// ones. With an even integrand over a box symmetric about 0 the results are
// exact negatives (or the same, for two reversals), from the same calls.
TEST(Quadrature, NestedIntegralsSubdivideReversedLimitsAtEveryLevel) {
  struct Row2 {
    double x1, x2, y1, y2, sign;
  } rows2[] = {{1.5, -1.5, -1.5, 1.5, -1},
               {-1.5, 1.5, 1.5, -1.5, -1},
               {1.5, -1.5, 1.5, -1.5, 1}};
  g_calls = 0;
  const double forward2 = GaussQv2(-1.5, 1.5, -1.5, 1.5, 5, Bell2, 0, 1e-10);
  const long calls2 = g_calls;
  EXPECT_NEAR(forward2, kPi * std::pow(std::erf(1.5), 2), 1e-12);
  EXPECT_GT(calls2, 81) << "the case must subdivide";
  for (const Row2& r : rows2) {
    g_calls = 0;
    const double v = GaussQv2(r.x1, r.x2, r.y1, r.y2, 5, Bell2, 0, 1e-10);
    EXPECT_EQ(Bits(v), Bits(r.sign * forward2)) << r.x1 << " " << r.y1;
    EXPECT_EQ(g_calls, calls2) << r.x1 << " " << r.y1;
  }
  // Not mirror images: within the tolerance.
  EXPECT_NEAR(GaussQv2(1, 0, 0, 1, 3, Exp2, 0, 1e-12), -(M_E - 1) * (M_E - 1),
              1e-11);
  EXPECT_NEAR(GaussQv2(0, 1, 1, 0, 3, Exp2, 0, 1e-12), -(M_E - 1) * (M_E - 1),
              1e-11);

  struct Row3 {
    double x1, x2, y1, y2, z1, z2, sign;
  } rows3[] = {{1, -1, -1, 1, -1, 1, -1},
               {-1, 1, 1, -1, -1, 1, -1},
               {-1, 1, -1, 1, 1, -1, -1},
               {1, -1, 1, -1, 1, -1, -1}};
  g_calls = 0;
  const double forward3 = GaussQv3(-1, 1, -1, 1, -1, 1, 5, Bell3, 1e-6);
  const long calls3 = g_calls;
  EXPECT_NEAR(forward3, std::pow(std::sqrt(kPi) * std::erf(1.0), 3), 1e-6);
  EXPECT_GT(calls3, 729) << "the case must subdivide";
  for (const Row3& r : rows3) {
    g_calls = 0;
    const double v =
        GaussQv3(r.x1, r.x2, r.y1, r.y2, r.z1, r.z2, 5, Bell3, 1e-6);
    EXPECT_EQ(Bits(v), Bits(r.sign * forward3))
        << r.x1 << " " << r.y1 << " " << r.z1;
    EXPECT_EQ(g_calls, calls3) << r.x1 << " " << r.y1 << " " << r.z1;
  }
}

// An ordinary request is met, not cut short by the backstop and returned
// as if it were the integral (a bound of 2^20 pieces per pass stops it at
// 2.95183). It needs about 10^8 calls:
// about a second in an optimised build, but tens of seconds under the
// sanitizers, whose run the smaller cases above already cover.
TEST(Quadrature, DemandingToleranceIsMetNotCutShort) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "10^8 integrand calls: run in the optimised builds only";
#endif
  g_calls = 0;
  const double v = GaussQv2(0, 1, 0, 1, 2, Exp2, 0, 1e-10);
  EXPECT_NEAR(v, (M_E - 1) * (M_E - 1), 1e-9);
  EXPECT_GT(g_calls, 3L << 20);
}

TEST(Quadrature, TripleIntegral) {
  g_calls = 0;
  EXPECT_NEAR(GaussQv3(0, 1, 0, 1, 0, 1, 3, Product3, 1e-9), 0.125, 1e-15);
  EXPECT_EQ(g_calls, 125);
  EXPECT_NEAR(GaussQv3(0, 2, -1, 1, 1, 3, 4, One3, 1e-9), 8, 1e-13);
  EXPECT_EQ(GaussQv3(0, 1, 0, 1, 0, 1, 3, nullptr, 1e-9), 0);
}

}  // namespace
