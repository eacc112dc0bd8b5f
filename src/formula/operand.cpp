// matrix - operands and single operations: GetData, DoOperation.
#include "formula/operand.h"

#include <crtlocale.h>
#include <matrix/formula.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "frame/app.h"

namespace matrix::detail {
namespace {

// Formulas use '.' as the decimal point whatever LC_NUMERIC the host has
// set (hosts in Russian locales have a decimal comma), so numbers are read
// under a "C" locale object of our own rather than the global locale. It is
// made once and never changes.
_locale_t CLocale() {
  static const _locale_t c = _create_locale(LC_ALL, "C");
  return c;
}

// Which of the four forbidden character sets `c` belongs to (bit s for set
// s), in the order they are searched:
//   0: abcdefghijklmnopqrstuvwxyz,;:'@!%^&*()|
//   1: ABCDEFGHIJKLMNOPQRSTUVWXYZ
//   2: the 33 lower-case Russian letters (а..я and ё)
//   3: the 33 upper-case Russian letters (А..Я and Ё)
unsigned ForbiddenSets(wchar_t c) {
  if (c >= L'a' && c <= L'z') return 1u;
  if (c >= L'A' && c <= L'Z') return 2u;
  if ((c >= 0x0430 && c <= 0x044F) || c == 0x0451) return 4u;
  if ((c >= 0x0410 && c <= 0x042F) || c == 0x0401) return 8u;
  switch (c) {
    case L',':
    case L';':
    case L':':
    case L'\'':
    case L'@':
    case L'!':
    case L'%':
    case L'^':
    case L'&':
    case L'*':
    case L'(':
    case L')':
    case L'|':
      return 1u;
    default:
      return 0u;
  }
}

// Small operands are copied to the stack; the rare long one to the heap.
class OperandBuffer {
 public:
  explicit OperandBuffer(std::wstring_view text) {
    if (text.size() >= kInline) {
      heap_.resize(text.size() + 1);
      data_ = heap_.data();
    }
    std::wmemcpy(data_, text.data(), text.size());
    data_[text.size()] = 0;
  }
  OperandBuffer(const OperandBuffer&) = delete;
  OperandBuffer& operator=(const OperandBuffer&) = delete;
  wchar_t* data() { return data_; }

 private:
  static constexpr std::size_t kInline = 64;
  wchar_t inline_[kInline];
  std::vector<wchar_t> heap_;
  wchar_t* data_ = inline_;
};

// The checks and the operation of DoOperation, in its order: a missing
// left operand of * / \, the left operand read, a missing right operand,
// the right operand read, then the operator and the divisor. `read_left`
// and `read_right` read the operands the way the caller wants them read.
template <class ReadLeft, class ReadRight>
double Apply(bool left_empty, bool right_empty, wchar_t op,
             ReadLeft&& read_left, ReadRight&& read_right) {
  double left = 0.0;
  if (left_empty && IsMultiplicative(op)) ThrowFormulaError(kNoLeftOperand);
  if (!left_empty) left = read_left();
  if (right_empty) ThrowFormulaError(kNoRightOperand);
  double right = read_right();
  switch (op) {
    case L'+':
      return left + right;
    case L'-':
      return left - right;
    case L'*':
      return left * right;
    case L'/':
    case L'\\':
      if (std::fabs(right) < kDivisionThreshold) {
        ThrowFormulaError(kDivisionByZero);
      }
      return left / right;
    default:
      ThrowFormulaError(kUnknownOperator, std::wstring_view(&op, 1));
  }
}

// The number at the start of an operand that holds no letters. There a
// sign, digits and one point are all that wcstod can read, and
// std::from_chars reads those with the same correct rounding but without
// the locale machinery. Anything else (no digits, a long number, a letter
// after the digits) goes to the C run-time.
double ReadOperandNumber(const wchar_t* text, int length) {
  constexpr int kMaxChars = 40;  // ≤ 1e40 and ≥ 1e-39: no overflow or underflow
  char digits[kMaxChars];
  int count = 0;
  int seen_digits = 0;
  bool point = false;
  int i = 0;
  const bool negative = length > 0 && text[0] == L'-';
  if (length > 0 && (text[0] == L'-' || text[0] == L'+')) ++i;
  for (; i < length; ++i) {
    const wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      ++seen_digits;
    } else if (c == L'.' && !point) {
      point = true;
    } else {
      break;
    }
    if (count == kMaxChars) return ReadNumber(text);
    digits[count++] = static_cast<char>(c);
  }
  if (seen_digits == 0) return ReadNumber(text);
  if (i < length && ((text[i] | 0x20) >= L'a' && (text[i] | 0x20) <= L'z')) {
    return ReadNumber(text);
  }
  double value = 0;
  const auto [end, error] =
      std::from_chars(digits, digits + count, value, std::chars_format::fixed);
  if (error != std::errc() || end != digits + count) return ReadNumber(text);
  return negative ? -value : value;
}

}  // namespace

