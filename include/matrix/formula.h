/// \file
/// \ingroup lib_formula
/// \brief Formula engine: operands, single operations, checking and evaluating
/// formula texts.
#ifndef MATRIX_FORMULA_H_
#define MATRIX_FORMULA_H_

/// \defgroup lib_formula Formula engine (formula.h)
/// \ingroup libmatrix
/// \brief Formula engine: operands, single operations, checking and evaluating
/// formula texts.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
///
/// Formulas hold decimal numbers with a point, PI, references \#k to element k
/// of a value array, round brackets, + - * and the divisions / and \\, and the
/// functions cos sin tan ctan exp sh ch th cth sqrt. Every formula fault puts
/// its message into the last-error text (GetLastErrorM) and throws
/// CUserException*, which carries nothing; a reference \#k outside the value
/// array throws CInvalidArgException* and leaves the text alone; exhausted
/// memory throws CMemoryException*. They arrive as the framework's exceptions
/// do, as pointers: catch (CUserException* e) { ...; e->Delete(); }. Texts
/// passed by reference are rewritten in place, also when a fault ends the call.
/// Numbers are read with '.' as the decimal point whatever the host's locale.
/// The functions share the one last-error text and are meant for one thread
/// at a time; called from several threads at once they stay memory-safe
/// (the text is guarded), but each thread reads the fault written last, by
/// whichever thread.
/// @{

#include <afx.h>
#include <afxtempl.h>
#include <matrix/export.h>

class CDataExchange;

namespace matrix {

/// The formula faults: each is the id of its message in the library's
/// string table (GetLastErrorM gives the text), with an input that raises it.
enum FormulaFault : UINT {
  kBadCharacter = 158,        ///< "2,5", GetData of "a;b"
  kCloseAtStart = 159,        ///< ")2("
  kSquareCloseAtStart = 160,  ///< "(2])"
  kOpenAtEnd = 161,           ///< "2+("
  kBadAfterBracket = 162,     ///< "()", "(*2)"
  kUnbalanced = 163,          ///< "2*(3+4", and "(1))(2" in the evaluator
  kSquareOpenAtEnd = 164,     ///< "2+["
  kOperatorAtEnd = 165,       ///< "-2+3", "2+3-"
  kOperatorsInRow = 166,      ///< "2*-3"
  kUnknownFunction = 167,     ///< "Sin(0)"
  kNoLeftOperand = 168,       ///< DoOperation("", "5", '*')
  kNoRightOperand = 169,      ///< DoOperation("2", "", '+')
  kDivisionByZero = 170,      ///< "1/0"
  kUnknownOperator = 171,     ///< DoOperation("2", "3", '\%')
};

}  // namespace matrix

/// The value of one operand: PI when the text starts with "PI" (any case,
/// after leading blanks), element k of `values` for \#k, else the number at
/// the start of the text (0.0 when there is none). `text` is upper-cased and
/// stripped of leading white space in place. Throws CUserException* (fault
/// 158, subject: the offending characters) for letters or punctuation in a
/// number.
MATRIX_API double GetData(CString& text, CArray<double, double const&>& values);

/// left `op` right for op one of + - * / \\ (both slashes divide); an empty
/// `left` with + or - is a sign. Both texts are rewritten as by GetData.
/// Faults (CUserException*): 168 no left operand for * / \\, 169 empty
/// `right`, 170 a divisor below 2^-52 in magnitude, 171 any other operator
/// (subject: the character); an unreadable operand is reported first.
MATRIX_API double DoOperation(CString& left, CString& right, wchar_t op,
                              CArray<double, double const&>& values);

/// Checks the syntax of a formula without changing it; empties the
/// last-error text first. Returns normally when it passes, else throws
/// CUserException* with the first fault found (158 to 166).
MATRIX_API void VerifyFormule(CString& text);

/// Applies the named function to `x` (names exact, case counts; an empty
/// name returns x). No guard against poles or negative roots: they give
/// infinities and NaN. Unknown name: fault 167 with the name as subject.
MATRIX_API double CompileFuncStrV(CString& name, double x);

/// Evaluates a text without brackets: the leftmost * / \\ first, then the
/// leftmost + -, each result appended to `values` and written into `text` as
/// \#k. Returns the value of what remains. Does not check the text and does
/// not clear the last-error text.
MATRIX_API double CompileSimpleStrV(CString& text,
                                    CArray<double, double const&>& values);

/// Checks and evaluates a whole formula, brackets from the innermost
/// outwards; every bracket and every operator appends one value to `values`.
/// When `clear` is not 0 the array is emptied after a successful evaluation
/// (the caller's own elements too). Empties the last-error text on entry.
/// A ')' without a '(' to pair with reports fault 163.
MATRIX_API double CompileStrV(CString& text,
                              CArray<double, double const&>& values, int clear);

/// \name Text entry helpers
///
/// They rewrite the caller's string or a dialog control's text in place.
/// The exchanges throw CInvalidArgException* for a null exchange or a dialog
/// without a window, CNotSupportedException* when the dialog has no control
/// of that id (except DDX_CBString2 when writing), and fail an unreadable
/// number as the platform's DDX_Text does (message box, focus,
/// CUserException*).
/// @{

/// Lower-cases `text` by CString::MakeLower (the C library's current locale
/// decides which letters change), then maps the Russian capitals U+0410 to
/// U+042F and U+0401 to their small letters whatever the locale.
MATRIX_API void MakeLower(CString& text);

/// Normalises a number typed into a field: trims white space at both ends,
/// then turns every ',' and every small yu (U+044E) into '.'; the capital
/// yu is left alone.
MATRIX_API void CompileStringFromCtrl(CString& text);

/// Makes `text` fit for one table cell, in this order: trims white space at
/// both ends, writes "&comma;" for every ',', removes every "-\n" (joining
/// a word broken at a line end), then turns every '\\n' and every '\\r' into
/// a blank (so "\r\n" becomes two blanks and "-\r\n" keeps its hyphen).
MATRIX_API void CompileStringForTbl(CString& text);

/// When the exchange reads controls into variables: prepares edit control
/// `id` (so that a failure returns to it), reads its whole text, makes an
/// empty text "0", applies CompileStringFromCtrl and writes the text back.
/// A text of blanks is tested before it is trimmed and so becomes "", which
/// the number exchange then refuses rather than reading 0. Does nothing
/// when the exchange writes variables into controls.
MATRIX_API void PreModifyStr(CDataExchange* exchange, int id);

/// PreModifyStr, then the platform's DDX_Text for the variable: reading
/// parses the normalised text ('.' as the point, finite values that fit the
/// variable); writing formats the variable with 15 (double) or 6 (float)
/// significant digits, as the framework writes them.
MATRIX_API void DDX_Text2(CDataExchange* exchange, int id, double& value);
/// \copydoc DDX_Text2(CDataExchange*, int, double&)
MATRIX_API void DDX_Text2(CDataExchange* exchange, int id, float& value);

/// Reading: the platform's DDX_CBString (the box's window text, the
/// selected item's for a drop-down list). Writing: selects the first item
/// whose whole text equals `value`, case ignored (CB_FINDSTRINGEXACT from
/// -1, then CB_SETCURSEL with its result); when none does, the selection
/// and the edit text are cleared and the edit text is not set to `value`.
/// Nothing happens when the dialog has no combo box of that id.
MATRIX_API void DDX_CBString2(CDataExchange* exchange, int id, CString& value);
/// @}

/// @}

#endif  // MATRIX_FORMULA_H_
