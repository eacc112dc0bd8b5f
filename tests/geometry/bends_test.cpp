// Bends: fitting an arc into a corner, tracing it in model space and on the
// screen, single tangent points and splitting a bend at an inserted node.
#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "geometry/internal.h"
#include "support/geometry_testing.h"

namespace {

using matrix::detail::RoundHalfDown;

using namespace matrix::testing;

const double kR2 = std::sqrt(2.0);

// The right-angle corner of the worked example.
const SPointD kN1(-10, 0, 0), kB(0, 0, 0), kN2(0, 10, 0);

// A random corner with legs 20 .. 40 long and a corner angle of 20 .. 160
// degrees, and a radius whose bend fits both legs.
struct Corner {
  SPointD n1, b, n2;
  double r;
};

Corner RandomCorner(std::mt19937& gen) {
  std::uniform_real_distribution<double> u(-1, 1), len(20, 40),
      ang(20 * kPi / 180, 160 * kPi / 180), pos(-100, 100);
  SPointD b(pos(gen), pos(gen), pos(gen));
  SPointD e1(u(gen), u(gen), u(gen));
  Normalization(e1);
  SPointD any(u(gen), u(gen), u(gen));
  SPointD e2;
  GetVectorProduct(e2, e1, any, true);
  Normalization(e2);
  const double phi = ang(gen);
  const double l1 = len(gen), l2 = len(gen);
  SPointD d2(std::cos(phi) * e1.x + std::sin(phi) * e2.x,
             std::cos(phi) * e1.y + std::sin(phi) * e2.y,
             std::cos(phi) * e1.z + std::sin(phi) * e2.z);
  Corner c;
  c.b = b;
  c.n1 = SPointD(b.x + l1 * e1.x, b.y + l1 * e1.y, b.z + l1 * e1.z);
  c.n2 = SPointD(b.x + l2 * d2.x, b.y + l2 * d2.y, b.z + l2 * d2.z);
  // tangent length R / tan(phi / 2) at most 0.9 of the shorter leg
  c.r = 0.9 * std::min(l1, l2) * std::tan(phi / 2) *
        std::uniform_real_distribution<double>(0.1, 1)(gen);
  return c;
}

TEST(InsertArc, FitsTheWorkedRightAngleBend) {
  SPointD out[3];
  ASSERT_EQ(InsertArc(2, kN1, kB, kN2, 3, out), 1);
  EXPECT_TRUE(Near(out[0], -2, 0, 0));
  EXPECT_TRUE(Near(out[1], -2 + kR2, 2 - kR2, 0));
  EXPECT_TRUE(Near(out[2], 0, 2, 0));
  SPointD p1 = kN1, b = kB, p2 = kN2, centre;
  SPointD traced[3];
  ASSERT_EQ(TraceArc(2, p1, b, p2, nullptr, 3, traced, &centre), 1);
  EXPECT_TRUE(Near(centre, -2, 2, 0));
}

TEST(InsertArc, RefusesBendsThatDoNotFitAndOnlyTestsWithNoPoints) {
  SPointD out[3] = {{99, 99, 99}, {99, 99, 99}, {99, 99, 99}};
  // A 3-4-5 right angle, where the tangent length comes out exact: with
  // R = 3 it equals the first leg, with R = 4 the second.
  const SPointD n1(-3, 0, 0), n2(0, 4, 0);
  SPointD side;
  EXPECT_EQ(InsertArc(3, n1, kB, n2, 3, out), 0);
  EXPECT_EQ(GetPointOnSide(3, n1, kB, n2, 0, &side), 0);
  EXPECT_EQ(GetPointOnSide(4, n1, kB, n2, 1, &side), 0);
  EXPECT_EQ(GetPointOnSide(3, n1, kB, n2, 1, &side), 1);  // fits that leg
  EXPECT_EQ(InsertArc(10.000001, kN1, kB, kN2, 3, out), 0);
  EXPECT_EQ(GetPointOnSide(10.000001, kN1, kB, kN2, 0, &side), 0);
  for (const SPointD& p : out) EXPECT_TRUE(Near(p, 99, 99, 99, 0));
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 0, out), 1);
  for (const SPointD& p : out) EXPECT_TRUE(Near(p, 99, 99, 99, 0));
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 0, nullptr), 1);
}

