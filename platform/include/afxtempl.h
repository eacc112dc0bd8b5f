/// \file
/// \ingroup core_afxtempl
/// \brief The framework's growable array template CArray.
#ifndef MATRIX_PLATFORM_AFXTEMPL_H_
#define MATRIX_PLATFORM_AFXTEMPL_H_

/// \defgroup core_afxtempl afxtempl.h: CArray
/// \ingroup core
/// \brief The framework's growable array template CArray.
/// @{

#include <afx.h>

#include <vector>

/// Growable array of TYPE; ARG_TYPE is how elements are passed in (usually
/// `TYPE const &`). As in the framework, GetAt, SetAt, operator[] and the
/// other indexed calls throw CInvalidArgException* for an index outside
/// 0 .. GetSize()-1, SetSize throws it for a negative size, and exhausted
/// memory throws CMemoryException*.
/// New elements are value-initialised.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() = default;
  ~CArray() override = default;

  /// The number of elements.
  INT_PTR GetSize() const { return static_cast<INT_PTR>(v_.size()); }
  /// The number of elements, as GetSize.
  INT_PTR GetCount() const { return GetSize(); }
  /// True when the array has no elements.
  bool IsEmpty() const { return v_.empty(); }
  /// The largest valid index, GetSize() - 1 (-1 when empty).
  INT_PTR GetUpperBound() const { return GetSize() - 1; }

  /// nGrowBy is accepted for compatibility; growth is geometric.
  void SetSize(INT_PTR new_size, INT_PTR grow_by = -1) {
    (void)grow_by;
    if (new_size < 0) AfxThrowInvalidArgException();
    matrix::platform::WithFrameworkMemory(
        [&] { v_.resize(static_cast<std::size_t>(new_size)); });
  }
  /// Removes every element and releases the storage.
  void RemoveAll() {
    v_.clear();
    v_.shrink_to_fit();
  }
  /// Releases storage beyond the elements held.
  void FreeExtra() {
    matrix::platform::WithFrameworkMemory([&] { v_.shrink_to_fit(); });
  }

  /// The element at `index`.
  const TYPE& GetAt(INT_PTR index) const { return v_[Checked(index)]; }
  /// \copydoc CArray::GetAt(INT_PTR) const
  TYPE& GetAt(INT_PTR index) { return v_[Checked(index)]; }
  /// A reference to the element at `index`.
  TYPE& ElementAt(INT_PTR index) { return v_[Checked(index)]; }
  /// \copydoc CArray::ElementAt(INT_PTR)
  const TYPE& ElementAt(INT_PTR index) const { return v_[Checked(index)]; }
  /// Replaces the element at `index` (which must exist) by `element`.
  void SetAt(INT_PTR index, ARG_TYPE element) { v_[Checked(index)] = element; }
  /// The element at `index`, as ElementAt.
  TYPE& operator[](INT_PTR index) { return v_[Checked(index)]; }
  /// \copydoc CArray::operator[](INT_PTR)
  const TYPE& operator[](INT_PTR index) const { return v_[Checked(index)]; }

  /// The elements, or nullptr when the array is empty.
  TYPE* GetData() { return v_.empty() ? nullptr : v_.data(); }
  /// \copydoc CArray::GetData()
  const TYPE* GetData() const { return v_.empty() ? nullptr : v_.data(); }

  /// Appends `element` and returns its index.
  INT_PTR Add(ARG_TYPE element) {
    matrix::platform::WithFrameworkMemory([&] { v_.push_back(element); });
    return GetSize() - 1;
  }
  /// Stores `element` at `index`, growing the array when needed.
  void SetAtGrow(INT_PTR index, ARG_TYPE element) {
    if (index < 0) AfxThrowInvalidArgException();
    if (index == INTPTR_MAX) AfxThrowMemoryException();  // no size to grow to
    if (index >= GetSize()) {
      TYPE copy = element;  // `element` may live in this array
      SetSize(index + 1);
      v_[static_cast<std::size_t>(index)] = copy;
    } else {
      v_[static_cast<std::size_t>(index)] = element;
    }
  }
  /// Appends the elements of `src`; returns the index of the first of them.
  INT_PTR Append(const CArray& src) {
    INT_PTR old = GetSize();
    matrix::platform::WithFrameworkMemory([&] {
      if (&src == this) {
        std::vector<TYPE> copy(v_);
        v_.insert(v_.end(), copy.begin(), copy.end());
      } else {
        v_.insert(v_.end(), src.v_.begin(), src.v_.end());
      }
    });
    return old;
  }
  /// Makes this array a copy of `src`.
  void Copy(const CArray& src) {
    if (&src != this)
      matrix::platform::WithFrameworkMemory([&] { v_ = src.v_; });
  }
  /// Inserts `count` copies of `element` at `index`, growing the array up to
  /// `index` first when it is shorter. A negative index or a count below 1
  /// throws CInvalidArgException*.
  void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1) {
    if (index < 0 || count <= 0) AfxThrowInvalidArgException();
    const std::size_t at = static_cast<std::size_t>(index);
    const std::size_t more = static_cast<std::size_t>(count);
    if (more > v_.max_size() || at > v_.max_size() - more) {
      AfxThrowMemoryException();
    }
    TYPE copy = element;
    if (index >= GetSize()) SetSize(index);
    matrix::platform::WithFrameworkMemory([&] {
      v_.insert(v_.begin() + index, static_cast<std::size_t>(count), copy);
    });
  }
  /// Removes `count` elements from `index`; a range outside the array throws
  /// CInvalidArgException*.
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count < 0 || count > GetSize() - index)
      AfxThrowInvalidArgException();
    v_.erase(v_.begin() + index, v_.begin() + index + count);
  }

 private:
  std::size_t Checked(INT_PTR index) const {
    if (index < 0 || index >= GetSize()) AfxThrowInvalidArgException();
    return static_cast<std::size_t>(index);
  }

  std::vector<TYPE> v_;
};

/// @}

#endif  // MATRIX_PLATFORM_AFXTEMPL_H_
