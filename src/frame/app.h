// matrix - internal: the module object, the last-error text and the fault
// report of the formula engine.
#ifndef MATRIX_SRC_FRAME_APP_H_
#define MATRIX_SRC_FRAME_APP_H_

#include <afxwin.h>
#include <matrix/formula.h>

#include <string_view>

// The library's one application object; it adds nothing to CWinApp. Its
// instance handle is the library's own module handle, under which the
// message table is registered.
class CMatrixApp : public CWinApp {
 public:
  CMatrixApp();
  ~CMatrixApp() override;
};

namespace matrix::detail {

CMatrixApp& App();

// A copy of the module-wide last-error text, and its emptying; both take
// the text's lock, so that concurrent callers are memory-safe (the last
// writer wins).
CString LastError();
void ClearLastError();

// The one funnel of every formula fault: with resource look-up pointed at
// the library's own module for the time of the load (whatever module the
// host has made current, which is current again afterwards), loads message
// `id` into the last-error text, puts `subject` and " - " in front when a
// subject is given, and throws CUserException*. Never returns.
[[noreturn]] void ThrowFormulaError(UINT id);
[[noreturn]] void ThrowFormulaError(UINT id, std::wstring_view subject);

}  // namespace matrix::detail

#endif  // MATRIX_SRC_FRAME_APP_H_