TEST(InsertArc, TwoPointsAreTheTangentPointsAndOnePointIsRefused) {
  SPointD out[2];
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 2, out), 1);
  EXPECT_TRUE(Near(out[0], -2, 0, 0));
  EXPECT_TRUE(Near(out[1], 0, 2, 0));
  SPointD one[1];
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 1, one), 0);
}

TEST(InsertArc, KeepsTheTangentPointsWhenTheArcCannotBeTraced) {
  SPointD out[3] = {{99, 99, 99}, {99, 99, 99}, {99, 99, 99}};
  EXPECT_EQ(InsertArc(0, kN1, kB, kN2, 3, out), 0);  // radius 0
  EXPECT_TRUE(Near(out[0], 0, 0, 0, 0));
  EXPECT_TRUE(Near(out[1], 99, 99, 99, 0));
  EXPECT_TRUE(Near(out[2], 0, 0, 0, 0));
}

// A negative count or a missing buffer is refused before anything is
// written.
TEST(InsertArc, RefusesANegativeCountAndAMissingBuffer) {
  SPointD out[3] = {{99, 99, 99}, {99, 99, 99}, {99, 99, 99}};
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, -2, out + 2), 0);
  for (const SPointD& p : out) EXPECT_TRUE(Near(p, 99, 99, 99, 0));
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 3, nullptr), 0);
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 2, nullptr), 0);
  SEilerang view{0, 0, 0, 0, 0};
  CPoint pts[1];
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, -1, pts, 1.0, &view), 0);
  EXPECT_EQ(pts[0], CPoint(0, 0));
}

TEST(Bends, StraightRunsAndFoldBacksAreRefused) {
  const SPointD straight(10, 0, 0), back(-5, 0, 0);
  SPointD out[5];
  for (const SPointD& n2 : {straight, back}) {
    SPointD p1 = kN1, b = kB, p2 = n2;
    EXPECT_EQ(InsertArc(1, kN1, kB, n2, 5, out), 0);
    EXPECT_EQ(TraceArc(1, p1, b, p2, nullptr, 5, out, nullptr), 0);
    EXPECT_EQ(GetPointOnSide(1, kN1, kB, n2, 1, out), 0);
  }
}

TEST(TraceArc, NeedsThreePointsABufferAndARadius) {
  SPointD p1 = kN1, b = kB, p2 = kN2;
  SPointD out[3];
  EXPECT_EQ(TraceArc(2, p1, b, p2, nullptr, 2, out, nullptr), 0);
  EXPECT_EQ(TraceArc(2, p1, b, p2, nullptr, 3, nullptr, nullptr), 0);
  EXPECT_EQ(TraceArc(0, p1, b, p2, nullptr, 3, out, nullptr), 0);
}

TEST(TraceArc, TheMiddleOfThreePointsIsTheHalfArcPoint) {
  SPointD p1 = kN1, b = kB, p2 = kN2;
  SPointD out[3];
  ASSERT_EQ(TraceArc(2, p1, b, p2, nullptr, 3, out, nullptr), 1);
  EXPECT_TRUE(Near(out[1], -2 + kR2, 2 - kR2, 0));
}

TEST(TraceArc, ClampsGivenAnglesOutsideTheArcToItsEnds) {
  SPointD p1 = kN1, b = kB, p2 = kN2;
  SPointD out[5];
  double angles[3] = {-1e-3, kPi / 6, kPi / 2 + 1e-3};
  ASSERT_EQ(TraceArc(2, p1, b, p2, angles, 5, out, nullptr), 1);
  EXPECT_TRUE(Near(out[1], -2, 0, 0));
  // 30 degrees from T1 about the centre (-2, 2): (-2 + 2 sin 30, 2 - 2 cos 30)
  EXPECT_TRUE(Near(out[2], -1, 2 - kR2 * std::sqrt(1.5), 0));
  EXPECT_TRUE(Near(out[3], 0, 2, 0));
}

