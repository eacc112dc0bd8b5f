// CDoubleData: one double with compound-assignment arithmetic and identity
// comparison.
#include <gtest/gtest.h>
#include <matrix/frame.h>

#include <cmath>
#include <limits>
#include <type_traits>

namespace {

TEST(DoubleData, ConstructsAndSets) {
  CDoubleData zero;
  EXPECT_EQ(zero.Data(), 0.0);
  CDoubleData value(2.5);
  EXPECT_EQ(value.Data(), 2.5);
  value.SetData(-1.0);
  EXPECT_EQ(value.Data(), -1.0);
  static_assert(!std::is_copy_constructible_v<CDoubleData>);
  static_assert(std::is_same_v<decltype(std::declval<CDoubleData&>() =
                                            std::declval<double&>()),
                               void>);
}

TEST(DoubleData, ArithmeticChangesTheLeftOperandAndYieldsIt) {
  CDoubleData a(1.0);
  CDoubleData b(2.0);
  CDoubleData& sum = a + b;
  EXPECT_EQ(&sum, &a);
  EXPECT_EQ(a.Data(), 3.0);
  EXPECT_EQ(b.Data(), 2.0);

  CDoubleData c(3.0);
  (c * 3.0) - 1.0;
  EXPECT_EQ(c.Data(), 8.0);
  c / b;
  EXPECT_EQ(c.Data(), 4.0);
  c - b;
  EXPECT_EQ(c.Data(), 2.0);
  c* b;
  EXPECT_EQ(c.Data(), 4.0);
  c + 0.5;
  EXPECT_EQ(c.Data(), 4.5);
  c / 0.5;
  EXPECT_EQ(c.Data(), 9.0);

  CDoubleData one(1.0);
  one / 0.0;
  EXPECT_EQ(one.Data(), std::numeric_limits<double>::infinity());
}

TEST(DoubleData, AssignmentCopiesTheValue) {
  CDoubleData a(1.0);
  CDoubleData b(7.0);
  CDoubleData c;
  (c = a) = b;  // the object form chains
  EXPECT_EQ(c.Data(), 7.0);
  EXPECT_EQ(a.Data(), 1.0);
  double d = 4.25;
  a = d;
  EXPECT_EQ(a.Data(), 4.25);
}

TEST(DoubleData, ComparesObjectsByIdentityAndDoublesByValue) {
  CDoubleData a(1.0);
  CDoubleData b(1.0);
  EXPECT_EQ(a == a, 1);
  EXPECT_EQ(a == b, 0);
  EXPECT_EQ(a == 1.0, 1);
  EXPECT_EQ(a == 1.0000000000000002, 0);
  CDoubleData nan(std::nan(""));
  double same = nan.Data();
  EXPECT_EQ(nan == same, 0);
  EXPECT_EQ(nan == nan, 1);  // identity, whatever the value
}

}  // namespace
