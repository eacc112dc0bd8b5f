// CPoint, CSize, CRect and Win32's rectangle functions against the results
// the framework's and Win32's documentation give (their examples are
// quoted where one exists), and the edge cases the documentation names:
// empty rectangles in IntersectRect and UnionRect, the right and bottom
// edges outside PtInRect, rectangles that are not normalised.
#include <afxwin.h>
#include <gtest/gtest.h>

#include <climits>
#include <ostream>

static void PrintTo(const RECT& r, std::ostream* os) {
  *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom
      << ")";
}
static void PrintTo(const CRect& r, std::ostream* os) {
  PrintTo(static_cast<const RECT&>(r), os);
}
static void PrintTo(const CPoint& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ")";
}
static void PrintTo(const CSize& s, std::ostream* os) {
  *os << "(" << s.cx << ", " << s.cy << ")";
}

namespace {

TEST(Point, ArithmeticAsDocumented) {
  // The framework's examples: (25, -19) - (15, 5) is the size (10, -24);
  // minus the size (15, 5) the point (10, -24); minus the rectangle
  // (125, 200, 325, 400) that rectangle moved to (100, 219, 300, 419);
  // negated (-25, 19).
  const CPoint p(25, -19);
  EXPECT_EQ(p - CPoint(15, 5), CSize(10, -24));
  EXPECT_EQ(p - CSize(15, 5), CPoint(10, -24));
  const CRect r(125, 200, 325, 400);
  EXPECT_EQ(p - &r, CRect(100, 219, 300, 419));
  EXPECT_EQ(p + &r, CRect(150, 181, 350, 381));
  EXPECT_EQ(-p, CPoint(-25, 19));
  EXPECT_EQ(p + CSize(5, 9), CPoint(30, -10));
  EXPECT_EQ(p + CPoint(5, 9), CPoint(30, -10));

  CPoint q(100, 100);
  q -= CSize(35, 35);
  EXPECT_EQ(q, CPoint(65, 65));
  q += CSize(1, 2);
  EXPECT_EQ(q, CPoint(66, 67));
  q += CPoint(-66, -67);
  EXPECT_EQ(q, CPoint(0, 0));
  q -= CPoint(3, 4);
  EXPECT_EQ(q, CPoint(-3, -4));
  q.Offset(3, 4);
  EXPECT_EQ(q, CPoint(0, 0));
  q.Offset(CPoint(1, 1));
  q.Offset(CSize(1, 1));
  EXPECT_EQ(q, CPoint(2, 2));
  EXPECT_NE(q, CPoint(2, 3));
  q.SetPoint(7, 8);
  EXPECT_TRUE(q == CPoint(7, 8));
}

TEST(Size, ArithmeticAsDocumented) {
  // The framework's example: (100, 100) - (50, 25) is (50, 75).
  EXPECT_EQ(CSize(100, 100) - CSize(50, 25), CSize(50, 75));
  EXPECT_EQ(CSize(100, 100) + CSize(50, 25), CSize(150, 125));
  EXPECT_EQ(-CSize(3, -4), CSize(-3, 4));
  // A size moves a point or a rectangle; minus moves by its negation.
  EXPECT_EQ(CSize(1, 2) + CPoint(10, 20), CPoint(11, 22));
  EXPECT_EQ(CSize(1, 2) - CPoint(10, 20), CPoint(9, 18));
  const CRect r(0, 0, 4, 4);
  EXPECT_EQ(CSize(1, 2) + &r, CRect(1, 2, 5, 6));
  EXPECT_EQ(CSize(1, 2) - &r, CRect(-1, -2, 3, 2));
  CSize s;
  EXPECT_EQ(s, CSize(0, 0));
  s += CSize(2, 3);
  s -= CSize(1, 1);
  EXPECT_EQ(s, CSize(1, 2));
  s.SetSize(5, 6);
  EXPECT_NE(s, CSize(5, 7));
}

TEST(Rect, MeasuresAndCorners) {
  const CRect r(10, 20, 110, 70);
  EXPECT_EQ(r.Width(), 100);
  EXPECT_EQ(r.Height(), 50);
  EXPECT_EQ(r.Size(), CSize(100, 50));
  EXPECT_EQ(r.TopLeft(), CPoint(10, 20));
  EXPECT_EQ(r.BottomRight(), CPoint(110, 70));
  EXPECT_EQ(CRect(CPoint(10, 20), CSize(100, 50)), r);
  EXPECT_EQ(CRect(CPoint(10, 20), CPoint(110, 70)), r);
  EXPECT_EQ(CRect(), CRect(0, 0, 0, 0));

  // The centre rounds each coordinate toward zero.
  const struct {
    CRect rect;
    CPoint centre;
  } centres[] = {
      {{0, 0, 5, 5}, {2, 2}},
      {{-5, -5, 0, 0}, {-2, -2}},
      {{-3, 1, 4, 2}, {0, 1}},
      {{INT_MAX - 2, INT_MIN, INT_MAX, INT_MIN + 2},
       {INT_MAX - 1, INT_MIN + 1}},
  };
  for (const auto& c : centres) {
    EXPECT_EQ(c.rect.CenterPoint(), c.centre)
        << ::testing::PrintToString(c.rect);
  }
}

TEST(Rect, EmptinessNullnessAndEquality) {
  // Empty: right <= left or bottom <= top; null: all four edges 0.
  const struct {
    CRect rect;
    BOOL empty, null;
  } cases[] = {
      {{0, 0, 0, 0}, TRUE, TRUE},       {{0, 0, 5, 0}, TRUE, FALSE},
      {{0, 0, 0, 5}, TRUE, FALSE},      {{5, 0, 0, 5}, TRUE, FALSE},
      {{0, 5, 5, 0}, TRUE, FALSE},      {{0, 0, 1, 1}, FALSE, FALSE},
      {{-9, -9, -8, -8}, FALSE, FALSE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.rect.IsRectEmpty(), c.empty)
        << ::testing::PrintToString(c.rect);
    EXPECT_EQ(::IsRectEmpty(c.rect), c.empty);
    EXPECT_EQ(c.rect.IsRectNull(), c.null);
  }
  // Equality compares the edges: two empty rectangles may differ.
  const CRect a(1, 1, 1, 1);
  const CRect b(2, 2, 2, 2);
  EXPECT_FALSE(::EqualRect(&a, &b));
  EXPECT_FALSE(a.EqualRect(b));
  EXPECT_TRUE(a != b);
  EXPECT_TRUE(a == CRect(1, 1, 1, 1));
  EXPECT_TRUE(a.EqualRect(&a));
}

TEST(Rect, PointOnTheRightOrBottomEdgeIsOutside) {
  const CRect r(0, 0, 10, 10);
  const struct {
    CPoint point;
    BOOL inside;
  } cases[] = {
      {{0, 0}, TRUE},    {{9, 9}, TRUE},   {{5, 0}, TRUE},
      {{0, 5}, TRUE},    {{10, 5}, FALSE}, {{5, 10}, FALSE},
      {{10, 10}, FALSE}, {{-1, 5}, FALSE}, {{5, -1}, FALSE},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(r.PtInRect(c.point), c.inside) << c.point.x << ", " << c.point.y;
    EXPECT_EQ(::PtInRect(&r, c.point), c.inside);
  }
  // Nothing is inside a rectangle that is not normalised.
  EXPECT_FALSE(CRect(10, 10, 0, 0).PtInRect(CPoint(5, 5)));
  EXPECT_FALSE(CRect(0, 10, 10, 0).PtInRect(CPoint(5, 5)));
}

TEST(Rect, NormalizeSwapsInvertedEdges) {
  // The framework's example: (110, 100, 250, 310) stays, (250, 310, 110,
  // 100) becomes it.
  CRect rect1(110, 100, 250, 310);
  CRect rect2(250, 310, 110, 100);
  rect1.NormalizeRect();
  rect2.NormalizeRect();
  EXPECT_EQ(rect1, CRect(110, 100, 250, 310));
  EXPECT_EQ(rect2, rect1);
  CRect rect3(5, 1, 0, 2);
  rect3.NormalizeRect();
  EXPECT_EQ(rect3, CRect(0, 1, 5, 2));
}

TEST(Rect, IntersectionIsEmptyAndZeroWhenNothingOverlaps) {
  // The framework's example: (100, 0, 200, 300) and (0, 100, 300, 200)
  // meet in (100, 100, 200, 200) and span (0, 0, 300, 300).
  const struct {
    CRect a, b;
    BOOL meet;
    CRect intersection;
  } cases[] = {
      {{100, 0, 200, 300}, {0, 100, 300, 200}, TRUE, {100, 100, 200, 200}},
      {{0, 0, 10, 10}, {5, 5, 20, 20}, TRUE, {5, 5, 10, 10}},
      {{0, 0, 10, 10}, {2, 2, 3, 3}, TRUE, {2, 2, 3, 3}},
      // Sharing only an edge: no area in common.
      {{0, 0, 10, 10}, {10, 0, 20, 10}, FALSE, {0, 0, 0, 0}},
      {{0, 0, 10, 10}, {0, 10, 10, 20}, FALSE, {0, 0, 0, 0}},
      {{0, 0, 10, 10}, {20, 20, 30, 30}, FALSE, {0, 0, 0, 0}},
      // An empty rectangle meets nothing, even inside the other.
      {{0, 0, 10, 10}, {5, 2, 5, 8}, FALSE, {0, 0, 0, 0}},
      {{0, 0, 0, 0}, {0, 0, 10, 10}, FALSE, {0, 0, 0, 0}},
      {{0, 0, 10, 10}, {8, 8, 2, 2}, FALSE, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    CRect got(7, 7, 7, 7);
    EXPECT_EQ(got.IntersectRect(&c.a, &c.b), c.meet)
        << ::testing::PrintToString(c.a) << ::testing::PrintToString(c.b);
    EXPECT_EQ(got, c.intersection);
    EXPECT_EQ(c.a & c.b, c.intersection);
    EXPECT_EQ(c.b & c.a, c.intersection);
    CRect in_place(c.a);
    in_place &= c.b;
    EXPECT_EQ(in_place, c.intersection);
    RECT plain{1, 2, 3, 4};
    EXPECT_EQ(::IntersectRect(&plain, &c.a, &c.b), c.meet);
    EXPECT_TRUE(::EqualRect(&plain, &c.intersection));
  }
}

TEST(Rect, UnionIgnoresEmptyRectangles) {
  const struct {
    CRect a, b;
    BOOL nonempty;
    CRect span;
  } cases[] = {
      {{100, 0, 200, 300}, {0, 100, 300, 200}, TRUE, {0, 0, 300, 300}},
      {{0, 0, 10, 10}, {20, 30, 40, 50}, TRUE, {0, 0, 40, 50}},
      // An empty rectangle counts for nothing, wherever it lies.
      {{0, 0, 0, 0}, {10, 10, 20, 30}, TRUE, {10, 10, 20, 30}},
      {{10, 10, 20, 30}, {50, 50, 50, 60}, TRUE, {10, 10, 20, 30}},
      {{-5, -5, -9, -9}, {1, 1, 2, 2}, TRUE, {1, 1, 2, 2}},
      // Both empty: an empty (all zero) result.
      {{3, 3, 3, 3}, {50, 50, 40, 60}, FALSE, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    CRect got(7, 7, 7, 7);
    EXPECT_EQ(got.UnionRect(&c.a, &c.b), c.nonempty)
        << ::testing::PrintToString(c.a) << ::testing::PrintToString(c.b);
    EXPECT_EQ(got, c.span);
    EXPECT_EQ(c.a | c.b, c.span);
    EXPECT_EQ(c.b | c.a, c.span);
    CRect in_place(c.a);
    in_place |= c.b;
    EXPECT_EQ(in_place, c.span);
  }
}

// `r` after `change`.
template <class F>
CRect After(CRect r, F change) {
  change(r);
  return r;
}

TEST(Rect, MovesInflatesAndDeflates) {
  const CRect r(0, 0, 300, 300);
  const RECT e{1, 2, 3, 4};
  using R = CRect&;
  const struct {
    const char* what;
    CRect got, want;
  } cases[] = {
      // The framework's examples: (0, 0, 300, 300) inflated by (50, 200);
      // (10, 10, 50, 50) deflated by (1, 2) is (11, 12, 49, 48).
      {"inflate",
       After(r, [](R t) { t.InflateRect(50, 200); }),
       {-50, -200, 350, 500}},
      {"deflate",
       After({10, 10, 50, 50}, [](R t) { t.DeflateRect(1, 2); }),
       {11, 12, 49, 48}},
      {"inflate size",
       After(r, [](R t) { t.InflateRect(CSize(1, 2)); }),
       {-1, -2, 301, 302}},
      {"inflate rect",
       After(r, [&](R t) { t.InflateRect(&e); }),
       {-1, -2, 303, 304}},
      {"inflate ltrb",
       After(r, [](R t) { t.InflateRect(1, 2, 3, 4); }),
       {-1, -2, 303, 304}},
      {"deflate size",
       After(r, [](R t) { t.DeflateRect(CSize(1, 2)); }),
       {1, 2, 299, 298}},
      {"deflate rect",
       After(r, [&](R t) { t.DeflateRect(&e); }),
       {1, 2, 297, 296}},
      {"deflate ltrb",
       After(r, [](R t) { t.DeflateRect(1, 2, 3, 4); }),
       {1, 2, 297, 296}},
      {"offset", After(r, [](R t) { t.OffsetRect(5, -6); }), {5, -6, 305, 294}},
      {"offset point",
       After(r, [](R t) { t.OffsetRect(CPoint(5, -6)); }),
       {5, -6, 305, 294}},
      {"offset size",
       After(r, [](R t) { t.OffsetRect(CSize(5, -6)); }),
       {5, -6, 305, 294}},
      {"+ point", r + CPoint(5, -6), {5, -6, 305, 294}},
      {"+ size", r + CSize(5, -6), {5, -6, 305, 294}},
      {"+ rect", r + &e, {-1, -2, 303, 304}},
      {"- point", r - CPoint(5, -6), {-5, 6, 295, 306}},
      {"- size", r - CSize(5, -6), {-5, 6, 295, 306}},
      {"- rect", r - &e, {1, 2, 297, 296}},
      {"+= point", After(r, [](R t) { t += CPoint(1, 1); }), {1, 1, 301, 301}},
      {"+= size", After(r, [](R t) { t += CSize(1, 1); }), {1, 1, 301, 301}},
      {"+= rect", After(r, [&](R t) { t += &e; }), {-1, -2, 303, 304}},
      {"-= point",
       After(r, [](R t) { t -= CPoint(1, 1); }),
       {-1, -1, 299, 299}},
      {"-= size", After(r, [](R t) { t -= CSize(1, 1); }), {-1, -1, 299, 299}},
      {"-= rect", After(r, [&](R t) { t -= &e; }), {1, 2, 297, 296}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(Rect, SetsCopiesAndConvertsToRectPointers) {
  CRect r;
  r.SetRect(1, 2, 3, 4);
  EXPECT_EQ(r, CRect(1, 2, 3, 4));
  r.SetRect(CPoint(5, 6), CPoint(7, 8));
  EXPECT_EQ(r, CRect(5, 6, 7, 8));
  const RECT source{9, 10, 11, 12};
  r.CopyRect(&source);
  EXPECT_EQ(r, source);
  r = RECT{0, 0, 2, 2};
  EXPECT_EQ(r, CRect(0, 0, 2, 2));
  r.SetRectEmpty();
  EXPECT_TRUE(r.IsRectNull());

  // A CRect goes wherever Win32 wants a RECT pointer.
  CRect s(0, 0, 4, 4);
  LPRECT writable = s;
  LPCRECT readable = static_cast<const CRect&>(s);
  EXPECT_EQ(writable, readable);
  EXPECT_TRUE(::OffsetRect(s, 1, 1));
  EXPECT_EQ(s, CRect(1, 1, 5, 5));
  EXPECT_TRUE(::InflateRect(s, 1, 1));
  EXPECT_EQ(s, CRect(0, 0, 6, 6));
  EXPECT_TRUE(::SetRect(s, 1, 2, 3, 4));
  EXPECT_EQ(s, CRect(1, 2, 3, 4));
  RECT copy;
  EXPECT_TRUE(::CopyRect(&copy, s));
  EXPECT_TRUE(::EqualRect(&copy, s));
  EXPECT_TRUE(::SetRectEmpty(&copy));
  EXPECT_TRUE(::IsRectEmpty(&copy));
}

TEST(Rect, FunctionsRefuseNullPointers) {
  RECT r{1, 2, 3, 4};
  EXPECT_FALSE(::SetRect(nullptr, 0, 0, 1, 1));
  EXPECT_FALSE(::SetRectEmpty(nullptr));
  EXPECT_FALSE(::CopyRect(nullptr, &r));
  EXPECT_FALSE(::CopyRect(&r, nullptr));
  EXPECT_FALSE(::OffsetRect(nullptr, 1, 1));
  EXPECT_FALSE(::InflateRect(nullptr, 1, 1));
  EXPECT_FALSE(::PtInRect(nullptr, POINT{1, 2}));
  EXPECT_TRUE(::IsRectEmpty(nullptr));
  EXPECT_FALSE(::EqualRect(nullptr, &r));
  EXPECT_FALSE(::IntersectRect(nullptr, &r, &r));
  EXPECT_FALSE(::IntersectRect(&r, nullptr, &r));
  EXPECT_FALSE(::UnionRect(&r, &r, nullptr));
  EXPECT_TRUE(::EqualRect(&r, &r));
  const RECT unchanged{1, 2, 3, 4};
  EXPECT_TRUE(::EqualRect(&r, &unchanged));
}

TEST(Rect, CoordinatesWrapRoundAt32BitsWithoutUndefinedBehaviour) {
  // Win32 computes in 32-bit registers; the layer wraps the same way
  // instead of overflowing a signed int (which the sanitizer run rejects).
  CRect r(0, 0, INT_MAX, 1);
  r.OffsetRect(1, 0);
  EXPECT_EQ(r.right, INT_MIN);
  EXPECT_EQ(CRect(INT_MIN, 0, INT_MAX, 1).Width(), -1);
  CPoint p(INT_MAX, INT_MIN);
  p.Offset(1, -1);
  EXPECT_EQ(p, CPoint(INT_MIN, INT_MAX));
  EXPECT_EQ(-CPoint(INT_MIN, 0), CPoint(INT_MIN, 0));
}

}  // namespace
