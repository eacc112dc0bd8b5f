// Test helpers for the formula engine: messages by id, and checks that a
// call faults with the expected message and leaves the module in the state
// every fault must leave it in.
#ifndef MATRIX_TESTS_SUPPORT_FORMULA_TESTING_H_
#define MATRIX_TESTS_SUPPORT_FORMULA_TESTING_H_

#include <afxwin.h>
#include <gtest/gtest.h>
#include <matrix/matrix.h>

#include <functional>
#include <string>

#include "frame/app.h"
#include "support/afx_testing.h"

namespace matrix::testing {

// The library's message `id`, loaded from its own module's string table.
inline CString Msg(UINT id) {
  CString text;
  AfxLoadStringResource(detail::App().m_hInstance, id, 0, text);
  return text;
}

// The message `id` with `subject` and " - " in front.
inline CString Msg(UINT id, const wchar_t* subject) {
  return CString(subject) + L" - " + Msg(id);
}

inline CString LastError() {
  CString text;
  GetLastErrorM(text);
  return text;
}

// Runs `call`, which must throw a CUserException* with `expected` as the
// last-error text, and must not move the resource handle. Whatever it
// throws is Delete()d.
inline ::testing::AssertionResult Faults(const std::function<void()>& call,
                                         const CString& expected) {
  const HINSTANCE before = AfxGetResourceHandle();
  try {
    call();
  } catch (CException* e) {
    DeleteOnExit guard(e);
    if (!e->IsKindOf(RUNTIME_CLASS(CUserException))) {
      return ::testing::AssertionFailure()
             << "threw " << e->GetRuntimeClass()->m_lpszClassName;
    }
    if (AfxGetResourceHandle() != before) {
      return ::testing::AssertionFailure() << "resource handle not restored";
    }
    CString got = LastError();
    if (got != expected) {
      return ::testing::AssertionFailure()
             << "last error \"" << Narrow(got) << "\", expected \""
             << Narrow(expected) << "\"";
    }
    return ::testing::AssertionSuccess();
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure() << "threw " << e.what();
  }
  return ::testing::AssertionFailure() << "did not throw";
}

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_FORMULA_TESTING_H_
