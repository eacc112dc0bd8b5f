// Screen figures: ellipses and arcs, bands around segments, rotated point
// sets, the polyline hit test, outline rectangles and the width table.
#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <climits>
#include <cmath>
#include <vector>

#include "support/testing.h"

namespace {

using namespace matrix::testing;

std::vector<CPoint> Points(const CPoint* p, int n) {
  return std::vector<CPoint>(p, p + n);
}

TEST(TraceEllipse, TracesTheWholeEllipseCounterClockwiseOnTheScreen) {
  CPoint out[5];
  ASSERT_EQ(TraceEllipse({0, 0}, {100, 0}, {100, 50}, {1, 1}, {1, 1}, 5, out),
            1);
  const std::vector<CPoint> expected = {
      {100, 25}, {50, 0}, {0, 25}, {50, 50}, {100, 25}};
  EXPECT_EQ(Points(out, 5), expected);
}

TEST(TraceEllipse, TracesAnArcBetweenTwoDirections) {
  CPoint out[3];
  ASSERT_EQ(
      TraceEllipse({0, 0}, {100, 0}, {100, 50}, {100, 25}, {50, 0}, 3, out), 1);
  // 45 degrees: (50 + 50 cos 45, 25 - 25 sin 45) = (85.36, 7.32)
  const std::vector<CPoint> expected = {{100, 25}, {85, 7}, {50, 0}};
  EXPECT_EQ(Points(out, 3), expected);
  // From the upper direction to the right one runs the long way round.
  ASSERT_EQ(
      TraceEllipse({0, 0}, {100, 0}, {100, 50}, {50, 0}, {100, 25}, 3, out), 1);
  EXPECT_EQ(out[1], CPoint(15, 43));  // 225 degrees
}

TEST(TraceEllipse, FollowsARotatedRectangle) {
  // The side p1 -> p2 points up the screen: the first point lies above the
  // centre by the half side.
  CPoint out[5];
  ASSERT_EQ(TraceEllipse({0, 0}, {0, -100}, {50, -100}, {0, 0}, {0, 0}, 5, out),
            1);
  const std::vector<CPoint> expected = {
      {25, -100}, {0, -50}, {25, 0}, {50, -50}, {25, -100}};
  EXPECT_EQ(Points(out, 5), expected);
}

TEST(Ellipses, RefuseFewerThanThreePointsAndWriteNothing) {
  CPoint out[2] = {{7, 7}, {7, 7}};
  EXPECT_EQ(TraceEllipse({0, 0}, {10, 0}, {10, 10}, {0, 0}, {0, 0}, 2, out), 0);
  EXPECT_EQ(FTraceEllipse(CRect(0, 0, 10, 10), {10, 5}, {10, 5}, 2, out), 0);
  EXPECT_EQ(TraceEllipse({0, 0}, {10, 0}, {10, 10}, {0, 0}, {0, 0}, -5, out),
            0);
  EXPECT_EQ(out[0], CPoint(7, 7));
  EXPECT_EQ(out[1], CPoint(7, 7));
}

TEST(FTraceEllipse, StartsTowardsP4AndSweepsToP5) {
  CPoint out[3];
  ASSERT_EQ(FTraceEllipse(CRect(0, 0, 100, 50), {100, 25}, {50, 0}, 3, out), 1);
  const std::vector<CPoint> expected = {{100, 25}, {85, 7}, {50, 0}};
  EXPECT_EQ(Points(out, 3), expected);
  CPoint whole[5];
  ASSERT_EQ(FTraceEllipse(CRect(0, 0, 100, 50), {100, 25}, {100, 25}, 5, whole),
            1);
  const std::vector<CPoint> ring = {
      {100, 25}, {50, 0}, {0, 25}, {50, 50}, {100, 25}};
  EXPECT_EQ(Points(whole, 5), ring);
}

// A start point at the centre gives no direction: the points it yields are
// defined (they round to 0), never a NaN converted to int.
TEST(FTraceEllipse, AStartAtTheCentreGivesDefinedPoints) {
  CPoint out[4];
  ASSERT_EQ(FTraceEllipse(CRect(0, 0, 100, 50), {50, 25}, {50, 25}, 4, out), 1);
  for (const CPoint& p : out) EXPECT_EQ(p, CPoint(0, 0));
}

TEST(RectShell, GivesTheBandCornersInOrder) {
  CPoint c1, c2, c3, c4;
  RectShell(&c1, &c2, &c3, &c4, {0, 0}, {10, 0}, 2);
  EXPECT_EQ(c1, CPoint(0, -2));
  EXPECT_EQ(c2, CPoint(0, 2));
  EXPECT_EQ(c3, CPoint(10, 2));
  EXPECT_EQ(c4, CPoint(10, -2));
  // A 3-4-5 diagonal: the unit normal is (0.8, -0.6).
  RectShell(&c1, &c2, &c3, &c4, {0, 0}, {30, 40}, 5);
  EXPECT_EQ(c1, CPoint(4, -3));
  EXPECT_EQ(c2, CPoint(-4, 3));
  EXPECT_EQ(c3, CPoint(26, 43));
  EXPECT_EQ(c4, CPoint(34, 37));
  CPoint only(9, 9);
  RectShell(nullptr, nullptr, &only, nullptr, {0, 0}, {10, 0}, 2);
  EXPECT_EQ(only, CPoint(10, 2));
}

// A segment of zero length has no band: its corners are defined (they round
// to 0), never a NaN converted to int.
TEST(RectShell, ADegenerateSegmentGivesDefinedCorners) {
  CPoint c1(9, 9), c2(9, 9), c3(9, 9), c4(9, 9);
  RectShell(&c1, &c2, &c3, &c4, {5, 5}, {5, 5}, 3);
  for (const CPoint& c : {c1, c2, c3, c4}) EXPECT_EQ(c, CPoint(0, 0));
  RectShell(&c1, &c2, &c3, &c4, {0, 0}, {10, 0}, INT_MIN);
  EXPECT_EQ(c1, CPoint(0, INT_MAX));
  EXPECT_EQ(c2, CPoint(0, INT_MIN));
}

TEST(RotatePoints, RotatesInPlaceAboutTheCentre) {
  CPoint pts[3] = {{10, 0}, {0, 0}, {13, 4}};
  EXPECT_EQ(RotatePoints(pts, 3, CPoint(0, 0), kPi / 2), 1);
  EXPECT_EQ(pts[0], CPoint(0, 10));
  EXPECT_EQ(pts[1], CPoint(0, 0));
  EXPECT_EQ(pts[2], CPoint(-4, 13));
  CPoint q[1] = {{15, 5}};
  RotatePoints(q, 1, CPoint(10, 5), kPi);
  EXPECT_EQ(q[0], CPoint(5, 5));
  EXPECT_EQ(RotatePoints(nullptr, 0, CPoint(0, 0), 1.0), 1);
  EXPECT_EQ(RotatePoints(q, -3, CPoint(0, 0), 1.0), 1);
  EXPECT_EQ(q[0], CPoint(5, 5));
}

// Coordinates far apart do not overflow the sums of the rotation.
TEST(RotatePoints, FarApartPointsStayDefined) {
  CPoint p[2] = {{-2000000000, 0}, {2000000000, 0}};
  RotatePoints(p, 2, CPoint(2000000000, 0), 0.0);
  EXPECT_EQ(p[0], CPoint(-2000000000, 0));
  EXPECT_EQ(p[1], CPoint(2000000000, 0));
  RotatePoints(p, 1, CPoint(2000000000, 0), kPi);
  EXPECT_EQ(p[0].x, INT_MAX);  // 6e9 saturates
  CPoint n[1] = {{3, 4}};
  RotatePoints(n, 1, CPoint(1, 1), std::nan(""));
  EXPECT_EQ(n[0], CPoint(1, 1));
}

TEST(DistancePointToPoints, HitsWithinTolOfASegmentOnly) {
  CPoint line[2] = {{0, 0}, {10, 0}};
  struct Row {
    CPoint pt;
    int hit;
  } rows[] = {
      {{5, 1}, 1},  {{5, 2}, 0},  {{12, 0}, 0},
      {{-1, 0}, 0}, {{10, 1}, 0}, {{0, 0}, 1},
  };
  for (const Row& row : rows)
    EXPECT_EQ(DistancePointToPoints(row.pt, line, 2, 1.0), row.hit)
        << row.pt.x << " " << row.pt.y;
  CPoint poly[4] = {{0, 0}, {10, 0}, {10, 0}, {10, 10}};
  EXPECT_EQ(DistancePointToPoints({11, 5}, poly, 4, 1.0), 1);
  EXPECT_EQ(DistancePointToPoints({10, 0}, poly + 1, 2, 1.0), 0);
  EXPECT_EQ(DistancePointToPoints({0, 0}, line, 1, 1.0), 0);
  EXPECT_EQ(DistancePointToPoints({0, 0}, nullptr, 0, 1.0), 0);
}

TEST(FrameRect, MovesToTheTopLeftAndDrawsFourSides) {
  CRecordingDC dc;
  CRect r(1, 2, 30, 40);
  FrameRect(&dc, r);
  const auto& steps = dc.Steps();
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0].op, CRecordingDC::Op::kMoveTo);
  EXPECT_EQ(steps[0].to, CPoint(1, 2));
  const CPoint path[5] = {{1, 2}, {30, 2}, {30, 40}, {1, 40}, {1, 2}};
  for (int i = 1; i < 5; ++i) {
    EXPECT_EQ(steps[i].op, CRecordingDC::Op::kLineTo);
    EXPECT_EQ(steps[i].from, path[i - 1]);
    EXPECT_EQ(steps[i].to, path[i]);
  }
  EXPECT_EQ(dc.GetCurrentPosition(), CPoint(1, 2));
  FrameRect(nullptr, r);
}

