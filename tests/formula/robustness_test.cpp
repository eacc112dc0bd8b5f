// The evaluator against a step-by-step rewriting of the text, on random
// formulas; the host's numeric locale; very long, deeply nested and hostile
// texts.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "frame/app.h"
#include "support/afx_testing.h"
#include "support/formula_testing.h"
#include "support/locale_testing.h"

namespace {

using namespace matrix::testing;

bool IsOp(wchar_t c) {
  return c == L'*' || c == L'\\' || c == L'/' || c == L'-' || c == L'+';
}

CString Ref(INT_PTR k) {
  CString r;
  r.Format(L"#%i", static_cast<int>(k));
  return r;
}

// The evaluation written as the literal rewriting of the text, one step at
// a time (quadratic, and obviously so), with the library's reading of a
// final operand: through GetData, commas read as points unless it is a
// reference.
double ReferenceSimple(CString& text, Values& values) {
  for (;;) {
    int op = text.FindOneOf(L"*\\/");
    if (op < 0) op = text.FindOneOf(L"-+");
    if (op < 0) break;
    int first = op;
    while (first > 0 && !IsOp(text[first - 1])) --first;
    int last = op;
    while (last + 1 < text.GetLength() && !IsOp(text[last + 1])) ++last;
    CString left = text.Mid(first, op - first);
    CString right = text.Mid(op + 1, last - op);
    const double value = DoOperation(left, right, text[op], values);
    const INT_PTR k = values.Add(value);
    text = text.Left(first) + Ref(k) + text.Mid(last + 1);
  }
  if (!text.IsEmpty() && text[0] != L'#') text.Replace(L',', L'.');
  CString operand(text);
  return GetData(operand, values);
}

double ReferenceCompile(CString& text, Values& values, int clear) {
  VerifyFormule(text);
  for (int close = text.Find(L')'); close > 0; close = text.Find(L')')) {
    int open = close;
    while (open >= 0 && text[open] != L'(') --open;
    if (open < 0) matrix::detail::ThrowFormulaError(matrix::kUnbalanced);
    CString inner = text.Mid(open + 1, close - open - 1);
    const double value = ReferenceSimple(inner, values);
    int name = open;
    while (name > 0 && !IsOp(text[name - 1]) && text[name - 1] != L'(' &&
           text[name - 1] != L')') {
      --name;
    }
    CString function = text.Mid(name, open - name);
    const INT_PTR k = values.Add(CompileFuncStrV(function, value));
    text = text.Left(name) + Ref(k) + text.Mid(close + 1);
  }
  const double result = ReferenceSimple(text, values);
  if (clear) values.RemoveAll();
  return result;
}

struct Outcome {
  enum Kind { kValue, kUser, kInvalid } kind = kValue;
  double value = 0;
  CString text;
  std::vector<double> values;
  CString error;
};

template <class F>
Outcome Evaluate(const CString& formula, F&& evaluate) {
  Outcome o;
  Values values;
  values.Add(0.5);
  values.Add(-3);
  CString text(formula);
  try {
    o.value = evaluate(text, values);
  } catch (CUserException* e) {
    DeleteOnExit guard(e);
    o.kind = Outcome::kUser;
  } catch (CInvalidArgException* e) {
    DeleteOnExit guard(e);
    o.kind = Outcome::kInvalid;
  }
  o.text = text;
  o.values = Elements(values);
  o.error = LastError();
  return o;
}

bool Same(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || a == b;
}

// Random formulas: half from a small grammar (mostly well formed), half
// character soup over the formula alphabet.
class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  CString Next() {
    std::wstring s;
    if (Pick(2) == 0) {
      Expression(s, 0);
    } else {
      static const wchar_t kSoup[] =
          L"0123456789..+-*/\\()()[]#PIsincoexqrth ,&";
      const int n = 1 + Pick(24);
      for (int i = 0; i < n; ++i)
        s += kSoup[Pick(sizeof kSoup / sizeof(wchar_t) - 1)];
    }
    return CString(s.c_str());
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  void Operand(std::wstring& s, int depth) {
    static const wchar_t* kAtoms[] = {L"1",  L"2.5", L"0",   L"#0",
                                      L"#1", L"#2",  L"PI",  L"0.125",
                                      L"7",  L"x",   L"3,5", L" 4"};
    static const wchar_t* kNames[] = {L"",     L"",    L"sin", L"cos",
                                      L"sqrt", L"exp", L"ch",  L"th",
                                      L"ctan", L"Sin", L"2"};
    if (depth < 4 && Pick(3) == 0) {
      s += kNames[Pick(11)];
      s += L'(';
      if (Pick(4) == 0) s += L"-";
      Expression(s, depth + 1);
      s += L')';
    } else {
      s += kAtoms[Pick(12)];
    }
  }

  void Expression(std::wstring& s, int depth) {
    static const wchar_t kOps[] = L"+-*/\\";
    Operand(s, depth);
    const int n = Pick(4);
    for (int i = 0; i < n; ++i) {
      s += kOps[Pick(5)];
      Operand(s, depth);
    }
  }