double ReadNumber(const wchar_t* text) {
  return _wcstod_l(text, nullptr, CLocale());
}

long ReadIndex(const wchar_t* text) {
  return _wcstol_l(text, nullptr, 10, CLocale());
}

double NormalizedOperandValue(const wchar_t* text, int length, Values& values) {
  if (length >= 2 && text[0] == L'P' && text[1] == L'I') return kPi;
  if (length >= 1 && text[0] == L'#') {
    return ValueAt(values, ReadIndex(text + 1));
  }
  // The leftmost character of each set, in set order.
  int first[4] = {-1, -1, -1, -1};
  unsigned missing = 0xFu;
  for (int i = 0; i < length && missing; ++i) {
    unsigned sets = ForbiddenSets(text[i]) & missing;
    if (!sets) continue;
    for (int s = 0; s < 4; ++s) {
      if (sets & (1u << s)) first[s] = i;
    }
    missing &= ~sets;
  }
  if (missing != 0xFu) {
    wchar_t collection[4];
    std::size_t count = 0;
    for (int s = 0; s < 4; ++s) {
      if (first[s] >= 0) collection[count++] = text[first[s]];
    }
    ThrowFormulaError(kBadCharacter, std::wstring_view(collection, count));
  }
  return ReadOperandNumber(text, length);
}

double OperandValue(std::wstring_view text, Values& values) {
  // Upper-casing and trimming as CString::MakeUpper and TrimLeft do them.
  OperandBuffer buffer(text);
  wchar_t* p = buffer.data();
  std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    // Below 'a' the ASCII range holds no lower-case letter in any locale.
    if (p[i] >= L'a' || p[i] < 0) {
      p[i] = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(p[i])));
    }
  }
  std::size_t start = 0;
  while (start < n && std::iswspace(static_cast<wint_t>(p[start]))) ++start;
  return NormalizedOperandValue(p + start, static_cast<int>(n - start), values);
}

double Operate(const OperandRef& left, const OperandRef& right, wchar_t op,
               Values& values) {
  auto read = [&values](const OperandRef& operand) {
    return operand.value ? *operand.value : OperandValue(operand.text, values);
  };
  return Apply(
      !left.value && left.text.empty(), !right.value && right.text.empty(), op,
      [&] { return read(left); }, [&] { return read(right); });
}

}  // namespace matrix::detail

using matrix::detail::Values;

double GetData(CString& text, Values& values) {
  text.MakeUpper();
  text.TrimLeft();
  return matrix::detail::NormalizedOperandValue(text.GetString(),
                                                text.GetLength(), values);
}

double DoOperation(CString& left, CString& right, wchar_t op, Values& values) {
  return matrix::detail::Apply(
      left.IsEmpty(), right.IsEmpty(), op,
      [&] { return GetData(left, values); },
      [&] { return GetData(right, values); });
}
