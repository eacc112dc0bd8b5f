// VerifyFormule: the first rule that fails, position by position.
#include <gtest/gtest.h>

#include "support/formula_testing.h"

namespace {

using matrix::testing::Faults;
using matrix::testing::LastError;
using matrix::testing::Msg;
using matrix::testing::Narrow;

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
      {L"2*(3+4", Msg(163)},    {L"((1)", Msg(163)},
      {L"[1", Msg(163)},        {L"2*3+4)", Msg(159)},
      {L")2(", Msg(159)},       {L")", Msg(159)},
      {L"2+(", Msg(161)},       {L"(", Msg(161)},
      {L"((", Msg(161)},        {L"2+[", Msg(164)},
      {L"[", Msg(164)},         {L"()", Msg(162)},
      {L"(*2)", Msg(162)},      {L"(/2)", Msg(162)},
      {L"(\\2)", Msg(162)},     {L"(]", Msg(162)},
      {L"(2])", Msg(160)},      {L"]", Msg(160)},
      {L"-2+3", Msg(165)},      {L"2+3-", Msg(165)},
      {L"+", Msg(165)},         {L"(+", Msg(165)},
      {L"2*-3", Msg(166)},      {L"2--3", Msg(166)},
      {L"(1)+*2", Msg(166)},    {L"2,5", Msg(158, L",")},
      {L"a=1", Msg(158, L"=")}, {L"2^3", Msg(158, L"^")},
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
    EXPECT_TRUE(Faults([&] { VerifyFormule(text); }, Msg(158, subject)))
        << static_cast<char>(*p);
  }
  // A text of all of them reports the first.
  CString all(forbidden);
  EXPECT_TRUE(Faults([&] { VerifyFormule(all); }, Msg(158, L"&")));
}

TEST(Checker, AppliesTheRulesInTheirOrder) {
  struct Row {
    const wchar_t* text;
    CString message;
  } rows[] = {
      // The character after a '(' is judged when the '(' is reached,
      // before later positions are looked at.
      {L"(*&", Msg(162)},
      {L"&)", Msg(158, L"&")},
      {L")&", Msg(159)},
      // Rule 4 before rule 5, rule 9 before rule 10.
      {L"1+(", Msg(161)},
      {L"1*", Msg(165)},
      {L"+(", Msg(165)},
      // A '[' at the end, after an operator that is not at the end.
      {L"1-[", Msg(164)},
      // Totals are compared only after the last position.
      {L"((2)+-3", Msg(166)},
  };
  for (const Row& row : rows) {
    CString text(row.text);
    EXPECT_TRUE(Faults([&] { VerifyFormule(text); }, row.message))
        << Narrow(row.text);
  }
}

TEST(Checker, EmptiesTheLastErrorOnEntry) {
  CString bad(L"2,5");
  EXPECT_TRUE(Faults([&] { VerifyFormule(bad); }, Msg(158, L",")));
  CString good(L"1+1");
  VerifyFormule(good);
  EXPECT_TRUE(LastError().IsEmpty());
}

}  // namespace
