// Per-call work storage of the numerical routines: small sizes live on the
// stack, larger ones on the heap; released when the call ends on any path.
#ifndef MATRIX_SRC_NUMERIC_WORK_ARRAY_H_
#define MATRIX_SRC_NUMERIC_WORK_ARRAY_H_

#include <afx.h>

#include <cstddef>
#include <memory>

namespace matrix::detail {

// `size` elements, left uninitialised (every user writes before it reads).
// A failed heap allocation throws CMemoryException*, as the framework's own
// containers do.
template <class T, std::size_t kStack>
class WorkArray {
 public:
  explicit WorkArray(std::size_t size) {
    if (size > kStack) {
      heap_ = matrix::platform::WithFrameworkMemory(
          [size] { return std::make_unique_for_overwrite<T[]>(size); });
      data_ = heap_.get();
    }
  }
  WorkArray(const WorkArray&) = delete;
  WorkArray& operator=(const WorkArray&) = delete;

  T* data() { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }

 private:
  T stack_[kStack];
  std::unique_ptr<T[]> heap_;
  T* data_ = stack_;
};

}  // namespace matrix::detail

#endif  // MATRIX_SRC_NUMERIC_WORK_ARRAY_H_
