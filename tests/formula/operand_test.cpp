// GetData and DoOperation: reading one operand and applying one operator.
#include "formula/operand.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cwchar>
#include <random>
#include <string>

#include "support/afx_testing.h"
#include "support/formula_testing.h"
#include "support/locale_testing.h"

namespace {

using namespace matrix::testing;

void AddThreeValues(Values& v) {
  v.Add(10.5);
  v.Add(-2.0);
  v.Add(7.25);
}

TEST(GetData, ReadsNumbersPiAndReferences) {
  struct Row {
    const wchar_t* text;
    double value;
  } rows[] = {
      {L"pi", kPi},    {L"  Pi", kPi}, {L"PIT", kPi},  {L"\tpI7", kPi},
      {L"3.5.1", 3.5}, {L"", 0.0},     {L"   ", 0.0},  {L"12.25  ", 12.25},
      {L".5", 0.5},    {L"007", 7.0},  {L"[2]", 0.0},  {L"#2", 7.25},
      {L"#0", 10.5},   {L"#", 10.5},   {L"#x", 10.5},  {L" # 1", -2.0},
      {L"#-0", 10.5},  {L"#+2", 7.25}, {L"#01", -2.0}, {L"#2.9", 7.25},
      {L"1#2", 1.0},
  };
  for (const Row& row : rows) {
    Values values;
    AddThreeValues(values);
    CString text(row.text);
    EXPECT_EQ(GetData(text, values), row.value) << Narrow(row.text);
    EXPECT_EQ(values.GetSize(), 3);
  }
}

TEST(GetData, UpperCasesAndStripsLeadingBlanksInPlace) {
  Values values;
  CString text(L"  pi  ");
  GetData(text, values);
  EXPECT_EQ(text, L"PI  ");
  CString number(L"\t 1.5 ");
  EXPECT_EQ(GetData(number, values), 1.5);
  EXPECT_EQ(number, L"1.5 ");
}

TEST(GetData, ReportsTheLeftmostForbiddenCharacterOfEachSet) {
  struct Row {
    const wchar_t* text;
    const wchar_t* subject;
  } rows[] = {
      {L"1e5", L"E"},   // no exponent notation
      {L"2,5", L","},   // no decimal comma
      {L"ab", L"A"},    // one per set: the leftmost
      {L"a;b", L";A"},  // punctuation set before letters
      {L"x%", L"%X"},  {L"2*3", L"*"},   {L"(1)", L"("},
      {L"1|2@", L"|"}, {L"z!q:", L"!Z"},
  };
  for (const Row& row : rows) {
    Values values;
    CString text(row.text);
    EXPECT_TRUE(Faults([&] { GetData(text, values); },
                       Msg(matrix::kBadCharacter, row.subject)))
        << Narrow(row.text);
  }
}

TEST(GetData, CyrillicLettersAreForbiddenInEitherCase) {
  // In the "C" locale towupper leaves Cyrillic alone; under a UTF-8 locale
  // it upper-cases it. Either way the letter is found; only the subject
  // shows which case it had.
  Values values;
  CString lower(
      L"\u0431"
      L"1;q");  // б1;q
  EXPECT_TRUE(Faults([&] { GetData(lower, values); },
                     Msg(matrix::kBadCharacter, L";Q\u0431")));
  CString upper(L"\u042F\u0451");  // Яё
  EXPECT_TRUE(Faults([&] { GetData(upper, values); },
                     Msg(matrix::kBadCharacter, L"\u0451\u042F")));

  const ScopedLocale utf8(LC_CTYPE, "C.UTF-8");
  MATRIX_REQUIRE_LOCALE(utf8, "C.UTF-8");
  CString mixed(L"\u0431\u0401");  // бЁ: both become upper case
  EXPECT_TRUE(Faults([&] { GetData(mixed, values); },
                     Msg(matrix::kBadCharacter, L"\u0411")));
  EXPECT_EQ(mixed, L"\u0411\u0401");
}

TEST(GetData, ReferenceOutsideTheArrayThrowsInvalidArgumentWithoutMessage) {
  const wchar_t* texts[] = {L"#3", L"#-1", L"#1000000000000000000000000",
                            L"#99999999999999999999"};
  CString before(L"x");
  {
    Values values;
    CString bad(L"1e5");
    EXPECT_TRUE(Faults([&] { GetData(bad, values); },
                       Msg(matrix::kBadCharacter, L"E")));
    before = LastError();
  }
  for (const wchar_t* t : texts) {
    Values values;
    AddThreeValues(values);
    CString text(t);
    EXPECT_AFX_THROW(GetData(text, values), CInvalidArgException);
  }
  Values empty;
  CString lone(L"#");
  EXPECT_AFX_THROW(GetData(lone, empty), CInvalidArgException);
  EXPECT_EQ(LastError(), before);
}

// Operands are read with a fast decimal reader where the C run-time's
// wcstod would read only digits and a point; both must agree to the bit.
TEST(GetData, ReadsDecimalsExactlyAsTheRunTimeDoes) {
  std::mt19937 rng(7);
  auto pick = [&](int n) {
    return std::uniform_int_distribution<int>(0, n - 1)(rng);
  };
  const wchar_t* tails[] = {L"", L".", L"[", L" 1", L"]#", L"_", L"..5", L"-"};
  Values values;
  for (int i = 0; i < 20000; ++i) {
    std::wstring t;
    if (pick(3) == 0) t += pick(2) ? L'-' : L'+';
    const int length = pick(48);
    const int point = pick(length + 2) - 1;
    for (int k = 0; k < length; ++k) {
      if (k == point) t += L'.';
      t += static_cast<wchar_t>(L'0' + (pick(4) ? pick(10) : 0));
    }
    t += tails[pick(8)];
    const double want = std::wcstod(t.c_str(), nullptr);
    const double got = matrix::detail::NormalizedOperandValue(
        t.c_str(), static_cast<int>(t.size()), values);
    ASSERT_EQ(std::signbit(got), std::signbit(want)) << Narrow(t.c_str());
    ASSERT_EQ(got, want) << Narrow(t.c_str());
  }
}

TEST(DoOperation, AppliesTheFiveOperators) {
  struct Row {
    const wchar_t* left;
    const wchar_t* right;
    wchar_t op;
    double value;
  } rows[] = {
      {L"2", L"3", L'+', 5.0},
      {L"2", L"3", L'-', -1.0},
      {L"2", L"3", L'*', 6.0},
      {L"3", L"4", L'/', 0.75},
      {L"1", L"4", L'\\', 0.25},
      {L"", L"5", L'-', -5.0},
      {L"", L"5", L'+', 5.0},
      {L"pi", L"2", L'*', 2 * kPi},
      {L"#1", L"#0", L'-', -12.5},
      // Exactly 2^-52 is a divisor; only smaller ones count as zero.
      {L"1", L"0.0000000000000002220446049250313080847263336181640625", L'/',
       4503599627370496.0},
  };
  for (const Row& row : rows) {
    Values values;
    AddThreeValues(values);
    CString left(row.left);
    CString right(row.right);
    EXPECT_EQ(DoOperation(left, right, row.op, values), row.value);
    EXPECT_EQ(values.GetSize(), 3);
  }
}

TEST(DoOperation, ReportsFaultsInTheOrderOperandsAreRead) {
  struct Row {
    const wchar_t* left;
    const wchar_t* right;
    wchar_t op;
    CString message;
  } rows[] = {
      {L"", L"5", L'*', Msg(matrix::kNoLeftOperand)},
      {L"", L"5", L'/', Msg(matrix::kNoLeftOperand)},
      {L"", L"5", L'\\', Msg(matrix::kNoLeftOperand)},
      {L"", L"x", L'*',
       Msg(matrix::kNoLeftOperand)},  // before the right operand is read
      {L"2", L"", L'+', Msg(matrix::kNoRightOperand)},
      {L"x", L"", L'+',
       Msg(matrix::kBadCharacter, L"X")},  // bad left before missing right
      {L"2", L"y", L'+', Msg(matrix::kBadCharacter, L"Y")},
      {L"1", L"0", L'/', Msg(matrix::kDivisionByZero)},
      {L"1", L"0", L'\\', Msg(matrix::kDivisionByZero)},
      {L"1", L".0000000000000001", L'/', Msg(matrix::kDivisionByZero)},
      {L"1", L"-.0000000000000002", L'/', Msg(matrix::kDivisionByZero)},
      {L"2", L"3", L'%', Msg(matrix::kUnknownOperator, L"%")},
      {L"x", L"3", L'%',
       Msg(matrix::kBadCharacter, L"X")},  // operands before the operator
      {L"2", L"", L'%', Msg(matrix::kNoRightOperand)},
      {L"", L"3", L'%', Msg(matrix::kUnknownOperator, L"%")},
  };
  for (const Row& row : rows) {
    Values values;
    values.Add(1.0);
    CString left(row.left);
    CString right(row.right);
    EXPECT_TRUE(
        Faults([&] { DoOperation(left, right, row.op, values); }, row.message))
        << Narrow(row.left) << " " << static_cast<char>(row.op) << " "
        << Narrow(row.right);
    EXPECT_EQ(values.GetSize(), 1);
  }
}

TEST(DoOperation, RewritesBothOperandTexts) {
  Values values;
  CString left(L" pi");
  CString right(L"  2 ");
  EXPECT_EQ(DoOperation(left, right, L'*', values), 2 * kPi);
  EXPECT_EQ(left, L"PI");
  EXPECT_EQ(right, L"2 ");
}

}  // namespace
