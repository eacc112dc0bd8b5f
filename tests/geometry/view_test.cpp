// Euler rotation matrices, projection between model and screen points and
// the rounding of screen coordinates.
#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <climits>
#include <cmath>
#include <limits>
#include <random>

#include "geometry/internal.h"

namespace {

using matrix::detail::RoundHalfDown;

// cos and sin of 90 degrees as the views compute them: the factor is
// 3.14159265359 / 180, a little more than pi / 180.
const double kC90 = std::cos(90 * (3.14159265359 / 180));

void Product(const double* a, const double* b, double* c) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      c[3 * i + j] = 0;
      for (int k = 0; k < 3; ++k) c[3 * i + j] += a[3 * i + k] * b[3 * k + j];
    }
}

TEST(RoundHalfDown, RoundsToNearestWithExactHalvesDown) {
  struct Row {
    double v;
    int r;
  } rows[] = {
      {2.5, 2},         {-2.5, -3},       {2.5000001, 3}, {2.4999999, 2},
      {-2.4999999, -2}, {-2.5000001, -3}, {0.0, 0},       {-0.0, 0},
      {7.0, 7},         {-7.0, -7},       {0.5, 0},       {-0.5, -1},
      {1e-300, 0},      {-1e-300, 0},
  };
  for (const Row& row : rows) EXPECT_EQ(RoundHalfDown(row.v), row.r) << row.v;
}

// Values beyond the int range (huge scales, infinite or NaN coordinates)
// saturate or map to 0: converting them to int is never undefined.
TEST(RoundHalfDown, SaturatesOutsideTheIntRangeAndMapsNaNToZero) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Row {
    double v;
    int r;
  } rows[] = {
      {2147483646.5, 2147483646}, {2147483647.0, INT_MAX},
      {2147483647.4, INT_MAX},    {2147483648.0, INT_MAX},
      {1e300, INT_MAX},           {kInf, INT_MAX},
      {-2147483648.0, INT_MIN},   {-2147483648.5, INT_MIN},
      {-2147483647.5, INT_MIN},   {-1e300, INT_MIN},
      {-kInf, INT_MIN},           {std::nan(""), 0},
  };
  for (const Row& row : rows) EXPECT_EQ(RoundHalfDown(row.v), row.r) << row.v;
}

TEST(MatrixEiler, IsTheIdentityForAZeroViewAndSwapsAxesInTheSecondForm) {
  SEilerang view{0, 0, 0, 0, 0};
  double m[9];
  MatrixEiler(&view, m);
  const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m[i], identity[i]) << i;
  MatrixEiler2(&view, m);
  const double q[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m[i], q[i]) << i;
}

TEST(MatrixEiler, TiltsAboutXWithTheViewsDegreeFactor) {
  SEilerang view{90, 0, 0, 0, 0};
  double m[9];
  MatrixEiler(&view, m);
  ASSERT_NE(kC90, 0.0);
  const double expected[9] = {1, 0, 0, 0, kC90, -1, 0, 1, kC90};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(m[i], expected[i]) << i;
}

TEST(MatrixEiler, ComposesRzRxRzAndTheBackFormsInvertIt) {
  SEilerang view{30, 50, -20, 0, 0};
  const double k = 3.14159265359 / 180;
  auto rz = [](double a, double* r) {
    const double c = std::cos(a), s = std::sin(a);
    const double v[9] = {c, -s, 0, s, c, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) r[i] = v[i];
  };
  double zpsi[9], zphi[9], x[9], t[9], ref[9];
  rz(50 * k, zpsi);
  rz(-20 * k, zphi);
  const double c = std::cos(30 * k), s = std::sin(30 * k);
  const double xv[9] = {1, 0, 0, 0, c, -s, 0, s, c};
  for (int i = 0; i < 9; ++i) x[i] = xv[i];
  Product(zpsi, x, t);
  Product(t, zphi, ref);
  double m[9], m2[9], back[9], back2[9], prod[9];
  MatrixEiler(&view, m);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(m[i], ref[i], 1e-15) << i;
  MatrixEiler2(&view, m2);
  MatrixEilerBack(&view, back);
  MatrixEilerBack2(&view, back2);
  Product(m, back, prod);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(prod[i], i % 4 == 0, 1e-15) << i;
  Product(m2, back2, prod);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(prod[i], i % 4 == 0, 1e-15) << i;
}

TEST(PointXYZ, ProjectsAZeroViewAsFrontElevation) {
  SEilerang view{0, 0, 0, 100, 200};
  SPointD p(1, 2, 3);
  SPointI s = PointXYZ(&p, 1.0, &view);
  EXPECT_EQ(s.x, 101);
  EXPECT_EQ(s.y, 197);
  EXPECT_EQ(s.z, 2);
  SPointD back = PointXYZ(&s, 1.0, &view);
  EXPECT_EQ(back.x, 1.0);
  EXPECT_EQ(back.y, 2.0);
  EXPECT_EQ(back.z, 3.0);
}

TEST(PointXYZ, PutsExactHalvesOnTheLowerPixel) {
  SEilerang view{0, 0, 0, 0, 0};
  SPointD p(1.25, -1.25, -1.25);
  SPointI s = PointXYZ(&p, 2.0, &view);  // 2.5, 2.5, -2.5
  EXPECT_EQ(s.x, 2);
  EXPECT_EQ(s.y, 2);
  EXPECT_EQ(s.z, -3);
}

TEST(PointXYZ, RoundTripsThroughTheScreenUnderRandomViews) {
  std::mt19937 gen(42);
  std::uniform_real_distribution<double> angle(-360, 360), coord(-50, 50),
      scale(0.5, 20), origin(-500, 500);
  for (int trial = 0; trial < 500; ++trial) {
    SEilerang view{angle(gen), angle(gen), angle(gen), origin(gen),
                   origin(gen)};
    SPointD p(coord(gen), coord(gen), coord(gen));
    const double k = scale(gen);
    SPointI s = PointXYZ(&p, k, &view);
    SPointD back = PointXYZ(&s, k, &view);
    // Each screen component is off by at most half a pixel, so the model
    // point by at most |(0.5, 0.5, 0.5)| / scale.
    EXPECT_LE(Distance(back, p), std::sqrt(0.75) / k + 1e-9) << trial;
  }
}

TEST(PointXYZ, ScreenToModelWithScaleZeroIsNotFinite) {
  SEilerang view{0, 0, 0, 0, 0};
  SPointI s;
  s.x = 5;
  SPointD p = PointXYZ(&s, 0.0, &view);
  EXPECT_FALSE(std::isfinite(p.x));
}

// Scaled coordinates beyond the int range saturate the screen point.
TEST(PointXYZ, HugeScalesSaturateTheScreenPoint) {
  SEilerang view{0, 0, 0, 0, 0};
  SPointD p(1, 1, 1);
  SPointI s = PointXYZ(&p, 1e12, &view);
  EXPECT_EQ(s.x, INT_MAX);
  EXPECT_EQ(s.y, INT_MIN);
  EXPECT_EQ(s.z, INT_MAX);
  SPointD q(std::nan(""), 0, 0);
  s = PointXYZ(&q, 1.0, &view);
  EXPECT_EQ(s.x, 0);
}

}  // namespace
