// Test helpers for the framework's types: its exceptions, which arrive as
// pointers to be Delete()d (an EXPECT_THROW for them, a guard that
// Delete()s a caught exception, a check of which handler takes one), and
// its strings and arrays turned into standard ones for comparisons and
// failure messages.
#ifndef MATRIX_TESTS_SUPPORT_AFX_TESTING_H_
#define MATRIX_TESTS_SUPPORT_AFX_TESTING_H_

#include <afx.h>
#include <afxtempl.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <exception>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "support/testing.h"

namespace matrix::testing {

// The value array that the formula functions read and extend.
using Values = CArray<double, double const&>;

// Owns a caught framework exception and Delete()s it on scope exit.
class DeleteOnExit {
 public:
  explicit DeleteOnExit(CException* e) : e_(e) {}
  ~DeleteOnExit() {
    if (e_ != nullptr) e_->Delete();
  }
  DeleteOnExit(const DeleteOnExit&) = delete;
  DeleteOnExit& operator=(const DeleteOnExit&) = delete;

 private:
  CException* e_;
};

// Runs `call`; succeeds when it throws a framework exception of class
// `expected` (or one derived from it), which is Delete()d either way.
template <class F>
::testing::AssertionResult ThrowsAfx(F&& call, const CRuntimeClass* expected,
                                     const char* statement) {
  try {
    call();
  } catch (CException* e) {
    DeleteOnExit guard(e);
    if (e->IsKindOf(expected)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << statement << " threw " << e->GetRuntimeClass()->m_lpszClassName
           << ", expected " << expected->m_lpszClassName;
  } catch (const std::exception& e) {
    return ::testing::AssertionFailure()
           << statement << " threw a std::exception: " << e.what();
  } catch (...) {
    return ::testing::AssertionFailure()
           << statement << " threw something that is not a CException*";
  }
  return ::testing::AssertionFailure() << statement << " did not throw";
}

// Whether a handler for Caught* takes what `thrower` throws; whatever it
// throws is Delete()d.
template <class Caught>
bool Catches(void (*thrower)()) {
  try {
    try {
      thrower();
    } catch (Caught* e) {
      DeleteOnExit guard(dynamic_cast<CException*>(e));
      return true;
    }
  } catch (CException* e) {
    e->Delete();
  }
  return false;
}

// The text of `text` as printable ASCII (see testing.h).
inline std::string Narrow(const CString& text) {
  return Narrow(std::wstring_view(text.GetString(),
                                  static_cast<std::size_t>(text.GetLength())));
}

// The elements of `a` in order, through the const indexed access.
template <class T, class A>
std::vector<T> Elements(const CArray<T, A>& a) {
  std::vector<T> out;
  for (INT_PTR i = 0; i < a.GetSize(); ++i) out.push_back(a.GetAt(i));
  return out;
}

}  // namespace matrix::testing

// Failure messages show a CString as its text. (In the global namespace,
// beside CString, for GoogleTest to find it.)
inline void PrintTo(const CString& s, std::ostream* os) {
  *os << ::testing::PrintToString(
      std::wstring(s.GetString(), static_cast<std::size_t>(s.GetLength())));
}

// EXPECT_THROW and ASSERT_THROW for the framework's exceptions: `statement`
// must throw a pointer to `exception_class` (IsKindOf); the exception is
// Delete()d, so nothing leaks.
#define EXPECT_AFX_THROW(statement, exception_class) \
  EXPECT_TRUE(::matrix::testing::ThrowsAfx(          \
      [&] { statement; }, RUNTIME_CLASS(exception_class), #statement))
#define ASSERT_AFX_THROW(statement, exception_class) \
  ASSERT_TRUE(::matrix::testing::ThrowsAfx(          \
      [&] { statement; }, RUNTIME_CLASS(exception_class), #statement))

#endif  // MATRIX_TESTS_SUPPORT_AFX_TESTING_H_
