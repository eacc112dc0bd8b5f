// SPointD and the vector primitives: normalisation, cross products, the
// parallel and perpendicular tests, points on segments, angles, point in
// segment and cylinder, intersections and areas.
#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <type_traits>

#include "support/geometry_testing.h"

namespace {

using namespace matrix::testing;

::testing::AssertionResult Is(const SPointD& p, double x, double y, double z) {
  return Near(p, x, y, z, 0.0);
}

// Tells the optimiser that memory at `p` is read and written here, so that
// the bytes written before an object is constructed over them are still in
// memory, and read back from memory, around the construction. Without it
// an optimiser may treat the earlier fill as dead once a new object's life
// begins, and the test would prove nothing.
void Barrier(void* p) { asm volatile("" : : "r"(p) : "memory"); }

// A buffer for one SPointD whose every byte starts as `fill`.
struct Slot {
  alignas(SPointD) unsigned char bytes[sizeof(SPointD)];
  explicit Slot(unsigned char fill) {
    std::memset(bytes, fill, sizeof bytes);
    Barrier(bytes);
  }
  bool ReservedAll(unsigned char fill) {
    Barrier(bytes);
    for (std::size_t i = offsetof(SPointD, reserved); i < sizeof bytes; ++i)
      if (bytes[i] != fill) return false;
    return true;
  }
};

TEST(SPointD, KeepsItsLayoutAndNeverTouchesTheReservedBytes) {
  static_assert(sizeof(SPointD) == 48);
  static_assert(std::is_void_v<decltype(std::declval<SPointD&>() =
                                            std::declval<const SPointD&>())>);
  Slot made(0xA5);
  SPointD* p = new (made.bytes) SPointD();
  EXPECT_TRUE(Is(*p, 0, 0, 0));
  EXPECT_TRUE(made.ReservedAll(0xA5));

  Slot source(0x11);
  SPointD* s = new (source.bytes) SPointD(1.5, -2.0, 3.25);
  Slot copied(0x5A);
  SPointD* c = new (copied.bytes) SPointD(*s);
  EXPECT_TRUE(Is(*c, 1.5, -2.0, 3.25));
  EXPECT_TRUE(copied.ReservedAll(0x5A));
  *p = *s;
  EXPECT_TRUE(Is(*p, 1.5, -2.0, 3.25));
  EXPECT_TRUE(made.ReservedAll(0xA5));

  SPointD arr[3];
  EXPECT_EQ(reinterpret_cast<unsigned char*>(&arr[2]) -
                reinterpret_cast<unsigned char*>(&arr[0]),
            96);
}

TEST(SPointD, ConstructsFromIntsAndIndexesXYThenZ) {
  SPointD p(3, -4);
  EXPECT_TRUE(Is(p, 3, -4, 0));
  SPointD q(1.0, 2.0, 3.0);
  EXPECT_EQ(q[0], 1.0);
  EXPECT_EQ(q[1], 2.0);
  EXPECT_EQ(q[2], 3.0);
  EXPECT_EQ(q[7], 3.0);
  EXPECT_EQ(q[-1], 3.0);
  q[1] = 9.0;
  EXPECT_EQ(q.y, 9.0);
}

TEST(Normalization, ScalesInPlaceUnlessTinyOrAlreadyUnit) {
  struct Row {
    SPointD in;
    SPointD out;
  } rows[] = {
      {{0, 0, 0}, {0, 0, 0}},
      {{3, 0, 4}, {0.6, 0, 0.8}},
      {{0, -2, 0}, {0, -1, 0}},
      {{1e-17, 0, 0}, {1e-17, 0, 0}},          // shorter than 2^-52
      {{1 + 1e-16, 0, 0}, {1 + 1e-16, 0, 0}},  // unit within 2^-52
      {{kNaN, 1, 0}, {kNaN, 1, 0}},
  };
  for (Row& row : rows) {
    SPointD v = row.in;
    SPointD r = Normalization(v);
    for (int i = 0; i < 3; ++i) {
      if (std::isnan(row.out[i])) {
        EXPECT_TRUE(std::isnan(v[i]));
      } else {
        EXPECT_DOUBLE_EQ(v[i], row.out[i]) << i;
        EXPECT_EQ(r[i], v[i]);
      }
    }
  }
}

TEST(GetVectorProduct, IsRightHandedAndNormalisesOnlyTheInputs) {
  SPointD out;
  GetVectorProduct(out, SPointD(1, 0, 0), SPointD(0, 1, 0), false);
  EXPECT_TRUE(Is(out, 0, 0, 1));
  SPointD a(2, 0, 0);
  SPointD b(0, 3, 0);
  GetVectorProduct(out, a, b, true);
  EXPECT_TRUE(Is(out, 0, 0, 1));
  EXPECT_TRUE(Is(a, 2, 0, 0));  // the caller's points stay as they were
  EXPECT_TRUE(Is(b, 0, 3, 0));
  GetVectorProduct(out, a, b, false);
  EXPECT_TRUE(Is(out, 0, 0, 6));
  // (2,3,4) x (5,6,7) = (3*7 - 6*4, 4*5 - 7*2, 2*6 - 5*3) = (-3, 6, -3)
  GetVectorProduct(out, SPointD(2, 3, 4), SPointD(5, 6, 7), false);
  EXPECT_TRUE(Is(out, -3, 6, -3));
  SPointD p1(1, 1, 1), p2(3, 1, 1), p3(0, 0, 5), p4(0, 3, 5);
  GetVectorProduct(out, p1, p2, p3, p4, false);
  EXPECT_TRUE(Is(out, 0, 0, 6));
}

TEST(IsParallel, BoundsTheSquaredSineAndCountsZeroDirectionsAsParallel) {
  EXPECT_EQ(IsParallel(SPointD(1, 0, 0), SPointD(-3, 0, 0), 0.0), 1);
  EXPECT_EQ(IsParallel(SPointD(0, 0, 0), SPointD(1, 2, 3), 0.0), 1);
  // 30 degrees apart: sin^2 = 0.25.
  const SPointD u(1, 0, 0);
  const SPointD v(std::sqrt(3.0), 1, 0);
  EXPECT_EQ(IsParallel(u, v, 0.2501), 1);
  EXPECT_EQ(IsParallel(u, v, 0.2499), 0);
  SPointD a(0, 0, 0), b(1, 0, 0), c(5, 5, 5), d(5, 5 + 1, 5);
  EXPECT_EQ(IsParallel(a, b, c, d, 0.999), 0);
  EXPECT_EQ(IsParallel(a, b, c, d, 1.0), 1);
  SPointD e(7, 5, 5);
  EXPECT_EQ(IsParallel(a, b, e, c, 0.0), 1);  // antiparallel
}

TEST(IsPerpendicular, AppliesTheToleranceToTheCosine) {
  EXPECT_EQ(IsPerpendicular(SPointD(1, 0, 0), SPointD(0, 5, 0)), 1);
  EXPECT_EQ(IsPerpendicular(SPointD(1, 0, 0), SPointD(1e-15, 1, 0)), 0);
  EXPECT_EQ(IsPerpendicular(SPointD(0, 0, 0), SPointD(1, 0, 0)), 1);
}

TEST(Distance, MeasuresLengthsPointsAndLines) {
  EXPECT_EQ(Distance(SPointD(3, 4, 12)), 13.0);
  EXPECT_EQ(Distance(SPointD(1, 1, 1), SPointD(4, 5, 1)), 5.0);
  SPointD a(0, 0, 0), b(10, 0, 0), p(3, 4, 0), on(-7, 0, 0);
  EXPECT_DOUBLE_EQ(Distance(a, b, p), 4.0);
  EXPECT_EQ(Distance(a, b, on), 0.0);
  EXPECT_TRUE(std::isnan(Distance(a, a, p)));
}

TEST(PointsOnSegments, DivideExtendAndRefuseAsEachFormSays) {
  const SPointD p1(0, 0, 0), p2(4, 0, 0);
  SPointD out(9, 9, 9);
  EXPECT_EQ(GetInsidePoint(&out, 1, 3, p1, p2), 1);
  EXPECT_TRUE(Is(out, 1, 0, 0));
  EXPECT_EQ(GetInsidePoint(&out, 1, -1, p1, p2), 0);
  EXPECT_TRUE(Is(out, 0, 0, 0));
  EXPECT_EQ(GetInsidePoint(nullptr, 1, 1, p1, p2), 0);

  SPointD q1(1, 1, 1), q2(1, 1, 5);
  out = SPointD(9, 9, 9);
  EXPECT_EQ(GetInsidePoint2(out, 0, q1, q2), 1);
  EXPECT_TRUE(Is(out, 1, 1, 1));
  EXPECT_EQ(GetInsidePoint2(out, 6, q1, q2), 1);  // beyond q2
  EXPECT_TRUE(Is(out, 1, 1, 7));
  out = SPointD(9, 9, 9);
  EXPECT_EQ(GetInsidePoint2(out, -1, q1, q2), 0);
  EXPECT_TRUE(Is(out, 0, 0, 0));
  out = SPointD(9, 9, 9);
  EXPECT_EQ(GetInsidePoint2(out, 1, q1, q1), 0);
  EXPECT_TRUE(Is(out, 0, 0, 0));

  out = SPointD(9, 9, 9);
  EXPECT_EQ(GetInsidePoint3(&out, 0, p1, p2), 0);  // d = 0 is refused
  EXPECT_TRUE(Is(out, 0, 0, 0));
  EXPECT_EQ(GetInsidePoint3(&out, 1, p1, p2), 1);  // measured from p2
  EXPECT_TRUE(Is(out, 3, 0, 0));
  EXPECT_EQ(GetInsidePoint3(&out, -1, p1, p2), 1);
  EXPECT_TRUE(Is(out, 5, 0, 0));
  EXPECT_EQ(GetInsidePoint3(&out, 1, p1, p1), 0);
  EXPECT_EQ(GetInsidePoint3(nullptr, 1, p1, p2), 0);

  EXPECT_EQ(GetOutsidePoint(&out, 1, SPointD(0, 0, 0), SPointD(2, 0, 0)), 1);
  EXPECT_TRUE(Is(out, 3, 0, 0));
  EXPECT_EQ(GetOutsidePoint(&out, -3, SPointD(0, 0, 0), SPointD(2, 0, 0)), 1);
  EXPECT_TRUE(Is(out, -1, 0, 0));
  out = SPointD(9, 9, 9);
  EXPECT_EQ(GetOutsidePoint(&out, 1, p1, p1), 0);
  EXPECT_TRUE(Is(out, 0, 0, 0));
  EXPECT_EQ(GetOutsidePoint(nullptr, 1, p1, p2), 0);
}

// The result may be one of the inputs: a point moved along a segment in
// place keeps its start until the result is computed.
TEST(PointsOnSegments, InsidePoint2MayWriteOverItsOwnInput) {
  SPointD p(0, 0, 0), q(0, 10, 0);
  EXPECT_EQ(GetInsidePoint2(p, 4, p, q), 1);
  EXPECT_TRUE(Is(p, 0, 4, 0));
  EXPECT_EQ(GetInsidePoint2(q, 1, p, q), 1);
  EXPECT_TRUE(Is(q, 0, 5, 0));
}

TEST(CosAngle, UsesTheLawOfCosinesAtTheMiddlePoint) {
  SPointD a(1, 0, 0), o(0, 0, 0), b(0, 2, 0), c(-3, 0, 0), d(1, 1, 0);
  EXPECT_EQ(CosAngle(a, o, a), 1.0);
  EXPECT_EQ(CosAngle(a, a, b), 0.0);  // p1 == p2
  EXPECT_EQ(CosAngle(a, o, c), -1.0);
  EXPECT_NEAR(CosAngle(a, o, b), 0.0, 1e-15);
  EXPECT_NEAR(CosAngle(a, o, d), std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(CosAngle(SPointD(1, 0, 0), SPointD(1, 1, 0)), std::sqrt(0.5),
              1e-15);
  EXPECT_EQ(CosAngle(SPointD(0, 0, 0), SPointD(1, 1, 0)), 0.0);
  EXPECT_EQ(CosAngle(SPointD(2, 0, 0), SPointD(-5, 0, 0)), -1.0);
}

TEST(PlaneAngles, SineToAPlaneAndCosineBetweenPlanes) {
  const SPointD ex(2, 0, 0), ey(0, 3, 0), ez(0, 0, 1);
  EXPECT_NEAR(SinAngleLP(SPointD(0, 0, 5), ex, ey), 1.0, 1e-15);
  EXPECT_NEAR(SinAngleLP(SPointD(1, 1, 0), ex, ey), 0.0, 1e-15);
  EXPECT_NEAR(SinAngleLP(SPointD(1, 0, -1), ex, ey), std::sqrt(0.5), 1e-15);
  EXPECT_TRUE(std::isnan(SinAngleLP(ez, ex, SPointD(-1, 0, 0))));
  SPointD a1 = ex, b1 = ey, a2 = ex, b2 = ez, c2(0, 1, 1);
  EXPECT_NEAR(CosAngleLP(a1, b1, a2, b2), 0.0, 1e-15);
  EXPECT_NEAR(CosAngleLP(a1, b1, b1, a1), 1.0, 1e-15);
  EXPECT_NEAR(CosAngleLP(a1, b1, a2, c2), std::sqrt(0.5), 1e-15);
  EXPECT_TRUE(Is(a1, 2, 0, 0));  // the caller's vectors are not normalised
}

TEST(PtInSegment, PassesOnlyPointsOnTheSegment) {
  const SPointD a(0, 0, 0), b(4, 0, 0);
  EXPECT_EQ(PtInSegment(SPointD(1, 0, 0), a, b), 1);
  EXPECT_EQ(PtInSegment(a, a, b), 1);
  EXPECT_EQ(PtInSegment(SPointD(5, 0, 0), a, b), 0);
  EXPECT_EQ(PtInSegment(SPointD(2, 1e-3, 0), a, b), 0);
}

TEST(PtInCylinder, WritesTheAxisDistanceAndHonoursTheBound) {
  SPointD a(0, 0, 0), b(10, 0, 0), beside(5, 1, 0), beyond(12, 1, 0),
      far(5, 3, 0);
  double dist = -1;
  EXPECT_EQ(PtInCylinder(far, a, b, 2, true, &dist), 0);
  EXPECT_DOUBLE_EQ(dist, 3.0);
  EXPECT_EQ(PtInCylinder(beside, a, b, 2, true, &dist), 1);
  EXPECT_DOUBLE_EQ(dist, 1.0);
  EXPECT_EQ(PtInCylinder(beyond, a, b, 2, true, nullptr), 0);
  EXPECT_EQ(PtInCylinder(beyond, a, b, 2, false, nullptr), 1);
}

// A NaN point has no distance to the axis and is never inside, not even
// the unbounded cylinder.
TEST(PtInCylinder, RefusesANaNPoint) {
  SPointD a(0, 0, 0), b(10, 0, 0), p(kNaN, 0, 0);
  double dist = 0;
  EXPECT_EQ(PtInCylinder(p, a, b, 1, false, &dist), 0);
  EXPECT_TRUE(std::isnan(dist));
  EXPECT_EQ(PtInCylinder(a, a, a, 1, false, nullptr), 0);
}

// A point on the closing plane stays inside although rounding may make its
// axis distance exceed its distance to the end (a negative difference
// under the square root).
TEST(PtInCylinder, KeepsPointsOnTheEndPlaneInside) {
  SPointD a(0x1.4bbb0f7acdf18p+0, 0x1.ab9b1a053048cp+0, 0x1.5140099a6bd14p+1);
  SPointD b(0x1.be1df5a27686p-4, -0x1.38ba9e480f4a5p+1, 0x1.d109182fcf4p+0);
  SPointD p(0x1.1ced6ffb38989p-1, 0x1.c4ba69ef2f8e2p+0, 0x1.9b5ffb91da908p+1);
  double d = Distance(a, b, p);
  const double da = Distance(a, p);
  ASSERT_LT(da * da - d * d, 0.0);  // the case this guards
  EXPECT_EQ(PtInCylinder(p, a, b, 1.0, true, &d), 1);
}

TEST(GetIntersectParameter, FindsWhereTheLineMeetsThePlane) {
  SPointD dir(0, 0, 2), normal(0, 0, 1), base(1, 1, 1), on(7, -3, 5);
  EXPECT_DOUBLE_EQ(GetIntersectParameter(dir, normal, base, on), 2.0);
  SPointD flat(1, 0, 0);
  EXPECT_FALSE(std::isfinite(GetIntersectParameter(flat, normal, base, on)));
}

TEST(GetIntersectLines, MeetsCrossingLinesAndRefusesSkewOrParallelOnes) {
  SPointD ex(1, 0, 0), ey(0, 1, 0), origin(0, 0, 0), up1(0, 1, 0),
      above(0, 0, 1);
  SPointD out(9, 9, 9);
  ASSERT_EQ(GetIntersectLines(ex, ey, origin, up1, out), 1);
  EXPECT_TRUE(Near(out, 0, 0, 0));
  out = SPointD(9, 9, 9);
  EXPECT_EQ(GetIntersectLines(ex, ey, origin, above, out), 0);  // skew by 1
  SPointD back(-2, 0, 0), p2(0, 3, 0);
  EXPECT_EQ(GetIntersectLines(ex, back, origin, p2, out), 0);  // parallel
  EXPECT_TRUE(Is(out, 9, 9, 9));
}

TEST(GetIntersectLines, FallsBackToTheOtherEquationsOfTheSecondLine) {
  // Line 2 along z: its first equation is empty and its second repeats one
  // of line 1, so only the third one solves.
  SPointD d1(1, 0, 0), d2(0, 0, 1), p1(0, 0, 5), p2(3, 0, 0), out;
  ASSERT_EQ(GetIntersectLines(d1, d2, p1, p2, out), 1);
  EXPECT_TRUE(Near(out, 3, 0, 5));
  // Line 1 without an x component, and line 1 along z.
  SPointD e1(0, 2, 1), q1(1, 0, 0), e2(1, 1, 0), q2(0, -1, 0);
  ASSERT_EQ(GetIntersectLines(e1, e2, q1, q2, out), 1);
  EXPECT_TRUE(Near(out, 1, 0, 0));
  SPointD f1(0, 0, 3), r1(2, 2, 0), f2(1, 0, 1), r2(0, 2, -2);
  ASSERT_EQ(GetIntersectLines(f1, f2, r1, r2, out), 1);
  EXPECT_TRUE(Near(out, 2, 2, 0));
}

TEST(GetIntersectLines, FindsTheCommonPointOfRandomLines) {
  std::mt19937 gen(17);
  std::uniform_real_distribution<double> u(-10, 10);
  for (int trial = 0; trial < 300; ++trial) {
    const SPointD x(u(gen), u(gen), u(gen));
    SPointD d1(u(gen), u(gen), u(gen)), d2(u(gen), u(gen), u(gen));
    if (IsParallel(d1, d2, 1e-3)) continue;
    const double s = u(gen), t = u(gen);
    SPointD p1(x.x + s * d1.x, x.y + s * d1.y, x.z + s * d1.z);
    SPointD p2(x.x + t * d2.x, x.y + t * d2.y, x.z + t * d2.z);
    SPointD out;
    ASSERT_EQ(GetIntersectLines(d1, d2, p1, p2, out), 1) << trial;
    EXPECT_TRUE(Near(out, x.x, x.y, x.z, 1e-9)) << trial;
  }
}

// The distance from q to the line through p with direction d: the length
// of what is left of q - p after taking away its projection on the unit
// direction (not the library's cross product).
double DistanceToLine(const SPointD& q, const SPointD& p, const SPointD& d) {
  const double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  const double ux = d.x / len, uy = d.y / len, uz = d.z / len;
  const double wx = q.x - p.x, wy = q.y - p.y, wz = q.z - p.z;
  const double along = wx * ux + wy * uy + wz * uz;
  const double rx = wx - along * ux, ry = wy - along * uy, rz = wz - along * uz;
  return std::sqrt(rx * rx + ry * ry + rz * rz);
}

// Lines that meet, one direction carrying a component that is only rounding
// noise: the equations of line 1, scaled by that component, are nearly
// singular without Gauss2 noticing. The point returned lies on both lines,
// not 0.55 from line 1 and 0.24 from line 2 (or 1.5 from line 2 in the
// second row), as a point taken from those equations as they stand is.
TEST(GetIntersectLines, NeverReturnsAPointOffEitherLine) {
  struct Row {
    SPointD d1, d2, p1, p2;
    double x, y, z;  // where they meet
  };
  const SPointD n1(-4.2283121567569643e-15, -1, 1.0000000000000002);
  const SPointD n2(3.4364348376062552, -1.20728001571072, 11.392532844394079);
  const SPointD q2(n1.x + 2 * n1.x - n2.x, n1.y + 2 * n1.y - n2.y,
                   n1.z + 2 * n1.z - n2.z);
  const Row rows[] = {
      {n1, n2, n1, q2, 3 * n1.x, 3 * n1.y, 3 * n1.z},
      {SPointD(1e-9, 0, 1), SPointD(1, -2, 0), SPointD(0, 0, 0),
       SPointD(-1, 2, 1.5), 0, 0, 1.5},
  };
  for (const Row& r : rows) {
    SPointD d1 = r.d1, d2 = r.d2, p1 = r.p1, p2 = r.p2, out;
    ASSERT_EQ(GetIntersectLines(d1, d2, p1, p2, out), 1);
    EXPECT_TRUE(Near(out, r.x, r.y, r.z, 1e-8));
    EXPECT_LT(DistanceToLine(out, r.p1, r.d1), 1e-8);
    EXPECT_LT(DistanceToLine(out, r.p2, r.d2), 1e-8);
  }
}

// Random meeting lines whose first direction has one or two components of
// rounding-noise size, as CAD input has: every answer lies on both lines.
TEST(GetIntersectLines, LinesWithNoiseComponentsMeetWhereTheyMeet) {
  std::mt19937 gen(23);
  std::uniform_real_distribution<double> u(-10, 10), noise(-1e-14, 1e-14);
  int met = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const SPointD x(u(gen), u(gen), u(gen));
    SPointD d1(u(gen), u(gen), u(gen)), d2(u(gen), u(gen), u(gen));
    if (trial % 3 == 0) d1.x = noise(gen);
    if (trial % 3 == 1) d1.y = noise(gen);
    if (trial % 5 == 0) d1.z = noise(gen);
    if (IsParallel(d1, d2, 1e-3)) continue;
    const double s = u(gen), t = u(gen);
    SPointD p1(x.x + s * d1.x, x.y + s * d1.y, x.z + s * d1.z);
    SPointD p2(x.x + t * d2.x, x.y + t * d2.y, x.z + t * d2.z);
    SPointD out;
    if (!GetIntersectLines(d1, d2, p1, p2, out)) continue;  // skew by 1e-4
    ++met;
    EXPECT_LT(DistanceToLine(out, p1, d1), 1e-9 * 300) << trial;
    EXPECT_LT(DistanceToLine(out, p2, d2), 1e-9 * 300) << trial;
  }
  EXPECT_GT(met, 2000);
}

// A point that is not finite gives no intersection (0, never 1 with a NaN
// point).
TEST(GetIntersectLines, RefusesPointsThatAreNotFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const SPointD rows[] = {SPointD(kNaN, 0, 0), SPointD(0, inf, 0),
                          SPointD(0, 0, -inf)};
  for (const SPointD& bad : rows) {
    SPointD d1(1, 0, 0), d2(0, 1, 0), p1 = bad, p2(0, 1, 0), out(9, 9, 9);
    EXPECT_EQ(GetIntersectLines(d1, d2, p1, p2, out), 0);
    EXPECT_TRUE(Is(out, 9, 9, 9));
  }
}

// A segment whose length is not finite has no point at a distance along
// it; with p1 == p2 = (inf, 0, 0) the three forms return 0, not 1 with NaN.
TEST(PointsOnSegments, RefuseSegmentsWhoseLengthIsNotFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    SPointD p1, p2;
  } rows[] = {
      {SPointD(inf, 0, 0), SPointD(inf, 0, 0)},
      {SPointD(0, -inf, 0), SPointD(0, -inf, 0)},
      {SPointD(inf, 0, 0), SPointD(0, 0, 0)},
      {SPointD(kNaN, 1, 2), SPointD(0, 1, 2)},
      {SPointD(1e200, 0, 0), SPointD(-1e200, 0, 0)},  // |p1 - p2| overflows
  };
  for (Row& r : rows) {
    SPointD out(9, 9, 9);
    EXPECT_EQ(GetInsidePoint2(out, 1, r.p1, r.p2), 0);
    EXPECT_TRUE(Is(out, 0, 0, 0));
    out = SPointD(9, 9, 9);
    EXPECT_EQ(GetInsidePoint3(&out, 1, r.p1, r.p2), 0);
    EXPECT_TRUE(Is(out, 0, 0, 0));
    out = SPointD(9, 9, 9);
    EXPECT_EQ(GetOutsidePoint(&out, 1, r.p1, r.p2), 0);
    EXPECT_TRUE(Is(out, 0, 0, 0));
  }
}

TEST(Areas, FollowHeronAndBrahmagupta) {
  EXPECT_DOUBLE_EQ(
      SquareTriangle(SPointD(0, 0, 0), SPointD(4, 0, 0), SPointD(0, 3, 0)),
      6.0);
  EXPECT_DOUBLE_EQ(SquareQuad(1, 1, 1, 1), 1.0);
  EXPECT_DOUBLE_EQ(SquareQuad(SPointD(0, 0, 0), SPointD(3, 0, 0),
                              SPointD(3, 2, 0), SPointD(0, 2, 0)),
                   6.0);
  EXPECT_TRUE(std::isnan(SquareQuad(1, 1, 1, 10)));
}

}  // namespace