TEST(GetMaxWidth, RecordsTheRunsOfAUnitPair) {
  int table[18] = {};
  GetMaxWidth(table, 3, 0, 1);
  const int expected[18] = {12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(table[i], expected[i]) << i;
  int reversed[18] = {};
  GetMaxWidth(reversed, 3, 1, 0);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(reversed[i], expected[i]) << i;
}

TEST(GetMaxWidth, EntriesOnlyGrow) {
  int table[18] = {};
  table[0] = 50;
  table[13] = 1;
  GetMaxWidth(table, 3, 0, 2);
  const int expected[18] = {50, 17, 16, 15, 14, 13, 0, 0, 0,
                            0,  0,  0,  6,  5,  4,  3, 2, 1};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(table[i], expected[i]) << i;
  GetMaxWidth(table, 3, 2, 2);
  for (int i = 0; i < 18; ++i) EXPECT_EQ(table[i], expected[i]) << i;
}

// Unit indexes outside the table, and a table of no units, write nothing.
TEST(GetMaxWidth, LeavesTheTableAloneForUnitsOutsideIt) {
  int guarded[30];
  for (int& v : guarded) v = -7;
  int* table = guarded + 6;  // 3 units, one unit of guard on either side
  struct Row {
    int units, b, e;
  } rows[] = {{3, -1, 1}, {3, 0, 3},  {3, 3, 3},      {0, 0, 0},
              {-2, 0, 0}, {3, 1, -1}, {INT_MAX, 0, 0}};
  for (const Row& row : rows) {
    GetMaxWidth(table, row.units, row.b, row.e);
    for (int v : guarded) EXPECT_EQ(v, -7) << row.units << " " << row.b;
  }
  GetMaxWidth(nullptr, 3, 0, 1);
}

}  // namespace
