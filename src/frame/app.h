// matrix - internal: the module object, the last-error text and the fault
// report of the formula engine.
#ifndef MATRIX_SRC_FRAME_APP_H_
#define MATRIX_SRC_FRAME_APP_H_

#include <afxwin.h>

#include <string_view>

// The library's one application object; it adds nothing to CWinApp. Its
// instance handle is the library's own module handle, under which the
// message table is registered.
class CMatrixApp : public CWinApp {
 public:
  CMatrixApp();
  ~CMatrixApp() override;
};

// Directs the platform's resource look-up to `module` for as long as it
// lives, and restores the previous resource module afterwards.
struct SSetRec {
  explicit SSetRec(HINSTANCE module);
  virtual ~SSetRec();
  SSetRec(const SSetRec&) = delete;
  SSetRec& operator=(const SSetRec&) = delete;

  HINSTANCE m_restore;  // module to make current again; null: nothing
};

namespace matrix::detail {

// The message ids of the formula engine's faults, with an input that
// raises each.
enum FormulaFault : UINT {
  kBadCharacter = 158,        // "2,5", GetData of "a;b"
  kCloseAtStart = 159,        // ")2("
  kSquareCloseAtStart = 160,  // "(2])"
  kOpenAtEnd = 161,           // "2+("
  kBadAfterBracket = 162,     // "()", "(*2)"
  kUnbalanced = 163,          // "2*(3+4", and "(1))(2" in the evaluator
  kSquareOpenAtEnd = 164,     // "2+["
  kOperatorAtEnd = 165,       // "-2+3", "2+3-"
  kOperatorsInRow = 166,      // "2*-3"
  kUnknownFunction = 167,     // "Sin(0)"
  kNoLeftOperand = 168,       // DoOperation("", "5", '*')
  kNoRightOperand = 169,      // DoOperation("2", "", '+')
  kDivisionByZero = 170,      // "1/0"
  kUnknownOperator = 171,     // DoOperation("2", "3", '%')
};

CMatrixApp& App();

// The module-wide last-error text.
CString& LastError();

// The one funnel of every formula fault: with resource look-up pointed at
// the library's own module, loads message `id` into the last-error text,
// puts `subject` and " - " in front when a subject is given, and throws
// CUserException (a new object, by pointer). Never returns.
[[noreturn]] void ThrowFormulaError(UINT id);
[[noreturn]] void ThrowFormulaError(UINT id, std::wstring_view subject);

}  // namespace matrix::detail

#endif  // MATRIX_SRC_FRAME_APP_H_
