// matrix - the expression evaluator: CompileFuncStrV, CompileSimpleStrV,
// CompileStrV.
//
// The evaluator is defined as a rewriting of the formula text: each reduced
// operation or bracket is replaced by a reference #k to the value it
// appends to the value array. Rewriting the whole text at every step costs
// time quadratic in its length, so the rewriting is simulated instead: the
// values are appended in the same order, the operands each operation sees
// are the same texts, and the text the caller gets back (also when a fault
// ends the call) is the text the step-by-step rewriting would have left.
#include <matrix/formula.h>
#include <matrix/numeric.h>

#include <cmath>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "formula/operand.h"
#include "frame/app.h"
#include "frame/rethrow.h"

namespace matrix::detail {
namespace {

// "#k" as the evaluator writes references ("#%i": no leading zeros).
void AppendReference(std::wstring& out, INT_PTR k) {
  wchar_t digits[24];
  int n = 0;
  unsigned long long u = static_cast<unsigned long long>(k);
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + u % 10);
    u /= 10;
  } while (u);
  out += L'#';
  while (n) out += digits[--n];
}

// Work space of one evaluation, reused across its brackets.
struct Scratch {
  // One operand of a bracket-free text: a span of the original text, or,
  // once an operation has consumed it, the reference #k to its value.
  struct Slot {
    int start;
    int length;
    int parent;  // leftmost slot of the operand this slot is now part of
    bool reduced;
    double value;
    INT_PTR k;
  };
  std::vector<int> ops;  // positions of the operator characters
  std::vector<Slot> slots;
  std::vector<int> order;  // operators in the order they are reduced
  std::vector<int> open;   // positions of the pending '(' in `out`
  std::wstring out;        // the rewritten text up to the current position
};

int Representative(std::vector<Scratch::Slot>& slots, int i) {
  int root = i;
  while (slots[root].parent != root) root = slots[root].parent;
  while (slots[i].parent != root) {
    int next = slots[i].parent;
    slots[i].parent = root;
    i = next;
  }
  return root;
}

// The text that the step-by-step rewriting holds at this point.
std::wstring Rewritten(std::wstring_view text, Scratch& s) {
  std::wstring result;
  const int m = static_cast<int>(s.ops.size());
  for (int i = 0; i <= m; ++i) {
    const Scratch::Slot& slot = s.slots[i];
    if (slot.parent == i) {
      if (slot.reduced) {
        AppendReference(result, slot.k);
      } else {
        result.append(text.substr(slot.start, slot.length));
      }
    }
    // An operator is still in the text unless it joined its two slots.
    if (i < m && Representative(s.slots, i + 1) != Representative(s.slots, i)) {
      result += text[s.ops[i]];
    }
  }
  return result;
}

// Reduces a bracket-free text the way CompileSimpleStrV does, up to (not
// including) its final operand. Returns the index of the slot that remains.
// On a fault, `*rewritten` (when given) receives the text as the rewriting
// had left it; the fault is then passed on.
int Reduce(std::wstring_view text, Values& values, Scratch& s,
           std::wstring* rewritten) {
  s.ops.clear();
  s.slots.clear();
  s.order.clear();
  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    if (IsOperator(text[i])) s.ops.push_back(i);
  }
  const int m = static_cast<int>(s.ops.size());
  int start = 0;
  for (int i = 0; i <= m; ++i) {
    int end = i < m ? s.ops[i] : n;
    s.slots.push_back({start, end - start, i, false, 0.0, 0});
    start = end + 1;
  }
  if (m == 0) return 0;
  // Multiplicative operators first, each time the leftmost, then the
  // additive ones: rewriting never adds operators, so this is their order
  // in the text.
  for (int j = 0; j < m; ++j) {
    if (IsMultiplicative(text[s.ops[j]])) s.order.push_back(j);
  }
  for (int j = 0; j < m; ++j) {
    if (!IsMultiplicative(text[s.ops[j]])) s.order.push_back(j);
  }
  try {
    for (int j : s.order) {
      const int left = Representative(s.slots, j);
      const int right =
          j + 1;  // only operator j could have joined it leftwards
      const Scratch::Slot& l = s.slots[left];
      const Scratch::Slot& r = s.slots[right];
      const OperandRef lref{text.substr(l.start, l.length),
                            l.reduced ? &l.value : nullptr};
      const OperandRef rref{text.substr(r.start, r.length),
                            r.reduced ? &r.value : nullptr};
      const double value = Operate(lref, rref, text[s.ops[j]], values);
      const INT_PTR k = values.Add(value);
      Scratch::Slot& joined = s.slots[left];
      joined.reduced = true;
      joined.value = value;
      joined.k = k;
      s.slots[right].parent = left;
    }
  } catch (...) {
    CleanUpAndRethrow([&] {
      if (rewritten) *rewritten = Rewritten(text, s);
    });
  }
  return Representative(s.slots, 0);
}

