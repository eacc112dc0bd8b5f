// TorWeight, Equal3d and GetTotalAproxLogFunc.
#include <gtest/gtest.h>
#include <matrix/curves.h>

#include <cmath>

#include "support/testing.h"

namespace {

using namespace matrix::testing;

double Cubic(double x, double c3, double c2, double c1, double c0) {
  return c3 * x * x * x + c2 * x * x + c1 * x + c0;
}

TEST(TorWeight, IsHalfPiSquaredTimesTheRingAreaTimesBothFactors) {
  // (π²/2)·(10² − 8²)·1·2 = 36π².
  EXPECT_DOUBLE_EQ(TorWeight(2, 10, 8, 1), 355.3057584392169);
  EXPECT_EQ(TorWeight(0, 10, 8, 1), 0.0);
  EXPECT_EQ(TorWeight(1, 5, 5, 7), 0.0);
  EXPECT_LT(TorWeight(1, 8, 10, 1), 0.0);  // diameters swapped: no check
  // π²/2 · (0.5² − 0.4²) · 7850 · 1.5 for a steel ring of radius 1.5.
  EXPECT_NEAR(TorWeight(1.5, 0.5, 0.4, 7850), 5229.65663, 1e-4);
}

TEST(Equal3d, DocumentedRuns) {
  struct Row {
    double a, b, c3, c2, c1, c0, root;
  } rows[] = {
      // [−10, 0] has no sign change for x³ − 8; the window moves to
      // [0, 10], whose bisection ends at 2.001953125.
      {0, 0, 1, 0, 0, -8, 2.001953125},
      // Roots 1, 2, 3: the bracket [−10, 0] walks right to [0, 10] ...
      {0, 0, 1, -6, 11, -6, 2.998046875},
      // p(1) = 0 and the interval has zero width.
      {1, 1, 1, 0, 0, -1, 1},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Equal3d(r.a, r.b, r.c3, r.c2, r.c1, r.c0), r.root);
  }
}

TEST(Equal3d, ResultIsWithinTheBracketWidthOfARoot) {
  struct Row {
    double a, b, c3, c2, c1, c0, root;
  } rows[] = {
      {0, 0, 1, 0, 0, 1000, -10},      // root at the start window's end
      {0, 0, 2, 0, 0, -2 * 125, 5},    // 2x³ = 250
      {100, 0, 1, 0, 0, -27, 3},       // a given, b = a + 10; walks left
      {-50, -40, 1, 0, 0, 27e3, -30},  // starts right of the root
      {0, 0, 1, 0, 0, -1e15, 1e5},     // ten thousand windows to the right
      {0, 0, 0, 0, 3, -12, 4},         // a rising line
      {0, 0, 0, 1, 0, -4, -2},         // parabola bracketed at once
  };
  for (const Row& r : rows) {
    const double x = Equal3d(r.a, r.b, r.c3, r.c2, r.c1, r.c0);
    EXPECT_NEAR(x, r.root, 0.01) << r.c3 << " " << r.c0;
  }
}

TEST(Equal3d, FallingCubicStillFindsItsRoot) {
  // −x³ + 8 from (0, 0): the values are positive on the left, so the walk to
  // the left while positive runs out of doubles; walked the other way round
  // it finds the root 2.
  EXPECT_NEAR(Equal3d(0, 0, -1, 0, 0, 8), 2.0, 0.01);
  // A falling line, and quadratics walked away from their roots at first.
  EXPECT_NEAR(Equal3d(0, 0, 0, 0, -2, 7), 3.5, 0.01);
  EXPECT_NEAR(Equal3d(20, 30, 0, -1, 0, 4), 2.0, 0.01);
  EXPECT_NEAR(Equal3d(-30, -20, 0, 1, 0, -4), -2.0, 0.01);
  // Every root found is a root: p changes sign within 0.01 of it.
  struct Row {
    double a, b, c3, c2, c1, c0;
  } rows[] = {
      {0, 0, -1, 0, 0, 8},      {0, 0, -1, 6, -11, 6}, {30, 35, -1, 0, 1, -5},
      {-7, 0, -2, -3, 40, -11}, {0, 0, 0, 0, -4, 100},
  };
  for (const Row& r : rows) {
    const double x = Equal3d(r.a, r.b, r.c3, r.c2, r.c1, r.c0);
    EXPECT_LE(Cubic(x - 0.01, r.c3, r.c2, r.c1, r.c0) *
                  Cubic(x + 0.01, r.c3, r.c2, r.c1, r.c0),
              0.0)
        << x;
  }
}

// The bound changes nothing where the walk as such ends: a falling cubic
// whose walk reaches a root keeps that root, however near another one is.
TEST(Equal3d, FallingCubicKeepsTheRootItsWalkReaches) {
  // Roots −30, −5 and 50; the walk from [−20, −10] goes right to −5.
  EXPECT_EQ(Equal3d(-20, -10, -1, 15, 1600, 7500), -5.009765625);
  // Nearly the line x − 5: the first window move to the right finds 5.
  EXPECT_EQ(Equal3d(0, 0, -1e-12, 0, 1, -5), 5.009765625);
}