TEST(TraceArc, EveryPointLiesOnTheCircleAtEvenAngles) {
  std::mt19937 gen(7);
  for (int trial = 0; trial < 200; ++trial) {
    Corner c = RandomCorner(gen);
    const int n = 3 + trial % 9;
    std::vector<SPointD> out(n);
    SPointD centre;
    ASSERT_EQ(TraceArc(c.r, c.n1, c.b, c.n2, nullptr, n, out.data(), &centre),
              1);
    const double tol = 1e-9 * (1 + c.r);
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(Distance(out[i], centre), c.r, tol) << trial << " " << i;
    // Each point is tangent-point-far from the corner only at the ends, and
    // the chords between neighbours are equal.
    const double chord = Distance(out[0], out[1]);
    for (int i = 1; i + 1 < n; ++i)
      EXPECT_NEAR(Distance(out[i], out[i + 1]), chord, tol) << trial;
    // The ends are the tangent points: the radius there is perpendicular to
    // the leg.
    SPointD r0 = matrix::detail::Sub(out[0], centre);
    SPointD leg = matrix::detail::Sub(c.n1, c.b);
    EXPECT_NEAR(CosAngle(r0, leg), 0.0, 1e-9);
  }
}

TEST(GetPointOnSide, GivesTheEndsOfInsertArc) {
  SPointD side0, side1;
  ASSERT_EQ(GetPointOnSide(2, kN1, kB, kN2, 0, &side0), 1);
  ASSERT_EQ(GetPointOnSide(2, kN1, kB, kN2, 1, &side1), 1);
  EXPECT_TRUE(Near(side0, -2, 0, 0));
  EXPECT_TRUE(Near(side1, 0, 2, 0));
  std::mt19937 gen(11);
  for (int trial = 0; trial < 100; ++trial) {
    Corner c = RandomCorner(gen);
    SPointD out[4];
    ASSERT_EQ(InsertArc(c.r, c.n1, c.b, c.n2, 4, out), 1);
    ASSERT_EQ(GetPointOnSide(c.r, c.n1, c.b, c.n2, 0, &side0), 1);
    ASSERT_EQ(GetPointOnSide(c.r, c.n1, c.b, c.n2, 7, &side1), 1);
    EXPECT_TRUE(Near(side0, out[0])) << trial;
    EXPECT_TRUE(Near(side1, out[3])) << trial;
  }
}

TEST(GetPointsByInsertNodeInBend, SplitsTheWorkedBendAtHalfItsArc) {
  double dist1 = 0, dist2 = 0;
  SPointD c1, c2, node, centre;
  EXPECT_EQ(GetPointsByInsertNodeInBend(kPi / 2, 2, kN1, kB, kN2, dist1, dist2,
                                        c1, c2, node, &centre),
            1);
  const double h = 2 * std::tan(kPi / 8);
  EXPECT_TRUE(Near(node, -2 + kR2, 2 - kR2, 0));
  EXPECT_NEAR(dist1, 8 + h, 1e-12);
  EXPECT_NEAR(dist2, 8 + h, 1e-12);
  EXPECT_TRUE(Near(c1, -2 + h, 0, 0));
  EXPECT_TRUE(Near(c2, 0, 2 - h, 0));
  EXPECT_TRUE(Near(centre, -2, 2, 0));
  EXPECT_EQ(GetPointsByInsertNodeInBend(kPi / 2, 2, kN1, kB, kN2, dist1, dist2,
                                        c1, c2, node, nullptr),
            1);
}

