// matrix - sorting an array of unsigned integers in place: SortArray.
#include <matrix/util.h>

#include <algorithm>
#include <functional>

namespace {

// True when every element is strictly before the next in `before`'s order.
template <class Before>
bool StrictlyInOrder(const UINT* v, INT_PTR n, Before before) {
  for (INT_PTR i = 1; i < n; ++i) {
    if (!before(v[i - 1], v[i])) return false;
  }
  return true;
}

}  // namespace

// Equal unsigned integers cannot be told apart, so any correct sort leaves
// the same array as an exchange sort would; the standard introsort does it
// in n log n instead of n^2 comparisons, in the array's own storage.
void SortArray(int ascending, CUIntArray& values) {
  const INT_PTR n = values.GetSize();
  if (n < 2) return;
  UINT* v = values.GetData();
  if (ascending != 0) {
    if (StrictlyInOrder(v, n, std::less<UINT>())) return;
    std::sort(v, v + n);
  } else {
    if (StrictlyInOrder(v, n, std::greater<UINT>())) return;
    std::sort(v, v + n, std::greater<UINT>());
  }
}
