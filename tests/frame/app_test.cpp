// The module object, the message table, the fault report and the
// last-error text.
#include "frame/app.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/formula_testing.h"

namespace {

using matrix::detail::App;
using matrix::detail::ThrowFormulaError;
using namespace matrix::testing;

// The last-error text as it stood before the first test ran.
CString g_error_at_start(L"not read");

class StartState : public ::testing::Environment {
 public:
  void SetUp() override { GetLastErrorM(g_error_at_start); }
};
const auto* const g_start_state =
    ::testing::AddGlobalTestEnvironment(new StartState);

TEST(LastError, IsEmptyBeforeAnyFormulaCall) {
  EXPECT_TRUE(g_error_at_start.IsEmpty());
}

TEST(Module, InstanceHandleIsTheLoadAddressOfItsModule) {
  HINSTANCE own = App().m_hInstance;
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own, AfxModuleHandleOf(&App()));
  EXPECT_EQ(own,
            AfxModuleHandleOf(reinterpret_cast<const void*>(&GetLastErrorM)));
  EXPECT_EQ(App().m_pszAppName, nullptr);
}

// Fourteen Russian texts, one per fault, under language 1049: each is
// written in Cyrillic letters, no two are the same, and the four messages
// about a bracket at the wrong end name that bracket and no other. Ids
// outside 158..171 load nothing.
TEST(MessageTable, HoldsOneRussianTextPerFault) {
  const struct {
    UINT id;
    wchar_t bracket;  // the bracket the message names; 0: none
  } rows[] = {
      {matrix::kBadCharacter, 0},          {matrix::kCloseAtStart, L')'},
      {matrix::kSquareCloseAtStart, L']'}, {matrix::kOpenAtEnd, L'('},
      {matrix::kBadAfterBracket, 0},       {matrix::kUnbalanced, 0},
      {matrix::kSquareOpenAtEnd, L'['},    {matrix::kOperatorAtEnd, 0},
      {matrix::kOperatorsInRow, 0},        {matrix::kUnknownFunction, 0},
      {matrix::kNoLeftOperand, 0},         {matrix::kNoRightOperand, 0},
      {matrix::kDivisionByZero, 0},        {matrix::kUnknownOperator, 0},
  };
  const WORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
  std::set<std::wstring> seen;
  for (const auto& row : rows) {
    CString text;
    ASSERT_TRUE(AfxLoadStringResource(App().m_hInstance, row.id, russian, text))
        << row.id;
    ASSERT_FALSE(text.IsEmpty()) << row.id;
    int cyrillic = 0;
    std::wstring brackets;
    for (int i = 0; i < text.GetLength(); ++i) {
      const wchar_t c = text[i];
      if (c >= 0x0400 && c <= 0x04FF) ++cyrillic;
      if (std::wcschr(L"()[]", c)) brackets += c;
      EXPECT_FALSE((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'))
          << row.id;
    }
    EXPECT_GT(cyrillic, text.GetLength() / 2) << row.id;
    EXPECT_EQ(brackets, row.bracket ? std::wstring(1, row.bracket) : L"")
        << row.id;
    EXPECT_TRUE(seen.insert(text.GetString()).second) << row.id;
  }
  CString none(L"x");
  EXPECT_FALSE(AfxLoadStringResource(App().m_hInstance, 157, 0, none));
  EXPECT_FALSE(AfxLoadStringResource(App().m_hInstance, 172, 0, none));
  EXPECT_TRUE(none.IsEmpty());
  // 170 spelt out from its code points: "Деление на нуль".
  const wchar_t division[] = {0x0414, 0x0435, 0x043B, 0x0435, 0x043D, 0x0438,
                              0x0435, L' ',   0x043D, 0x0430, L' ',   0x043D,
                              0x0443, 0x043B, 0x044C, 0};
  EXPECT_EQ(Msg(matrix::kDivisionByZero), division);
}

// The message comes from the library's own table whichever resource
// module the host has made current (its own, another one, or the
// library's), and that module is current again afterwards.
TEST(FaultReport, LoadsFromTheLibraryModuleWhateverModuleIsCurrent) {
  const HINSTANCE before = AfxGetResourceHandle();
  const HINSTANCE currents[] = {before, reinterpret_cast<HINSTANCE>(0x6000),
                                App().m_hInstance};
  for (HINSTANCE current : currents) {
    AfxSetResourceHandle(current);
    EXPECT_TRUE(Faults([] { ThrowFormulaError(matrix::kNoRightOperand); },
                       Msg(matrix::kNoRightOperand)))
        << current;
    EXPECT_EQ(AfxGetResourceHandle(), current);
    EXPECT_TRUE(
        Faults([] { ThrowFormulaError(matrix::kUnknownOperator, L"%"); },
               CString(L"% - ") + Msg(matrix::kUnknownOperator)))
        << current;
    EXPECT_EQ(AfxGetResourceHandle(), current);
  }
  AfxSetResourceHandle(before);
}

TEST(LastError, ReadingCopiesAndReplacesWithoutClearing) {
  Values values;
  CString text(L"1/0");
  EXPECT_TRUE(Faults([&] { CompileStrV(text, values, 0); },
                     Msg(matrix::kDivisionByZero)));
  CString out(L"previous content");
  GetLastErrorM(out);
  EXPECT_EQ(out, Msg(matrix::kDivisionByZero));
  GetLastErrorM(out);
  EXPECT_EQ(out, Msg(matrix::kDivisionByZero));
}

TEST(LastError, OnlyTheCheckerAndTheEvaluatorClearIt) {
  Values values;
  CString bad(L"Sin(0)");
  EXPECT_TRUE(Faults([&] { CompileStrV(bad, values, 0); },
                     Msg(matrix::kUnknownFunction, L"Sin")));

  CString simple(L"2+3");
  EXPECT_EQ(CompileSimpleStrV(simple, values), 5.0);
  CString name(L"cos");
  EXPECT_EQ(CompileFuncStrV(name, 0.0), 1.0);
  CString left(L"1");
  CString right(L"2");
  EXPECT_EQ(DoOperation(left, right, L'+', values), 3.0);
  CString operand(L"4");
  EXPECT_EQ(GetData(operand, values), 4.0);
  EXPECT_EQ(LastError(), Msg(matrix::kUnknownFunction, L"Sin"));

  CString good(L"2*3");
  VerifyFormule(good);
  EXPECT_TRUE(LastError().IsEmpty());

  EXPECT_TRUE(Faults([&] { CompileStrV(bad, values, 0); },
                     Msg(matrix::kUnknownFunction, L"Sin")));
  EXPECT_EQ(CompileStrV(good, values, 0), 6.0);
  EXPECT_TRUE(LastError().IsEmpty());
}

// Formula functions are for one thread at a time, but a host that calls
// them from several threads must not corrupt memory: one thread emptying
// the last-error text while another's fault report assigns it must not
// free the text under the other. Four threads fault and succeed in turn;
// every text read is whole (empty or one of the four messages), every value
// right.
TEST(LastError, ConcurrentCallersReadWholeMessages) {
  struct Case {
    const wchar_t* formula;
    CString message;
  };
  const Case cases[4] = {{L"Sin(0)", Msg(matrix::kUnknownFunction, L"Sin")},
                         {L"1/0", Msg(matrix::kDivisionByZero)},
                         {L"2*-3", Msg(matrix::kOperatorsInRow)},
                         {L"2+(", Msg(matrix::kOpenAtEnd)}};
  std::atomic<int> bad_texts{0};
  std::atomic<int> bad_values{0};
  std::atomic<int> missing_faults{0};
  auto worker = [&](int k) {
    Values values;
    for (int round = 0; round < 500; ++round) {
      CString bad(cases[k].formula);
      try {
        CompileStrV(bad, values, 1);
        ++missing_faults;
      } catch (CUserException* e) {
        e->Delete();
      }
      CString text;
      GetLastErrorM(text);
      bool whole = text.IsEmpty();
      for (const Case& c : cases) whole = whole || text == c.message;
      if (!whole) ++bad_texts;
      CString good(L"(2+3)*4");
      if (CompileStrV(good, values, 1) != 20.0) ++bad_values;
    }
  };
  std::vector<std::thread> threads;
  for (int k = 0; k < 4; ++k) threads.emplace_back(worker, k);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(bad_texts.load(), 0);
  EXPECT_EQ(bad_values.load(), 0);
  EXPECT_EQ(missing_faults.load(), 0);
  // One thread alone again: the text is its own.
  Values values;
  CString bad(L"1/0");
  EXPECT_TRUE(Faults([&] { CompileStrV(bad, values, 0); },
                     Msg(matrix::kDivisionByZero)));
}

}  // namespace
