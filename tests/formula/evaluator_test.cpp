// CompileFuncStrV, CompileSimpleStrV and CompileStrV: values, the growth of
// the value array, the rewritten text and the faults.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "support/afx_testing.h"
#include "support/formula_testing.h"

namespace {

using namespace matrix::testing;

TEST(Evaluator, EvaluatesFormulas) {
  const double e = std::exp(1.0);
  struct Row {
    const wchar_t* text;
    double value;
  } rows[] = {
      {L"2+3*4", 14},
      {L"8/4*2", 4},
      {L"5-3-1", 1},
      {L"7\\2", 3.5},
      {L"2*3/4", 1.5},
      {L"1-2*3+4/8", -4.5},
      {L"sin(0)", 0},
      {L"ctan(1)", 0.6420926159343306},
      {L"sh(0)", 0},
      {L"ch(0)", 1},
      {L"sqrt(16)*2", 8},
      {L"(1+2)*3", 9},
      {L"((2))", 2},
      {L"cos(PI*1)", -1},
      {L"0-5", -5},
      {L"(-5)", -5},
      {L"(-2+3)", 1},
      {L"2*(-3)", -6},
      {L"(+2)", 2},
      {L"42", 42},
      {L"exp(1)", e},
      {L"sh(1)", (e - 1 / e) / 2},
      {L"th(0.5)", 0.46211715726000974},
      {L"cth(1)", 1.3130352854993312},
      {L"tan(0.25)*ctan(0.25)", 1},
      {L"sqrt(sqrt(81))", 3},
      {L"2*PI", 2 * kPi},
      {L"cos(sin(0))+1", 2},
      {L"[2]+1", 1},
      {L"1.5*2 + 1", 4},
      {L"PI", kPi},
      {L"(PI)", kPi},
      {L"3.5.1+1", 4.5},
  };
  for (const Row& row : rows) {
    Values values;
    CString text(row.text);
    double got = CompileStrV(text, values, 0);
    EXPECT_TRUE(Near(got, row.value, 1e-15))
        << Narrow(row.text) << " gave " << got;
    EXPECT_TRUE(LastError().IsEmpty());
  }
}

TEST(Evaluator, FunctionsWithoutGuardsGiveInfinitiesAndNaN) {
  Values values;
  CString pole(L"ctan(0)");
  EXPECT_EQ(CompileStrV(pole, values, 0),
            std::numeric_limits<double>::infinity());
  CString root(L"sqrt(0-1)");
  EXPECT_TRUE(std::isnan(CompileStrV(root, values, 0)));
  CString cth(L"cth(0)");
  EXPECT_EQ(CompileStrV(cth, values, 0),
            std::numeric_limits<double>::infinity());
  CString empty;
  EXPECT_EQ(CompileFuncStrV(empty, -2.5), -2.5);
  CString upper(L"COS");
  EXPECT_TRUE(Faults([&] { CompileFuncStrV(upper, 0); },
                     Msg(matrix::kUnknownFunction, L"COS")));
}

// th and cth of the formula engine are ±1, not NaN, where the
// exponentials overflow (th(ch(15)): ch(15) is about 1.6e6).
TEST(Evaluator,
     TanhAndCothAreTheSignOfTheirArgumentWhereTheExponentialsOverflow) {
  struct Row {
    const wchar_t* text;
    double value;
  } rows[] = {{L"th(ch(15))", 1},
              {L"cth(ch(15))", 1},
              {L"th(0-800)", -1},
              {L"cth(0-800)", -1},
              {L"th(710)", 1},
              {L"cth(1000)", 1},
              {L"th(1)", 0.7615941559557649}};
  for (const Row& row : rows) {
    Values values;
    CString text(row.text);
    EXPECT_EQ(CompileStrV(text, values, 0), row.value) << Narrow(row.text);
  }
  // The engine's functions are the exported ones, bit for bit.
  struct Fn {
    const wchar_t* name;
    double (*f)(double);
  } fns[] = {{L"sh", sh}, {L"ch", ch}, {L"th", th}, {L"cth", cth}};
  for (const Fn& fn : fns) {
    for (double x : {-800.0, -3.5, -0.25, 0.0, 0.7, 2.0, 30.0, 709.0, 900.0}) {
      CString name(fn.name);
      EXPECT_EQ(CompileFuncStrV(name, x), fn.f(x)) << Narrow(fn.name) << x;
    }
  }
}

TEST(Evaluator, EachBracketAndOperatorAppendsOneValue) {
  Values values;
  values.Add(10);
  values.Add(20);
  CString sum(L"#0+#1");
  EXPECT_EQ(CompileStrV(sum, values, 0), 30);
  EXPECT_EQ(Elements(values), (std::vector<double>{10, 20, 30}));
  EXPECT_EQ(sum, L"#2");

  CString text(L"(1+2)*3-sin(0)");  // 2 brackets, 3 operators
  EXPECT_EQ(CompileStrV(text, values, 0), 9);
  EXPECT_EQ(Elements(values), (std::vector<double>{10, 20, 30, 3, 3, 0, 9, 9}));
  EXPECT_EQ(text, L"#7");

  CString plain(L"42");
  EXPECT_EQ(CompileStrV(plain, values, 0), 42);
  EXPECT_EQ(values.GetSize(), 8);
  EXPECT_EQ(plain, L"42");

  CString cleared(L"#0*2");
  EXPECT_EQ(CompileStrV(cleared, values, 1), 20);
  EXPECT_EQ(values.GetSize(), 0);
}

TEST(Evaluator, ReferencesCountFromZeroWithoutLeadingZeros) {
  Values values;
  for (int i = 0; i < 12; ++i) values.Add(i * 1.5);
  CString text(L"#11-#10+#1");
  EXPECT_EQ(CompileStrV(text, values, 0), 3.0);
  EXPECT_EQ(text, L"#13");
  CString simple(L"2*3+1");
  EXPECT_EQ(CompileSimpleStrV(simple, values), 7);
  EXPECT_EQ(simple, L"#15");
}

TEST(Evaluator, ReportsFaults) {
  struct Row {
    const wchar_t* text;
    CString message;
  } rows[] = {
      {L"Sin(0)", Msg(matrix::kUnknownFunction, L"Sin")},
      {L"2+ (3)",
       Msg(matrix::kUnknownFunction, L" ")},  // a blank is part of the name
      {L"2(3)",
       Msg(matrix::kUnknownFunction, L"2")},  // no implied multiplication
      {L"(1)(2)",
       Msg(matrix::kUnknownFunction, L"#0")},  // the first bracket's reference
      {L"1/0", Msg(matrix::kDivisionByZero)},
      {L"-5", Msg(matrix::kOperatorAtEnd)},
      {L"3,5", Msg(matrix::kBadCharacter, L",")},
      {L"sin(x)",
       Msg(matrix::kBadCharacter, L"X")},  // a lone word is no number
      {L"x", Msg(matrix::kBadCharacter, L"X")},
      {L"2*y+1", Msg(matrix::kBadCharacter, L"Y")},
      {L"(1))(2", Msg(matrix::kUnbalanced)},  // a ')' with no '(' left to pair
      {L"((1)))+((2", Msg(matrix::kUnbalanced)},
      {L"2*(1-1)\\4/0", Msg(matrix::kDivisionByZero)},
  };
  for (const Row& row : rows) {
    Values values;
    CString text(row.text);
    EXPECT_TRUE(Faults([&] { CompileStrV(text, values, 1); }, row.message))
        << Narrow(row.text);
  }
}

TEST(Evaluator, AFaultLeavesTheTextAndValuesAsFarAsTheyGot) {
  struct Row {
    const wchar_t* text;
    const wchar_t* after;
    std::vector<double> values;
  } rows[] = {
      {L"1+2*(3/0)", L"1+2*(3/0)", {}},
      {L"(1+1)+(2/0)", L"#1+(2/0)", {2, 2}},
      {L"(1+1)*Sin(2)", L"#1*Sin(2)", {2, 2}},
      {L"(1))(2", L"#0)(2", {1}},
      {L"(2*3)+4/0", L"#1+4/0", {6, 6}},
      {L"sqrt(4)*2+1/0", L"#1+1/0", {2, 4}},
  };
  for (const Row& row : rows) {
    Values values;
    CString text(row.text);
    EXPECT_AFX_THROW(CompileStrV(text, values, 1), CUserException)
        << Narrow(row.text);
    EXPECT_EQ(text, row.after) << Narrow(row.text);
    EXPECT_EQ(Elements(values), row.values) << Narrow(row.text);
  }
}

TEST(Evaluator, SimpleReductionRewritesInPlaceAndStopsAtAFault) {
  Values values;
  CString text(L"2*3+1/0");
  EXPECT_TRUE(Faults([&] { CompileSimpleStrV(text, values); },
                     Msg(matrix::kDivisionByZero)));
  EXPECT_EQ(text, L"#0+1/0");
  EXPECT_EQ(Elements(values), (std::vector<double>{6}));

  CString comma(L"3,5");  // a lone number may use a decimal comma here
  EXPECT_EQ(CompileSimpleStrV(comma, values), 3.5);
  EXPECT_EQ(comma, L"3.5");
  CString empty;
  EXPECT_EQ(CompileSimpleStrV(empty, values), 0.0);
  CString reference(L"#0");
  EXPECT_EQ(CompileSimpleStrV(reference, values), 6.0);
  CString outside(L"#7");
  EXPECT_AFX_THROW(CompileSimpleStrV(outside, values), CInvalidArgException);
  CString sign(L"-2*3");
  EXPECT_EQ(CompileSimpleStrV(sign, values), -6.0);
}

TEST(Evaluator, ReferenceOutsideTheArrayIsAnInvalidArgument) {
  Values values;
  values.Add(1);
  CString text(L"(#0+#1)*2");
  EXPECT_AFX_THROW(CompileStrV(text, values, 1), CInvalidArgException);
  EXPECT_EQ(values.GetSize(), 1);
  EXPECT_TRUE(LastError().IsEmpty());
}

}  // namespace
