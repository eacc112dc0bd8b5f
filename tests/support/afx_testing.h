// Test helpers for the framework's exceptions, which arrive as pointers to
// be Delete()d: an EXPECT_THROW for them, and a guard that Delete()s a
// caught exception when the handler ends.
#ifndef MATRIX_TESTS_SUPPORT_AFX_TESTING_H_
#define MATRIX_TESTS_SUPPORT_AFX_TESTING_H_

#include <afx.h>
#include <gtest/gtest.h>

#include <exception>

namespace matrix::testing {

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

}  // namespace matrix::testing

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
