// CArray, CUIntArray, CPoint and CRect: indexing checked as the framework
// checks it, growth and insertion past the end, removal bounds, appending
// and copying (also from the array itself), and the point and rectangle
// value records.
#include <afxcoll.h>
#include <afxtempl.h>
#include <afxwin.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "support/afx_testing.h"

namespace {

using namespace matrix::testing;

using Ints = CArray<int, int>;

// An array filled with `values` (arrays are not copyable, so no factory).
struct IntsOf : Ints {
  IntsOf(std::initializer_list<int> values) {
    for (int v : values) Add(v);
  }
};

TEST(CArray, IsNotCopyable) {
  static_assert(!std::is_copy_constructible_v<Ints>);
  static_assert(!std::is_copy_assignable_v<Ints>);
  static_assert(!std::is_copy_constructible_v<CUIntArray>);
  static_assert(std::is_base_of_v<CObject, CUIntArray>);
}

TEST(CArray, AddReturnsTheIndexAndSizesFollow) {
  Ints a;
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.GetSize(), 0);
  EXPECT_EQ(a.GetUpperBound(), -1);
  EXPECT_EQ(a.GetData(), nullptr);
  EXPECT_EQ(a.Add(10), 0);
  EXPECT_EQ(a.Add(20), 1);
  EXPECT_EQ(a.GetCount(), 2);
  EXPECT_EQ(a.GetUpperBound(), 1);
  ASSERT_NE(a.GetData(), nullptr);
  EXPECT_EQ(a.GetData()[1], 20);
  a.RemoveAll();
  EXPECT_TRUE(a.IsEmpty());
  EXPECT_EQ(a.GetData(), nullptr);
}

TEST(CArray, IndexedAccessThrowsOutsideTheElements) {
  IntsOf a{1, 2, 3};
  const Ints& c = a;
  for (INT_PTR bad : {INT_PTR{-1}, INT_PTR{3}, INTPTR_MAX, INTPTR_MIN}) {
    SCOPED_TRACE(bad);
    EXPECT_AFX_THROW(a.GetAt(bad), CInvalidArgException);
    EXPECT_AFX_THROW(c.GetAt(bad), CInvalidArgException);
    EXPECT_AFX_THROW(a[bad], CInvalidArgException);
    EXPECT_AFX_THROW(c[bad], CInvalidArgException);
    EXPECT_AFX_THROW(a.ElementAt(bad), CInvalidArgException);
    EXPECT_AFX_THROW(a.SetAt(bad, 0), CInvalidArgException);
  }
  Ints empty;
  EXPECT_AFX_THROW(empty.GetAt(0), CInvalidArgException);
  a.SetAt(0, 7);
  a[1] = 8;
  a.ElementAt(2) += 10;
  EXPECT_EQ(Elements(a), (std::vector<int>{7, 8, 13}));
}

TEST(CArray, SetSizeGrowsWithZerosShrinksAndRejectsNegative) {
  IntsOf a{5, 6, 7};
  a.SetSize(5);
  EXPECT_EQ(Elements(a), (std::vector<int>{5, 6, 7, 0, 0}));
  a.SetSize(2, 16);
  EXPECT_EQ(Elements(a), (std::vector<int>{5, 6}));
  EXPECT_AFX_THROW(a.SetSize(-1), CInvalidArgException);
  EXPECT_EQ(a.GetSize(), 2);
  EXPECT_AFX_THROW(a.SetSize(INTPTR_MAX), CMemoryException);
  a.SetSize(0);
  EXPECT_TRUE(a.IsEmpty());
  a.FreeExtra();
  EXPECT_EQ(a.GetData(), nullptr);
}

TEST(CArray, SetAtGrowFillsTheGap) {
  IntsOf a{4};
  a.SetAtGrow(3, 9);
  EXPECT_EQ(Elements(a), (std::vector<int>{4, 0, 0, 9}));
  a.SetAtGrow(1, 2);
  EXPECT_EQ(Elements(a), (std::vector<int>{4, 2, 0, 9}));
  EXPECT_AFX_THROW(a.SetAtGrow(-1, 1), CInvalidArgException);
  // Passed by reference, the new element may be one of the array's own,
  // moved by the growth.
  CArray<int> r;
  r.Add(9);
  r.SetAtGrow(1000, r[0]);
  EXPECT_EQ(r.GetSize(), 1001);
  EXPECT_EQ(r[1000], 9);
  EXPECT_EQ(r[999], 0);
}

