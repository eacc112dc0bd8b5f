// VerifyFormule: the first rule that fails, position by position.
#include <gtest/gtest.h>

#include "support/formula_testing.h"

namespace {

using namespace matrix::testing;

TEST(Checker, PassesWellFormedAndUnexaminedTexts) {
  const wchar_t* texts[] = {
      L"",       L"2*(3+4)", L"(-2)", L"(+2)",          L"sin(x)+PI",
      L"([)]",   L"(1))(2",  L"[]",   L"[*]",           L"#0+#1",
      L"2%3",    L"a_b c",   L"1..2", L"\u0430+\u042F", L"((2))",
      L"2\\3/4", L"[-1]",    L"#",
  };
  for (const wchar_t* t : texts) {
    CString text(t);
    EXPECT_NO_THROW(VerifyFormule(text)) << Narrow(t);
    EXPECT_EQ(text, t);
    EXPECT_TRUE(LastError().IsEmpty());
  }
}

TEST(Checker, ReportsEachRule) {
  struct Row {
    const wchar_t* text;
    CString message;
  } rows[] = {
      {L"2*(3+4", Msg(matrix::kUnbalanced)},
      {L"((1)", Msg(matrix::kUnbalanced)},
      {L"[1", Msg(matrix::kUnbalanced)},
      {L"2*3+4)", Msg(matrix::kCloseAtStart)},
      {L")2(", Msg(matrix::kCloseAtStart)},
      {L")", Msg(matrix::kCloseAtStart)},
      {L"2+(", Msg(matrix::kOpenAtEnd)},
      {L"(", Msg(matrix::kOpenAtEnd)},
      {L"((", Msg(matrix::kOpenAtEnd)},
      {L"2+[", Msg(matrix::kSquareOpenAtEnd)},
      {L"[", Msg(matrix::kSquareOpenAtEnd)},
      {L"()", Msg(matrix::kBadAfterBracket)},
      {L"(*2)", Msg(matrix::kBadAfterBracket)},
      {L"(/2)", Msg(matrix::kBadAfterBracket)},
      {L"(\\2)", Msg(matrix::kBadAfterBracket)},
      {L"(]", Msg(matrix::kBadAfterBracket)},
      {L"(2])", Msg(matrix::kSquareCloseAtStart)},
      {L"]", Msg(matrix::kSquareCloseAtStart)},
      {L"-2+3", Msg(matrix::kOperatorAtEnd)},
      {L"2+3-", Msg(matrix::kOperatorAtEnd)},
      {L"+", Msg(matrix::kOperatorAtEnd)},
      {L"(+", Msg(matrix::kOperatorAtEnd)},
      {L"2*-3", Msg(matrix::kOperatorsInRow)},
      {L"2--3", Msg(matrix::kOperatorsInRow)},
      {L"(1)+*2", Msg(matrix::kOperatorsInRow)},
      {L"2,5", Msg(matrix::kBadCharacter, L",")},
      {L"a=1", Msg(matrix::kBadCharacter, L"=")},
      {L"2^3", Msg(matrix::kBadCharacter, L"^")},
  };
  for (const Row& row : rows) {
    CString text(row.text);
    EXPECT_TRUE(Faults([&] { VerifyFormule(text); }, row.message))
        << Narrow(row.text);
    EXPECT_EQ(text, row.text);
  }
}

TEST(Checker, ReportsEveryForbiddenCharacterAsItsOwnSubject) {
  const wchar_t forbidden[] = L"&,;:^!?<>=@$\"'|{}";
  for (const wchar_t* p = forbidden; *p; ++p) {
    const wchar_t subject[] = {*p, 0};
    CString text = CString(L"1") + *p + L"2";
    EXPECT_TRUE(Faults([&] { VerifyFormule(text); },
                       Msg(matrix::kBadCharacter, subject)))
        << static_cast<char>(*p);
  }
  // A text of all of them reports the first.
  CString all(forbidden);
  EXPECT_TRUE(
      Faults([&] { VerifyFormule(all); }, Msg(matrix::kBadCharacter, L"&")));
}

TEST(Checker, AppliesTheRulesInTheirOrder) {
  struct Row {
    const wchar_t* text;
    CString message;
  } rows[] = {
      // The character after a '(' is judged when the '(' is reached,
      // before later positions are looked at.
      {L"(*&", Msg(matrix::kBadAfterBracket)},
      {L"&)", Msg(matrix::kBadCharacter, L"&")},
      {L")&", Msg(matrix::kCloseAtStart)},
      // Rule 4 before rule 5, rule 9 before rule 10.
      {L"1+(", Msg(matrix::kOpenAtEnd)},
      {L"1*", Msg(matrix::kOperatorAtEnd)},
      {L"+(", Msg(matrix::kOperatorAtEnd)},
      // A '[' at the end, after an operator that is not at the end.
      {L"1-[", Msg(matrix::kSquareOpenAtEnd)},
      // Totals are compared only after the last position.
      {L"((2)+-3", Msg(matrix::kOperatorsInRow)},
  };
  for (const Row& row : rows) {
    CString text(row.text);
    EXPECT_TRUE(Faults([&] { VerifyFormule(text); }, row.message))
        << Narrow(row.text);
  }
}

TEST(Checker, EmptiesTheLastErrorOnEntry) {
  CString bad(L"2,5");
  EXPECT_TRUE(
      Faults([&] { VerifyFormule(bad); }, Msg(matrix::kBadCharacter, L",")));
  CString good(L"1+1");
  VerifyFormule(good);
  EXPECT_TRUE(LastError().IsEmpty());
}

}  // namespace