TEST(Equal3d, RemoteRootIsReachedOnceTheWindowsWiden) {
  // x³ = 1e24 has its root at 1e8, beyond what 100000 windows of 10 reach.
  const double x = Equal3d(0, 0, 1, 0, 0, -1e24);
  EXPECT_NEAR(x, 1e8, 0.01);
  // x = 1e17: neighbouring doubles there are 16 apart, so the bracket cannot
  // shrink below 0.01; the bisection stops at the closest doubles.
  const double far = Equal3d(1e17 - 1e3, 1e17 + 1e3, 0, 0, 1, -1e17);
  EXPECT_NEAR(far, 1e17, 16.0);
}

TEST(Equal3d, WithoutARootItEndsWithNaN) {
  // x² + 1 and a non-zero constant never change sign; the walk ends when
  // its window leaves the doubles.
  EXPECT_TRUE(std::isnan(Equal3d(0, 0, 0, 1, 0, 1)));
  EXPECT_TRUE(std::isnan(Equal3d(0, 0, 0, 0, 0, 5)));
  EXPECT_TRUE(std::isnan(Equal3d(0, 0, 0, -1, 0, -1)));
  // x² − 4 from (5, 6): the windows step over both roots (documented).
  EXPECT_TRUE(std::isnan(Equal3d(5, 6, 0, 1, 0, -4)));
}

TEST(Equal3d, NonFiniteStartEndsWithNaN) {
  EXPECT_TRUE(std::isnan(Equal3d(kNaN, 1, 1, 0, 0, -8)));
  EXPECT_TRUE(std::isnan(Equal3d(0, kNaN, 1, 0, 0, -8)));
  EXPECT_TRUE(std::isnan(Equal3d(-kInf, 0, 1, 0, 0, -8)));
  EXPECT_TRUE(std::isnan(Equal3d(0, kInf, 1, 0, 0, -8)));
  // Ends whose sum overflows: the midpoint is taken from the halves.
  EXPECT_NEAR(Equal3d(-1.7e308, 1.7e308, 1, 0, 0, -8), 2.0, 0.01);
  const double big = Equal3d(1e308, 1.7e308, 0, 0, 1, -1.5e308);
  EXPECT_NEAR(big / 1.5e308, 1.0, 1e-15);
}

TEST(GetTotalAproxLogFunc, SumsThePowersOfTheDecimalLogarithm) {
  struct Row {
    double x, k[10], value;
  } rows[] = {
      {100, {1, 2, 3, 0, 0, 0, 0, 0, 0, 0}, 17},  // 1 + 2·2 + 3·4
      {1000, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 19683},
      {0, {5, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 5},  // log10(0) = −∞, no terms
      {10, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 10},
      {0.1, {0, 1, 1, 1, 1, 1, 1, 1, 1, 1}, -1},  // −1 + 1 − 1 ... − 1
      {1, {7, 3, 3, 3, 3, 3, 3, 3, 3, 3}, 7},
      {100, {0, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 256},
      {100, {0, 0, 0, 0, 0, 0, 0, 1, 0, 0}, 128},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(GetTotalAproxLogFunc(r.x, r.k[0], r.k[1], r.k[2], r.k[3], r.k[4],
                                   r.k[5], r.k[6], r.k[7], r.k[8], r.k[9]),
              r.value)
        << r.x;
  }
}

TEST(GetTotalAproxLogFunc, EdgeArguments) {
  // x = 0 with an odd power: −∞; with an even one: +∞.
  EXPECT_EQ(GetTotalAproxLogFunc(0, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0), -kInf);
  EXPECT_EQ(GetTotalAproxLogFunc(0, 1, 0, 2, 0, 0, 0, 0, 0, 0, 0), kInf);
  // No non-zero power: only k0 counts for an infinite logarithm.
  EXPECT_EQ(GetTotalAproxLogFunc(kInf, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0), 2);
  EXPECT_NEAR(GetTotalAproxLogFunc(2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0),
              0.30102999566398120, 1e-16);
}

// A NaN coefficient makes every value NaN, and a NaN product of window
// values is no sign change: no "root" such as -9.99 is bisected out of it.
TEST(Equal3d, NaNCoefficientsHaveNoRoot) {
  const double rows[][6] = {
      {0, 0, kNaN, 1, 1, 1},
      {0, 0, 1, kNaN, 0, -8},
      {0, 0, 1, 0, 0, kNaN},
      {-5, 5, 1, -6, 11, kNaN},
  };
  for (const auto& r : rows) {
    EXPECT_TRUE(std::isnan(Equal3d(r[0], r[1], r[2], r[3], r[4], r[5])))
        << r[2] << " " << r[3] << " " << r[4] << " " << r[5];
  }
}

// A negative or NaN x has no decimal logarithm, so the sum has no value even
// when every power's coefficient is zero (NaN, not k0).
TEST(GetTotalAproxLogFunc, NoLogarithmGivesNaNWhateverTheCoefficients) {
  const double xs[] = {-1, -1e-300, -kInf, kNaN};
  for (double x : xs) {
    EXPECT_TRUE(
        std::isnan(GetTotalAproxLogFunc(x, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0)))
        << x;
    EXPECT_TRUE(
        std::isnan(GetTotalAproxLogFunc(x, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0)))
        << x;
  }
  // Minus zero is zero: r = -inf and only k0 counts.
  EXPECT_EQ(GetTotalAproxLogFunc(-0.0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0), 5);
}

}  // namespace
