// matrix - passing an exception on after a clean-up that may itself throw.
#ifndef MATRIX_SRC_FRAME_RETHROW_H_
#define MATRIX_SRC_FRAME_RETHROW_H_

#include <afx.h>

#include <exception>
#include <utility>

namespace matrix::detail {

// Frees the framework exception that `thrown` holds, if it holds one.
inline void DeleteIfFramework(const std::exception_ptr& thrown) noexcept {
  try {
    std::rethrow_exception(thrown);
  } catch (CException* e) {
    e->Delete();
  } catch (...) {
  }
}

// For use inside a catch handler: runs `cleanup`, then throws the handled
// exception on. When `cleanup` throws instead, that exception travels and
// the handled one, a framework exception that nobody will see, is
// Delete()d rather than leaked.
template <class F>
[[noreturn]] void CleanUpAndRethrow(F&& cleanup) {
  const std::exception_ptr handled = std::current_exception();
  try {
    std::forward<F>(cleanup)();
  } catch (...) {
    DeleteIfFramework(handled);
    throw;
  }
  throw;
}

}  // namespace matrix::detail

#endif  // MATRIX_SRC_FRAME_RETHROW_H_
