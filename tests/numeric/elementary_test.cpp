// Hyperbolic functions, the tolerant arc cosine and second moments of area.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/testing.h"

namespace {

using namespace matrix::testing;

TEST(Elementary, HyperbolicValues) {
  EXPECT_EQ(ch(0), 1);
  EXPECT_EQ(sh(0), 0);
  EXPECT_EQ(th(0), 0);
  EXPECT_NEAR(th(1), 0.7615941559557649, 1e-16);
  EXPECT_NEAR(cth(1), 1.3130352854993312, 1e-15);
  EXPECT_NEAR(ch(2), 3.7621956910836314, 1e-15);
  EXPECT_NEAR(sh(-2), -3.626860407847019, 1e-15);
  // ch² - sh² = 1 over a range of arguments.
  for (double x = -5; x <= 5; x += 0.5) {
    EXPECT_NEAR(ch(x) * ch(x) - sh(x) * sh(x), 1, 4e-16 * ch(x) * ch(x)) << x;
  }
}

TEST(Elementary, HyperbolicOverflowAndPoles) {
  EXPECT_EQ(ch(800), std::numeric_limits<double>::infinity());
  EXPECT_EQ(sh(-800), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(cth(0), std::numeric_limits<double>::infinity());
  EXPECT_EQ(cth(-0.0), std::numeric_limits<double>::infinity());
}

// The exponentials overflow beyond |x| of about 709.78, and th and cth used
// to give inf/inf = NaN there, where their value is ±1 to every digit.
TEST(Elementary, TanhAndCothAreTheSignOfXWhereTheExponentialsOverflow) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    double x, value;
  } rows[] = {{710, 1},   {-710, -1},   {800, 1}, {-800, -1},
              {1e300, 1}, {-1e300, -1}, {inf, 1}, {-inf, -1},
              {709.7, 1}, {-709.7, -1}, {25, 1},  {-25, -1}};
  for (const Row& r : rows) {
    EXPECT_EQ(th(r.x), r.value) << r.x;
    EXPECT_EQ(cth(r.x), r.value) << r.x;
  }
  EXPECT_TRUE(std::isnan(th(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_TRUE(std::isnan(cth(std::numeric_limits<double>::quiet_NaN())));
}

TEST(Elementary, TanhAndCothKeepTheExponentialQuotientWhereItIsANumber) {
  // The quotient of the definitions is the contract wherever it is finite:
  // arguments across the whole range, up to the last one below overflow.
  const double last = std::nextafter(std::log(0x1.fffffffffffffp1023), 0.0);
  std::vector<double> xs = {0.0,  1e-300, 1e-8, 0.5, 1,   19.06,
                            19.1, 20,     300,  709, last};
  for (double x = -40; x <= 40; x += 0.37) xs.push_back(x);
  for (double x : std::vector<double>(xs)) xs.push_back(-x);
  for (double x : xs) {
    const double ep = std::exp(x), em = std::exp(-x);
    ASSERT_TRUE(std::isfinite(ep) && std::isfinite(em)) << x;
    const double t = (ep - em) / (ep + em), c = (ep + em) / (ep - em);
    EXPECT_EQ(Bits(th(x)), Bits(t)) << x;
    EXPECT_EQ(Bits(cth(x)), Bits(c)) << x;
  }
  EXPECT_EQ(cth(0.0), std::numeric_limits<double>::infinity());
}

TEST(Elementary, ArcCosineClampsItsArgument) {
  struct Row {
    double x, value;
  } rows[] = {{1.0000005, 0}, {-3, kPi}, {1e300, 0}, {-1, kPi}, {0, kPi / 2}};
  for (const Row& r : rows) EXPECT_DOUBLE_EQ(acos_m(r.x), r.value) << r.x;
  EXPECT_EQ(acos_m(0.5), std::acos(0.5));
  EXPECT_TRUE(std::isnan(acos_m(std::numeric_limits<double>::quiet_NaN())));
}

TEST(Elementary, SecondMomentsOfCircularSections) {
  EXPECT_NEAR(IxC(2), 0.7853981633974483, 1e-16);
  EXPECT_EQ(IxP(2, 0), IxC(2));
  EXPECT_EQ(IxP(2, 2), 0);
  // A tube is the difference of two solid sections.
  EXPECT_NEAR(IxP(0.5, 0.4), IxC(0.5) - IxC(0.4), 1e-17);
  EXPECT_TRUE(std::isnan(IxP(0, 0.1)));
}

}  // namespace
