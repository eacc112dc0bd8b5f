// matrix - the formula checker, VerifyFormule.
#include <matrix/formula.h>

#include <array>
#include <string_view>

#include "formula/operand.h"
#include "frame/app.h"

namespace {

using namespace matrix;
using namespace matrix::detail;

// What the rules look at in a character, for the ASCII range (no other
// character is examined).
enum : unsigned char {
  kForbidden = 1,  // & , ; : ^ ! ? < > = @ $ " ' | { }
  kOpen = 2,
  kClose = 4,
  kSquareOpen = 8,
  kSquareClose = 16,
  kOp = 32,            // \ / * + -
  kBadAfterOpen = 64,  // ) * \ / ]: may not follow a '(' directly
};

constexpr std::array<unsigned char, 128> MakeClasses() {
  std::array<unsigned char, 128> t{};
  for (char c : std::string_view("&,;:^!?<>=@$\"'|{}")) t[c] |= kForbidden;
  for (char c : std::string_view("\\/*+-")) t[c] |= kOp;
  for (char c : std::string_view(")*\\/]")) t[c] |= kBadAfterOpen;
  t['('] |= kOpen;
  t[')'] |= kClose;
  t['['] |= kSquareOpen;
  t[']'] |= kSquareClose;
  return t;
}
constexpr std::array<unsigned char, 128> kClasses = MakeClasses();

unsigned Classes(wchar_t c) {
  return (c >= 0 && c < 128) ? kClasses[static_cast<std::size_t>(c)] : 0u;
}

}  // namespace

// One pass over the text; at each position the rules run in a fixed order
// and the first that fails is reported. The rules about the most recent '('
// (it may not end the text, nor be followed by ) * \ / ]) and the most
// recent '[' (it may not end the text) hold at every later position once
// they held where that bracket stands, so they are judged there: this is
// the same first fault, found without re-reading at every position. The
// totals of both kinds of bracket are compared at the end; their nesting
// is not.
void VerifyFormule(CString& text) {
  ClearLastError();
  const wchar_t* p = text.GetString();
  const int n = text.GetLength();
  int parens = 0;
  bool seen_open = false;
  int squares = 0;
  bool seen_square = false;
  for (int i = 0; i < n; ++i) {
    const unsigned c = Classes(p[i]);
    if (c == 0) continue;
    if (c & kForbidden) {
      ThrowFormulaError(kBadCharacter, std::wstring_view(&p[i], 1));
    }
    if (c & kOpen) {
      seen_open = true;
      ++parens;
    }
    if (c & kClose) {
      if (!seen_open) ThrowFormulaError(kCloseAtStart);
      --parens;
    }
    if (c & kOpen) {
      if (i == n - 1) ThrowFormulaError(kOpenAtEnd);
      if (Classes(p[i + 1]) & kBadAfterOpen)
        ThrowFormulaError(kBadAfterBracket);
    }
    if (c & kSquareOpen) {
      seen_square = true;
      ++squares;
      if (i == n - 1) ThrowFormulaError(kSquareOpenAtEnd);
    }
    if (c & kSquareClose) {
      if (!seen_square) ThrowFormulaError(kSquareCloseAtStart);
      --squares;
    }
    // Rule order keeps the look-ahead inside the text: an operator at the
    // last position is refused before its successor would be read.
    if (c & kOp) {
      if (i == 0 || i == n - 1) ThrowFormulaError(kOperatorAtEnd);
      if (Classes(p[i + 1]) & kOp) ThrowFormulaError(kOperatorsInRow);
    }
  }
  if (parens != 0 || squares != 0) ThrowFormulaError(kUnbalanced);
}
