// The module object, the message table, the resource-handle guard and the
// last-error text.
#include "frame/app.h"

#include <gtest/gtest.h>

#include <atomic>
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

// Lengths and FNV-1a hashes (over the code points) of the fourteen texts,
// worked out from the message table the library is built to; they catch a
// changed letter without a second copy of the texts.
TEST(MessageTable, HoldsTheFourteenRussianTexts) {
  struct Row {
    UINT id;
    int length;
    std::uint32_t fnv;
  };
  const Row rows[] = {
      {158, 28, 0xCDB7F70Eu}, {159, 40, 0xFEEC7D20u}, {160, 40, 0x2D933294u},
      {161, 39, 0x62C34417u}, {162, 38, 0xEFBC3A8Bu}, {163, 58, 0x3868CC9Au},
      {164, 39, 0x43A74A34u}, {165, 47, 0x11DD357Eu}, {166, 48, 0xA0CF3E70u},
      {167, 30, 0xF48DB0F4u}, {168, 45, 0xCF1B92F2u}, {169, 20, 0x6929D087u},
      {170, 15, 0x696C20E6u}, {171, 20, 0xBF91F617u},
  };
  const WORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
  for (const Row& row : rows) {
    CString text;
    ASSERT_TRUE(AfxLoadStringResource(App().m_hInstance, row.id, russian, text))
        << row.id;
    std::uint32_t h = 2166136261u;
    for (int i = 0; i < text.GetLength(); ++i) {
      h = (h ^ static_cast<std::uint32_t>(text[i])) * 16777619u;
    }
    EXPECT_EQ(text.GetLength(), row.length) << row.id;
    EXPECT_EQ(h, row.fnv) << row.id;
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

TEST(SSetRec, SwitchesTheResourceModuleAndRestoresIt) {
  const HINSTANCE before = AfxGetResourceHandle();
  const HINSTANCE other = reinterpret_cast<HINSTANCE>(0x5000);
  {
    SSetRec none(nullptr);
    EXPECT_EQ(none.m_restore, nullptr);
    EXPECT_EQ(AfxGetResourceHandle(), before);
  }
  {
    SSetRec same(before);
    EXPECT_EQ(same.m_restore, nullptr);
    EXPECT_EQ(AfxGetResourceHandle(), before);
  }
  {
    SSetRec outer(other);
    EXPECT_EQ(outer.m_restore, before);
    EXPECT_EQ(AfxGetResourceHandle(), other);
    {
      SSetRec inner(other);  // already current: nothing to restore
      EXPECT_EQ(inner.m_restore, nullptr);
    }
    EXPECT_EQ(AfxGetResourceHandle(), other);
  }
  EXPECT_EQ(AfxGetResourceHandle(), before);
}

TEST(FaultReport, LoadsFromTheLibraryModuleWhateverModuleIsCurrent) {
  const HINSTANCE before = AfxGetResourceHandle();
  AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(0x6000));
  EXPECT_TRUE(Faults([] { ThrowFormulaError(matrix::kNoRightOperand); },
                     Msg(matrix::kNoRightOperand)));
  EXPECT_EQ(AfxGetResourceHandle(), reinterpret_cast<HINSTANCE>(0x6000));
  AfxSetResourceHandle(before);
  EXPECT_TRUE(Faults([] { ThrowFormulaError(matrix::kUnknownOperator, L"%"); },
                     Msg(matrix::kUnknownOperator, L"%")));
  EXPECT_EQ(Msg(matrix::kUnknownOperator, L"%"),
            CString(L"% - ") + Msg(matrix::kUnknownOperator));
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
// the last-error text while another's fault report assigned it was a
// heap-use-after-free. Four threads fault and succeed in turn; every text
// read is whole (empty or one of the four messages), every value right.
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