// The value of a bracket-free text, as CompileSimpleStrV computes it for a
// copy of the text (the copy itself is not needed).
double SimpleValue(std::wstring_view text, Values& values, Scratch& s) {
  const int last = Reduce(text, values, s, nullptr);
  const Scratch::Slot& slot = s.slots[last];
  if (slot.reduced) return slot.value;
  if (!text.empty() && text[0] == L'#') return OperandValue(text, values);
  // The final operand of an unrewritten text: commas read as points.
  std::wstring copy(text);
  for (wchar_t& c : copy) {
    if (c == L',') c = L'.';
  }
  return OperandValue(copy, values);
}

double FunctionValue(std::wstring_view name, double x) {
  // Names compare as the C strings they are.
  const std::wstring_view key = name.substr(0, name.find(L'\0'));
  if (key.empty()) return x;
  if (key == L"cos") return std::cos(x);
  if (key == L"sin") return std::sin(x);
  if (key == L"tan") return std::tan(x);
  if (key == L"ctan") return 1 / std::tan(x);
  if (key == L"exp") return std::exp(x);
  if (key == L"sh") return sh(x);
  if (key == L"ch") return ch(x);
  if (key == L"th") return th(x);
  if (key == L"cth") return cth(x);
  if (key == L"sqrt") return std::sqrt(x);
  ThrowFormulaError(kUnknownFunction, name);
}

bool EndsFunctionName(wchar_t c) {
  return IsOperator(c) || c == L'(' || c == L')';
}

}  // namespace
}  // namespace matrix::detail

using matrix::detail::Values;

double CompileFuncStrV(CString& name, double x) {
  return matrix::detail::FunctionValue(
      std::wstring_view(name.GetString(), name.GetLength()), x);
}

// The evaluator's own work space (the scratch arrays, the rebuilt text)
// reports exhausted memory as the framework's types do.
double CompileSimpleStrV(CString& text, Values& values) {
  return matrix::platform::WithFrameworkMemory(
      [&] { return matrix::detail::ReduceText(text, values); });
}

double CompileStrV(CString& text, Values& values, int clear) {
  return matrix::platform::WithFrameworkMemory(
      [&] { return matrix::detail::EvaluateFormula(text, values, clear); });
}

double matrix::detail::ReduceText(CString& text, Values& values) {
  Scratch s;
  const std::wstring_view view(text.GetString(), text.GetLength());
  std::wstring rewritten;
  int last;
  try {
    last = Reduce(view, values, s, &rewritten);
  } catch (...) {
    CleanUpAndRethrow([&] {
      text = CString(rewritten.data(), static_cast<int>(rewritten.size()));
    });
  }
  const Scratch::Slot& slot = s.slots[last];
  if (slot.reduced) {
    std::wstring ref;
    AppendReference(ref, slot.k);
    text = ref.c_str();
    return slot.value;
  }
  // No operator: the final operand is the text itself, commas read as
  // points unless it is a reference.
  if (!text.IsEmpty() && text[0] != L'#') text.Replace(L',', L'.');
  return OperandValue(std::wstring_view(text.GetString(), text.GetLength()),
                      values);
}

double matrix::detail::EvaluateFormula(CString& text, Values& values,
                                       int clear) {
  ClearLastError();
  VerifyFormule(text);

  // Brackets are reduced in the order of their ')', each with the nearest
  // '(' to its left in the rewritten text; everything left of the current
  // ')' is final by then, so it is built up once in `s.out`.
  Scratch s;
  const std::wstring_view source(text.GetString(), text.GetLength());
  const int n = static_cast<int>(source.size());
  s.out.reserve(source.size());
  int i = 0;
  try {
    for (; i < n; ++i) {
      const wchar_t c = source[i];
      if (c != L')') {
        if (c == L'(') s.open.push_back(static_cast<int>(s.out.size()));
        s.out += c;
        continue;
      }
      // A ')' at the very start of the text ends the bracket loop.
      if (s.out.empty()) break;
      // A ')' that closes more brackets than were opened before it.
      if (s.open.empty()) ThrowFormulaError(kUnbalanced);
      const int open = s.open.back();
      const double inner =
          SimpleValue(std::wstring_view(s.out).substr(open + 1), values, s);
      int name = open;
      while (name > 0 && !EndsFunctionName(s.out[name - 1])) --name;
      const double value = FunctionValue(
          std::wstring_view(s.out).substr(name, open - name), inner);
      const INT_PTR k = values.Add(value);
      s.open.pop_back();
      s.out.resize(name);
      AppendReference(s.out, k);
    }
  } catch (...) {
    CleanUpAndRethrow([&] {
      s.out.append(source.substr(i));
      text = CString(s.out.data(), static_cast<int>(s.out.size()));
    });
  }
  s.out.append(source.substr(i));
  text = CString(s.out.data(), static_cast<int>(s.out.size()));

  const double result = ReduceText(text, values);
  if (clear != 0) values.RemoveAll();
  return result;
}