TEST(GetPointsByInsertNodeInBend, TheNewPolylineReproducesTheArc) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> frac(0.05, 0.95);
  for (int trial = 0; trial < 100; ++trial) {
    Corner c = RandomCorner(gen);
    SPointD ends[2], z;
    ASSERT_EQ(InsertArc(c.r, c.n1, c.b, c.n2, 2, ends), 1);
    SPointD traced[3];
    ASSERT_EQ(TraceArc(c.r, c.n1, c.b, c.n2, nullptr, 3, traced, &z), 1);
    const double beta = kPi - std::acos(CosAngle(c.n1, c.b, c.n2));
    const double s = frac(gen) * c.r * beta;
    double dist1, dist2;
    SPointD nc1, nc2, node;
    GetPointsByInsertNodeInBend(s, c.r, c.n1, c.b, c.n2, dist1, dist2, nc1, nc2,
                                node, nullptr);
    const double tol = 1e-8 * (1 + c.r);
    EXPECT_NEAR(Distance(node, z), c.r, tol) << trial;
    EXPECT_NEAR(Distance(c.n1, nc1), dist1, tol);
    EXPECT_NEAR(Distance(c.n2, nc2), dist2, tol);
    // The arc from T1 to the node subtends s / R at the centre.
    SPointD a = matrix::detail::Sub(ends[0], z);
    SPointD b = matrix::detail::Sub(node, z);
    EXPECT_NEAR(std::acos(CosAngle(a, b)) * c.r, s, tol) << trial;
    // Both new bends have the old centre and meet at the node.
    SPointD first[3], second[3], z1, z2;
    ASSERT_EQ(TraceArc(c.r, c.n1, nc1, nc2, nullptr, 3, first, &z1), 1);
    ASSERT_EQ(TraceArc(c.r, nc1, nc2, c.n2, nullptr, 3, second, &z2), 1);
    EXPECT_TRUE(Near(z1, z, tol)) << trial;
    EXPECT_TRUE(Near(z2, z, tol)) << trial;
    EXPECT_TRUE(Near(first[0], ends[0], tol)) << trial;
    EXPECT_TRUE(Near(first[2], node, tol)) << trial;
    EXPECT_TRUE(Near(second[0], node, tol)) << trial;
    EXPECT_TRUE(Near(second[2], ends[1], tol)) << trial;
  }
}

TEST(ScreenArcs, InsertArcProjectsEveryPointOfTheModelForm) {
  std::mt19937 gen(5);
  std::uniform_real_distribution<double> angle(-180, 180);
  for (int trial = 0; trial < 50; ++trial) {
    Corner c = RandomCorner(gen);
    SEilerang view{angle(gen), angle(gen), angle(gen), 400, 300};
    SPointD model[6];
    CPoint pts[6];
    ASSERT_EQ(InsertArc(c.r, c.n1, c.b, c.n2, 6, model), 1);
    ASSERT_EQ(InsertArc(c.r, c.n1, c.b, c.n2, 6, pts, 3.0, &view), 1);
    for (int i = 0; i < 6; ++i) {
      SPointI s = PointXYZ(&model[i], 3.0, &view);
      EXPECT_EQ(pts[i], CPoint(s.x, s.y)) << trial << " " << i;
    }
  }
}

TEST(ScreenArcs, TraceArcDrawsAPlanViewWithoutScaleOrView) {
  SPointD model[5];
  SPointD p1 = kN1, b = kB, p2 = kN2;
  ASSERT_EQ(TraceArc(2, p1, b, p2, nullptr, 5, model, nullptr), 1);
  SEilerang view{10, 20, 30, 5, 5};
  CPoint plan0[5], plan1[5], projected[5];
  ASSERT_EQ(TraceArc(2, kN1, kB, kN2, 5, plan0, 0.0, &view), 1);
  ASSERT_EQ(TraceArc(2, kN1, kB, kN2, 5, plan1, 2.0, nullptr), 1);
  ASSERT_EQ(TraceArc(2, kN1, kB, kN2, 5, projected, 2.0, &view), 1);
  for (int i = 0; i < 5; ++i) {
    const CPoint plan(RoundHalfDown(model[i].x), RoundHalfDown(model[i].y));
    EXPECT_EQ(plan0[i], plan);
    EXPECT_EQ(plan1[i], plan);
    SPointI s = PointXYZ(&model[i], 2.0, &view);
    EXPECT_EQ(projected[i], CPoint(s.x, s.y));
  }
  EXPECT_EQ(plan0[0], CPoint(-2, 0));
  EXPECT_EQ(plan0[4], CPoint(0, 2));
}

TEST(ScreenArcs, LeaveThePointsAloneOnRefusal) {
  SEilerang view{0, 0, 0, 0, 0};
  CPoint pts[3] = {{7, 7}, {7, 7}, {7, 7}};
  EXPECT_EQ(TraceArc(2, kN1, kB, kN2, 2, pts, 1.0, &view), 0);
  EXPECT_EQ(
      InsertArc(3, SPointD(-3, 0, 0), kB, SPointD(0, 4, 0), 3, pts, 1.0, &view),
      0);
  EXPECT_EQ(TraceArc(2, kN1, kB, SPointD(5, 0, 0), 3, pts, 1.0, &view), 0);
  for (const CPoint& p : pts) EXPECT_EQ(p, CPoint(7, 7));
}