  std::mt19937 rng_;
};

TEST(Robustness, MatchesTheStepByStepRewritingOnRandomFormulas) {
  Generator generator(20261208);
  int values = 0;
  for (int i = 0; i < 20000; ++i) {
    const CString formula = generator.Next();
    Outcome want = Evaluate(formula, [](CString& t, Values& v) {
      return ReferenceCompile(t, v, 0);
    });
    Outcome got = Evaluate(
        formula, [](CString& t, Values& v) { return CompileStrV(t, v, 0); });
    ASSERT_EQ(got.kind, want.kind) << Narrow(formula);
    ASSERT_TRUE(Same(got.value, want.value)) << Narrow(formula);
    ASSERT_EQ(got.text, want.text) << Narrow(formula);
    ASSERT_EQ(got.error, want.error) << Narrow(formula);
    ASSERT_EQ(got.values.size(), want.values.size()) << Narrow(formula);
    for (std::size_t j = 0; j < got.values.size(); ++j) {
      ASSERT_TRUE(Same(got.values[j], want.values[j])) << Narrow(formula);
    }
    if (got.kind == Outcome::kValue) ++values;
  }
  EXPECT_GT(values, 3000);  // the comparison exercised real evaluations
}

TEST(Robustness, ReadsDecimalPointsWhateverTheNumericLocale) {
  const ScopedLocale russian(LC_ALL, "ru_RU.UTF-8");
  MATRIX_REQUIRE_LOCALE(russian, "ru_RU.UTF-8");
  ASSERT_EQ(*std::localeconv()->decimal_point, ',');
  Values values;
  CString text(L"1.5+1");
  EXPECT_EQ(CompileStrV(text, values, 1), 2.5);
  CString operand(L"0.25");
  EXPECT_EQ(GetData(operand, values), 0.25);
  CString comma(L"3,5");
  EXPECT_EQ(CompileSimpleStrV(comma, values), 3.5);
  CString cyrillic(L"\u0431+1");  // upper-cased under this locale
  EXPECT_TRUE(Faults([&] { CompileStrV(cyrillic, values, 0); },
                     Msg(matrix::kBadCharacter, L"\u0411")));
}

TEST(Robustness, EvaluatesAHundredThousandCharacters) {
  std::wstring sum = L"1";
  for (int i = 0; i < 49999; ++i) sum += L"+1";  // 99 999 characters
  Values values;
  CString text(sum.c_str());
  EXPECT_EQ(CompileStrV(text, values, 0), 50000.0);
  EXPECT_EQ(values.GetSize(), 49999);
  EXPECT_EQ(text, L"#49998");

  std::wstring mixed;
  for (int i = 0; i < 10000; ++i) mixed += L"(2*3-sin(0))/2+";
  mixed += L"0";
  values.RemoveAll();
  CString long_text(mixed.c_str());
  EXPECT_EQ(CompileStrV(long_text, values, 1), 30000.0);
  EXPECT_EQ(values.GetSize(), 0);
}

TEST(Robustness, EvaluatesTenThousandNestedBrackets) {
  const std::wstring deep =
      std::wstring(10000, L'(') + L"1" + std::wstring(10000, L')');
  Values values;
  CString text(deep.c_str());
  EXPECT_EQ(CompileStrV(text, values, 0), 1.0);
  EXPECT_EQ(values.GetSize(), 10000);

  const std::wstring functions = [] {
    std::wstring s;
    for (int i = 0; i < 10000; ++i) s += L"sqrt(";
    return s + L"1" + std::wstring(10000, L')');
  }();
  CString nested(functions.c_str());
  EXPECT_EQ(CompileStrV(nested, values, 1), 1.0);

  const std::wstring open = std::wstring(10000, L'(') + L"1";
  CString unbalanced(open.c_str());
  EXPECT_TRUE(Faults([&] { CompileStrV(unbalanced, values, 0); },
                     Msg(matrix::kUnbalanced)));
}

TEST(Robustness, HostileReferencesAndCharacters) {
  Values values;
  values.Add(4);
  CString huge(L"#1234567890123456789012345+1");
  EXPECT_AFX_THROW(CompileStrV(huge, values, 0), CInvalidArgException);
  CString lone(L"#");
  EXPECT_EQ(CompileStrV(lone, values, 0), 4.0);
  CString lone_op(L"#*#");
  EXPECT_EQ(CompileStrV(lone_op, values, 0), 16.0);
  Values empty;
  CString nothing(L"#");
  EXPECT_AFX_THROW(CompileStrV(nothing, empty, 0), CInvalidArgException);

  // Every character the checker or the operand reader refuses, one text.
  CString all(L"1&,;:^!?<>=@$\"'|{}%abc\u0436\u0416");
  EXPECT_TRUE(Faults([&] { CompileStrV(all, values, 0); },
                     Msg(matrix::kBadCharacter, L"&")));
  CString percent(L"1%+2");
  EXPECT_TRUE(Faults([&] { CompileStrV(percent, values, 0); },
                     Msg(matrix::kBadCharacter, L"%")));

  // Characters outside the formula alphabet, control characters, code
  // points beyond the basic plane and an embedded 0 do no harm.
  const wchar_t odd[] = {L'1', L'+', 0x1F600, L'2', L'\x7f', L'*', L'3', 0};
  CString strange(odd);
  EXPECT_EQ(CompileStrV(strange, values, 0), 1.0);
  const wchar_t with_zero[] = {L'2', L'*', L'3', 0, L'x'};
  CString zero(with_zero, 5);
  EXPECT_TRUE(Faults([&] { CompileStrV(zero, values, 0); },
                     Msg(matrix::kBadCharacter, L"X")));
}

}  // namespace
