// Hyperbolic functions, the tolerant arc cosine and second moments of area.
#include <gtest/gtest.h>
#include <matrix/numeric.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kPi = 3.141592653589793;

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
  EXPECT_TRUE(std::isnan(th(800)));  // inf / inf, not 1
  EXPECT_TRUE(std::isnan(cth(-800)));
  EXPECT_EQ(ch(800), std::numeric_limits<double>::infinity());
  EXPECT_EQ(sh(-800), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(cth(0), std::numeric_limits<double>::infinity());
  EXPECT_EQ(cth(-0.0), std::numeric_limits<double>::infinity());
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
