// matrix - internal: reading operands and applying one operation, shared by
// the exported single-step functions and the evaluator.
#ifndef MATRIX_SRC_FORMULA_OPERAND_H_
#define MATRIX_SRC_FORMULA_OPERAND_H_

#include <afx.h>
#include <afxtempl.h>

#include <string_view>

#include "common/constants.h"

namespace matrix::detail {

using Values = CArray<double, double const&>;

// A divisor smaller than this in magnitude counts as zero (2^-52).
constexpr double kDivisionThreshold = kEpsilon;

inline bool IsOperator(wchar_t c) {
  return c == L'*' || c == L'\\' || c == L'/' || c == L'-' || c == L'+';
}
inline bool IsMultiplicative(wchar_t c) {
  return c == L'*' || c == L'\\' || c == L'/';
}

// The number at the start of `text` (NUL-terminated) as wcstod reads it in
// the "C" locale, whatever locale the host has set; 0.0 when there is none.
double ReadNumber(const wchar_t* text);
// The integer at the start of `text` as wcstol reads it in base 10.
long ReadIndex(const wchar_t* text);

// Element `index` of `values`; throws CInvalidArgException* when it has
// none.
inline double ValueAt(Values& values, long index) {
  return values.GetAt(static_cast<INT_PTR>(index));
}

// Reads an operand whose text is already upper-cased and stripped of
// leading white space: PI, a #k reference or a number, with the character
// checks of GetData. `text[length]` must be 0.
double NormalizedOperandValue(const wchar_t* text, int length, Values& values);

// The value of an operand as GetData reads it, without changing `text`.
double OperandValue(std::wstring_view text, Values& values);

// An operand as the evaluator holds it: its text, or, for an operand that
// the rewriting has already replaced by a reference #k, the value it refers
// to (reading "#k" would give exactly that value).
struct OperandRef {
  std::wstring_view text;
  const double* value;
};

// One operation as DoOperation does it, without changing the texts.
double Operate(const OperandRef& left, const OperandRef& right, wchar_t op,
               Values& values);

// CompileSimpleStrV and CompileStrV without the translation of exhausted
// memory into the framework's exception.
double ReduceText(CString& text, Values& values);
double EvaluateFormula(CString& text, Values& values, int clear);

}  // namespace matrix::detail

#endif  // MATRIX_SRC_FORMULA_OPERAND_H_