// R = 0 is refused also when a point is NaN (the NaN corner angle must not
// let it through to a result of 1), and a point that is not finite is
// refused with any radius.
TEST(TraceArc, RefusesAZeroRadiusAndPointsThatAreNotFinite) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    double r;
    SPointD p1, b, p2;
  } rows[] = {
      {0, SPointD(nan, 0, 0), kB, kN2},
      {0, kN1, SPointD(0, nan, 0), kN2},
      {0, kN1, kB, SPointD(0, 0, nan)},
      {2, SPointD(nan, 0, 0), kB, kN2},
      {2, SPointD(-inf, 0, 0), kB, kN2},
      {2, kN1, SPointD(inf, 0, 0), kN2},
      {nan, kN1, kB, kN2},
      {inf, kN1, kB, kN2},
  };
  for (Row& r : rows) {
    SPointD out[4];
    EXPECT_EQ(TraceArc(r.r, r.p1, r.b, r.p2, nullptr, 4, out, nullptr), 0)
        << r.r;
  }
}

// The screen forms refuse what the model form refuses before they allocate
// their work array: antiparallel legs with n = INT_MAX return 0 rather than
// ask for INT_MAX points (CMemoryException, an abort under ASan).
TEST(ScreenArcs, RefuseBeforeAllocating) {
  const int huge = std::numeric_limits<int>::max();
  SEilerang view{0, 0, 0, 0, 0};
  CPoint pts[1] = {{7, 7}};
  struct Row {
    double r;
    SPointD n1, n2;
    bool traced;  // TraceArc refuses it too (it does not test the fit)
  } rows[] = {
      {2, kN1, SPointD(10, 0, 0), true},  // antiparallel legs: straight run
      {2, kN1, SPointD(-5, 0, 0), true},  // folded back
      {0, kN1, kN2, true},                // zero radius
      {-2, kN1, kN2, true},               // negative radius: no interior point
      {3, SPointD(-3, 0, 0), SPointD(0, 4, 0), false},  // does not fit
  };
  for (const Row& r : rows) {
    if (r.traced) {
      EXPECT_EQ(TraceArc(r.r, r.n1, kB, r.n2, huge, pts, 1.0, &view), 0) << r.r;
    }
    EXPECT_EQ(InsertArc(r.r, r.n1, kB, r.n2, huge, pts, 1.0, &view), 0) << r.r;
  }
  EXPECT_EQ(InsertArc(2, kN1, kB, kN2, 1, pts, 1.0, &view), 0);
  EXPECT_EQ(pts[0], CPoint(7, 7));
}

// The checks made before allocating agree with the model form: over random
// corners, radii of either sign and zero and several counts, each screen
// form succeeds exactly when its model form does, with the same points.
TEST(ScreenArcs, RefuseExactlyWhenTheModelFormRefuses) {
  std::mt19937 gen(41);
  SEilerang view{10, 20, 30, 0, 0};
  int done = 0, refused = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const Corner c = RandomCorner(gen);
    const double radii[] = {c.r, -c.r, 0.0, 100 * c.r};
    for (double r : radii) {
      for (int n : {0, 1, 2, 3, 4, 7}) {
        std::vector<SPointD> model(static_cast<std::size_t>(n) + 1);
        std::vector<CPoint> pts(static_cast<std::size_t>(n) + 1, CPoint(7, 7));
        const int want = InsertArc(r, c.n1, c.b, c.n2, n, model.data());
        ASSERT_EQ(InsertArc(r, c.n1, c.b, c.n2, n, pts.data(), 0.5, &view),
                  want)
            << trial << " " << r << " " << n;
        (want ? done : refused) += 1;
        for (int i = 0; want && i < n; ++i) {
          const SPointI s = PointXYZ(&model[i], 0.5, &view);
          EXPECT_EQ(pts[i], CPoint(s.x, s.y));
        }
        SPointD p1 = c.n1, b = c.b, p2 = c.n2;
        const int want_trace =
            TraceArc(r, p1, b, p2, nullptr, n, model.data(), nullptr);
        EXPECT_EQ(TraceArc(r, c.n1, c.b, c.n2, n, pts.data(), 0.5, &view),
                  want_trace)
            << trial << " " << r << " " << n;
      }
    }
  }
  EXPECT_GT(done, 1000);
  EXPECT_GT(refused, 1000);
}

}  // namespace
