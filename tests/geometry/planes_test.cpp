// Heights on the plane through three points and on the soil surface with its
// fallbacks for degenerate point sets.
#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <cmath>
#include <random>

namespace {

TEST(GetZForPointOnPlain, GivesTheHeightOfThePlane) {
  SPointD p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 1);
  double z = -1;
  ASSERT_EQ(GetZForPointOnPlain(0.5, 0.5, p0, p1, p2, z), 1);
  EXPECT_DOUBLE_EQ(z, 0.5);
  ASSERT_EQ(GetZForPointOnPlain(0, 1, p0, p1, p2, z), 1);
  EXPECT_DOUBLE_EQ(z, 1.0);
}

TEST(GetZForPointOnPlain, RefusesVerticalAndDegeneratePlanesWithZZero) {
  struct Row {
    SPointD p0, p1, p2;
  } rows[] = {
      {{0, 0, 0}, {1, 0, 0}, {2, 0, 5}},  // one vertical plane
      {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}},  // coincident
      {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}},  // collinear
  };
  for (Row& row : rows) {
    double z = 7;
    EXPECT_EQ(GetZForPointOnPlain(3, 3, row.p0, row.p1, row.p2, z), 0);
    EXPECT_EQ(z, 0.0);
  }
}

TEST(GetZForPointOnPlain, ThePlanePassesThroughItsThreePoints) {
  std::mt19937 gen(9);
  std::uniform_real_distribution<double> u(-100, 100);
  for (int trial = 0; trial < 500; ++trial) {
    SPointD p[3] = {{u(gen), u(gen), u(gen)},
                    {u(gen), u(gen), u(gen)},
                    {u(gen), u(gen), u(gen)}};
    for (int k = 0; k < 3; ++k) {
      double z = 0;
      ASSERT_EQ(GetZForPointOnPlain(p[k].x, p[k].y, p[0], p[1], p[2], z), 1);
      // The height is linear in the plan position: a relative tolerance
      // covers the cancellation of nearly vertical planes.
      EXPECT_NEAR(z, p[k].z, 1e-9 * (1 + std::fabs(p[k].z)) * 100)
          << trial << " " << k;
    }
    // The midpoint of two of the points lies on the plane too.
    double z = 0;
    GetZForPointOnPlain((p[0].x + p[1].x) / 2, (p[0].y + p[1].y) / 2, p[0],
                        p[1], p[2], z);
    EXPECT_NEAR(z, (p[0].z + p[1].z) / 2, 1e-7) << trial;
  }
}

TEST(GetZForPointOnPlain, TheHeightMayGoIntoACoordinateOfAPoint) {
  SPointD p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 1);
  ASSERT_EQ(GetZForPointOnPlain(0.5, 0.5, p0, p1, p2, p2.z), 1);
  EXPECT_DOUBLE_EQ(p2.z, 0.5);
}

TEST(Soil, UsesThePlaneOfTheRaisedPoints) {
  SPointD p0(0, 0, 0), p1(10, 0, 0), p2(0, 10, 0);
  double z = 0;
  ASSERT_EQ(GetZForPointOnPlainForSoil(5, 0, 1, p0, 1, p1, 3, p2, 1, z), 1);
  EXPECT_DOUBLE_EQ(z, 1.0);  // halfway between heights 1 and 3, minus 1
  ASSERT_EQ(GetZForPointOnPlainForSoil(0, 0, 0.5, p0, 1, p1, 3, p2, 1, z), 1);
  EXPECT_DOUBLE_EQ(z, 0.5);  // on a point: its raised height minus ref
}

TEST(Soil, OnePlanPositionGivesTheThirdRaisedHeight) {
  SPointD p0(3, 4, 0), p1(3, 4, 0), p2(3, 4, 0);
  double z = 0;
  ASSERT_EQ(GetZForPointOnPlainForSoil(50, 60, 1, p0, 1, p1, 2, p2, 5, z), 1);
  EXPECT_DOUBLE_EQ(z, 4.0);
}

TEST(Soil, CollinearPointsSlopeAlongTheLineAndStayLevelAcross) {
  SPointD p0(0, 0, 0), p1(10, 0, 0), p2(4, 0, 2);
  struct Row {
    double x, y, z;
  } rows[] = {
      {2, 0, 2.0},           // on the plan segment P0-P2: slope P0 -> P2
      {7, 3, 2.0},           // beside: slope P1 -> P2, extended
      {2, 3, 1 + 16.0 / 6},  // beside the segment P0-P2 too
      {10, -5, 1.0},         // across P1
  };
  for (const Row& row : rows) {
    double z = 0;
    ASSERT_EQ(
        GetZForPointOnPlainForSoil(row.x, row.y, 0, p0, 1, p1, 1, p2, 1, z), 1);
    EXPECT_NEAR(z, row.z, 1e-12) << row.x << " " << row.y;
  }
}

TEST(Soil, TiesForTheFarthestPairTakeTheSecondAndThirdPoints) {
  // P0 midway between P1 and P2 on the plan line x = 0: |P1-P2| is longest
  // and the line runs from P1 (height 0) over P0 (height 2) to P2.
  SPointD p0(0, 0, 0), p1(0, -5, 0), p2(0, 5, 0);
  struct Row {
    double x, y, z;
  } rows[] = {
      {0, -2.5, 1.0},   // on the plan segment P1-P0: slope from P1
      {3, -2.5, -1.5},  // beside it: slope from P2 (height 9), extended
  };
  for (const Row& row : rows) {
    double z = 0;
    ASSERT_EQ(
        GetZForPointOnPlainForSoil(row.x, row.y, 0, p0, 2, p1, 0, p2, 9, z), 1);
    EXPECT_NEAR(z, row.z, 1e-12) << row.x << " " << row.y;
  }
}

TEST(Soil, ALevelStepAtOnePlanPositionGivesTheFirstEndsHeight) {
  // P2 sits over P0 at the same raised height. The farthest pairs tie, so
  // the line runs from P1 to P2 with P0 on P2; beside the line the surface
  // is taken level at the raised height of P1, also near P0.
  SPointD p0(0, 0, 0), p1(10, 0, 0), p2(0, 0, 0);
  double z = 0;
  ASSERT_EQ(GetZForPointOnPlainForSoil(1, 1, 0.5, p0, 2, p1, 4, p2, 2, z), 1);
  EXPECT_DOUBLE_EQ(z, 3.5);
  // On the line the slope from P1 to the shared position holds.
  ASSERT_EQ(GetZForPointOnPlainForSoil(1, 0, 0.5, p0, 2, p1, 4, p2, 2, z), 1);
  EXPECT_NEAR(z, 2.2 - 0.5, 1e-12);
}

TEST(Soil, AVerticalStepAtOnePlanPositionIsRefused) {
  SPointD p0(0, 0, 0), p1(10, 0, 0), p2(0, 0, 0);
  double z = 9;
  EXPECT_EQ(GetZForPointOnPlainForSoil(1, 1, 0, p0, 2, p1, 4, p2, 3, z), 0);
  EXPECT_EQ(z, 0.0);
}

}  // namespace
