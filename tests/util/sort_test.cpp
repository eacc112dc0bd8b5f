// SortArray: in-place ascending or descending sort of unsigned integers.
#include <gtest/gtest.h>
#include <matrix/util.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/afx_testing.h"

namespace {

using namespace matrix::testing;

void Fill(CUIntArray& a, const std::vector<UINT>& v) {
  a.RemoveAll();
  for (UINT x : v) a.Add(x);
}

TEST(SortArray, SortsEitherWayInUnsignedOrder) {
  struct Row {
    int ascending;
    std::vector<UINT> in, out;
  } rows[] = {
      {1, {3, 1, 2}, {1, 2, 3}},
      {0, {3, 1, 2}, {3, 2, 1}},
      {1, {1, 1, 2}, {1, 1, 2}},
      {0, {1, 1, 2}, {2, 1, 1}},
      {1, {4294967295u, 1}, {1, 4294967295u}},
      {0, {1, 2147483648u, 2147483647u}, {2147483648u, 2147483647u, 1}},
      {-7, {5, 0, 5, 0}, {0, 0, 5, 5}},  // any non-zero is ascending
      {1, {2, 2, 2}, {2, 2, 2}},
      {1, {}, {}},
      {0, {42}, {42}},
  };
  for (const Row& row : rows) {
    CUIntArray a;
    Fill(a, row.in);
    SortArray(row.ascending, a);
    EXPECT_EQ(Elements(a), row.out) << "ascending=" << row.ascending;
  }
}

TEST(SortArray, KeepsTheArrayStorageAndSize) {
  CUIntArray a;
  Fill(a, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
  const UINT* before = a.GetData();
  SortArray(1, a);
  EXPECT_EQ(a.GetData(), before);
  EXPECT_EQ(a.GetSize(), 10);
  EXPECT_EQ(Elements(a), (std::vector<UINT>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(SortArray, MatchesAnIndependentSortOnRandomArrays) {
  std::mt19937 rng(20240611u);
  for (int n : {2, 3, 17, 100, 1000}) {
    for (int range : {3, 1000, 0}) {  // 0: the full 32-bit range
      std::vector<UINT> v(static_cast<std::size_t>(n));
      for (UINT& x : v) {
        x = range ? static_cast<UINT>(rng() % static_cast<unsigned>(range))
                  : static_cast<UINT>(rng());
      }
      // Reference: the standard library's merge sort, reversed for descending.
      std::vector<UINT> up = v;
      std::stable_sort(up.begin(), up.end());
      std::vector<UINT> down(up.rbegin(), up.rend());
      CUIntArray a;
      Fill(a, v);
      SortArray(1, a);
      EXPECT_EQ(Elements(a), up) << n;
      Fill(a, v);
      SortArray(0, a);
      EXPECT_EQ(Elements(a), down) << n;
    }
  }
}

TEST(SortArray, LongArraysOfEveryShapeMatchAnIndependentSort) {
  // Lengths on both sides of the switch to the linear-time sort, and value
  // sets in which one, two or all four bytes vary, or only the top one.
  std::mt19937 rng(16u);
  struct Shape {
    const char* name;
    UINT (*make)(std::mt19937&, std::size_t i);
  } shapes[] = {
      {"full range", [](std::mt19937& r, std::size_t) { return UINT(r()); }},
      {"low byte", [](std::mt19937& r, std::size_t) { return UINT(r() % 7); }},
      {"two bytes",
       [](std::mt19937& r, std::size_t) { return UINT(r() % 40000); }},
      {"top byte",
       [](std::mt19937& r, std::size_t) { return UINT(r() << 24); }},
      {"descending run", [](std::mt19937&, std::size_t i) { return UINT(~i); }},
      {"ascending with ties",
       [](std::mt19937&, std::size_t i) { return UINT(i / 2); }},
  };
  for (std::size_t n : {255u, 256u, 257u, 4099u, 20000u}) {
    for (const Shape& shape : shapes) {
      std::vector<UINT> v(n);
      for (std::size_t i = 0; i < n; ++i) v[i] = shape.make(rng, i);
      std::vector<UINT> up = v;
      std::stable_sort(up.begin(), up.end());
      const std::vector<UINT> down(up.rbegin(), up.rend());
      CUIntArray a;
      Fill(a, v);
      const UINT* storage = a.GetData();
      SortArray(1, a);
      EXPECT_EQ(Elements(a), up) << shape.name << " n=" << n;
      EXPECT_EQ(a.GetData(), storage);
      Fill(a, v);
      SortArray(0, a);
      EXPECT_EQ(Elements(a), down) << shape.name << " n=" << n;
    }
  }
}

}  // namespace
