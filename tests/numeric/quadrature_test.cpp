// Simpson's rule, the Gauss-Legendre rules and the adaptive integrators;
// the work of each integration is counted as well as its result.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <cmath>
#include <stdexcept>

namespace {

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
              std::sqrt(M_PI) / 2 * std::erf(3.0), 1e-10);
  EXPECT_LT(g_calls, 1000);
  EXPECT_EQ(GaussQv(0, 1, 5, nullptr, 1e-9), 0);
}

TEST(Quadrature, GaussSubdivisionEndsAtItsSafeguard) {
  // tol < 0 splits every piece; the piece budget ends the call with the
  // sum of the pieces' own estimates. Past the budget only the pieces
  // already begun are finished: at most one per level of halving a double
  // interval (2200 levels at most).
  g_calls = 0;
  EXPECT_NEAR(GaussQv(0, 1, 5, Square, -1), 1.0 / 3, 1e-12);
  EXPECT_LE(g_calls, 9L * ((1L << 20) + 2200));
  // A singular integrand: the piece at 0 is split 71 times before its
  // estimates agree, far below any fixed fraction of [0, 1] one might
  // have stopped at (2^-50 gave 1.9999999952791627).
  g_calls = 0;
  EXPECT_NEAR(GaussQv(0, 1, 5, InvSqrt, 1e-12), 1.9999999999965941, 1e-15);
  EXPECT_LE(g_calls, 9L * ((1L << 20) + 2200));
  // A divergent integral ends too; its estimate grows without bound as
  // the pieces at the pole shrink.
  g_calls = 0;
  EXPECT_GT(GaussQv(0, 1, 3, Pole, 1e-9), 30);
  EXPECT_LE(g_calls, 5L * ((1L << 20) + 2200));
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
  g_calls = 0;
  EXPECT_NEAR(GaussQv2(0, 1, 0, 1, 2, Product2, kCtx, -1), 0.25, 1e-9);
  EXPECT_LE(g_calls, 3L * 3 * ((1L << 20) + 200));
  g_calls = 0;
  EXPECT_NEAR(GaussQv3(0, 1, 0, 1, 0, 1, 2, One3, -1), 1, 1e-9);
  EXPECT_LE(g_calls, 3L * 3 * 3 * ((1L << 20) + 200));
}

TEST(Quadrature, TripleIntegral) {
  g_calls = 0;
  EXPECT_NEAR(GaussQv3(0, 1, 0, 1, 0, 1, 3, Product3, 1e-9), 0.125, 1e-15);
  EXPECT_EQ(g_calls, 125);
  EXPECT_NEAR(GaussQv3(0, 2, -1, 1, 1, 3, 4, One3, 1e-9), 8, 1e-13);
  EXPECT_EQ(GaussQv3(0, 1, 0, 1, 0, 1, 3, nullptr, 1e-9), 0);
}

}  // namespace