TEST(CArray, InsertAtShiftsAndGrowsPastTheEnd) {
  const struct {
    INT_PTR index, count;
    std::vector<int> want;
  } cases[] = {{0, 1, {9, 1, 2, 3}},
               {1, 2, {1, 9, 9, 2, 3}},
               {3, 1, {1, 2, 3, 9}},
               {5, 2, {1, 2, 3, 0, 0, 9, 9}}};
  for (const auto& c : cases) {
    IntsOf a{1, 2, 3};
    a.InsertAt(c.index, 9, c.count);
    EXPECT_EQ(Elements(a), c.want) << c.index << "," << c.count;
  }
  IntsOf a{1, 2, 3};
  EXPECT_AFX_THROW(a.InsertAt(-1, 9), CInvalidArgException);
  EXPECT_AFX_THROW(a.InsertAt(0, 9, 0), CInvalidArgException);
  EXPECT_AFX_THROW(a.InsertAt(0, 9, -2), CInvalidArgException);
  EXPECT_AFX_THROW(a.InsertAt(0, 9, INTPTR_MAX), CMemoryException);
  EXPECT_EQ(Elements(a), (std::vector<int>{1, 2, 3}));
  CArray<CString, const CString&> s;  // by reference, from the array itself
  s.Add(CString(L"a"));
  s.Add(CString(L"b"));
  s.InsertAt(0, s[1], 40);
  EXPECT_EQ(s.GetSize(), 42);
  EXPECT_EQ(s[0], L"b");
  EXPECT_EQ(s[39], L"b");
  EXPECT_EQ(s[40], L"a");
}

TEST(CArray, RemoveAtChecksTheWholeRange) {
  const struct {
    INT_PTR index, count;
    std::vector<int> want;
  } cases[] = {{0, 1, {2, 3, 4}},
               {1, 2, {1, 4}},
               {2, 2, {1, 2}},
               {4, 0, {1, 2, 3, 4}},
               {0, 4, {}}};
  for (const auto& c : cases) {
    IntsOf a{1, 2, 3, 4};
    a.RemoveAt(c.index, c.count);
    EXPECT_EQ(Elements(a), c.want) << c.index << "," << c.count;
  }
  const INT_PTR bad[][2] = {{-1, 1}, {4, 1},          {3, 2},         {0, 5},
                            {1, -1}, {INTPTR_MAX, 1}, {1, INTPTR_MAX}};
  for (const auto& b : bad) {
    IntsOf a{1, 2, 3, 4};
    EXPECT_AFX_THROW(a.RemoveAt(b[0], b[1]), CInvalidArgException)
        << b[0] << "," << b[1];
    EXPECT_EQ(a.GetSize(), 4);
  }
}

TEST(CArray, AppendAndCopyIncludingFromItself) {
  IntsOf a{1, 2};
  IntsOf b{3};
  EXPECT_EQ(a.Append(b), 2);
  EXPECT_EQ(Elements(a), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(a.Append(a), 3);
  EXPECT_EQ(Elements(a), (std::vector<int>{1, 2, 3, 1, 2, 3}));
  b.Copy(a);
  EXPECT_EQ(Elements(b), Elements(a));
  b.Copy(b);
  EXPECT_EQ(b.GetSize(), 6);
  a.Copy(Ints());
  EXPECT_TRUE(a.IsEmpty());
}

TEST(CUIntArray, HoldsUnsignedValues) {
  CUIntArray a;
  EXPECT_EQ(a.Add(0xFFFFFFFFu), 0);
  a.SetAtGrow(2, 7u);
  EXPECT_EQ(a.GetSize(), 3);
  EXPECT_EQ(a[0], 0xFFFFFFFFu);
  EXPECT_EQ(a[1], 0u);
  EXPECT_EQ(a[2], 7u);
  EXPECT_AFX_THROW(a.GetAt(3), CInvalidArgException);
}

TEST(CPointAndCRect, AreValueRecordsOverTheWin32Structs) {
  EXPECT_EQ(CPoint(), CPoint(0, 0));
  const CPoint p(3, -4);
  const POINT& raw = p;
  EXPECT_EQ(raw.x, 3);
  EXPECT_EQ(raw.y, -4);
  EXPECT_NE(p, CPoint(-4, 3));

  EXPECT_EQ(CRect(), CRect(0, 0, 0, 0));
  const CRect r(10, 20, 15, 50);  // right and bottom exclusive
  EXPECT_EQ(r.Width(), 5);
  EXPECT_EQ(r.Height(), 30);
  const RECT& rr = r;
  EXPECT_EQ(rr.left + rr.top + rr.right + rr.bottom, 95);
  EXPECT_EQ(CRect(5, 5, 2, 1).Width(), -3);  // not normalised
  EXPECT_EQ(CRect(5, 5, 2, 1).Height(), -4);
  EXPECT_NE(r, CRect(10, 20, 15, 51));
  EXPECT_NE(r, CRect(11, 20, 15, 50));

  CArray<CPoint, CPoint> points;
  points.SetAtGrow(1, CPoint(1, 2));
  EXPECT_EQ(points[0], CPoint());
  EXPECT_EQ(points[1], CPoint(1, 2));
}

}  // namespace
