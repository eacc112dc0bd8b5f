// matrix - sorting an array of unsigned integers in place: SortArray.
#include <matrix/util.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>

namespace {

// True when every element is strictly before the next in `before`'s order.
template <class Before>
bool StrictlyInOrder(const UINT* v, INT_PTR n, Before before) {
  for (INT_PTR i = 1; i < n; ++i) {
    if (!before(v[i - 1], v[i])) return false;
  }
  return true;
}

// Below this many elements the comparison sort wins: the radix sort's
// fixed cost (clearing and summing its digit counts) is not yet repaid.
constexpr INT_PTR kRadixMinSize = 256;

// The radix sort takes the 32 bits a byte at a time, lowest first.
constexpr int kDigits = 4;
constexpr int kDigitBits = 8;
constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;

// Least-significant-digit radix sort of v[0, n) through the buffer `spare`
// of n elements. The keys are the values XOR `flip` (all ones sorts
// descending). Each pass is a stable counting sort on one byte; a byte that
// all keys share is skipped.
void RadixSort(UINT* v, std::size_t n, UINT flip, UINT* spare) {
  static_assert(sizeof(UINT) * 8 == kDigits * kDigitBits);
  std::size_t count[kDigits][kBuckets] = {};
  for (std::size_t i = 0; i < n; ++i) {
    const UINT key = v[i] ^ flip;
    for (int d = 0; d < kDigits; ++d) {
      ++count[d][(key >> (d * kDigitBits)) & (kBuckets - 1)];
    }
  }
  UINT* from = v;
  UINT* to = spare;
  for (int d = 0; d < kDigits; ++d) {
    std::size_t* c = count[d];
    const UINT first = (from[0] ^ flip) >> (d * kDigitBits) & (kBuckets - 1);
    if (c[first] == n) continue;  // one bucket: this byte orders nothing
    std::size_t start = 0;
    for (std::size_t b = 0; b < kBuckets; ++b) {
      const std::size_t size = c[b];
      c[b] = start;
      start += size;
    }
    const int shift = d * kDigitBits;
    for (std::size_t i = 0; i < n; ++i) {
      const UINT value = from[i];
      to[c[((value ^ flip) >> shift) & (kBuckets - 1)]++] = value;
    }
    std::swap(from, to);
  }
  if (from != v) std::copy(from, from + n, v);
}

}  // namespace

// Equal unsigned integers cannot be told apart, so any correct sort leaves
// the same array as an exchange sort would: short arrays take the standard
// introsort, longer ones a radix sort in linear time. Should the radix
// sort's buffer not be had, the introsort sorts in place instead.
void SortArray(int ascending, CUIntArray& values) {
  const INT_PTR n = values.GetSize();
  if (n < 2) return;
  UINT* v = values.GetData();
  if (ascending != 0) {
    if (StrictlyInOrder(v, n, std::less<UINT>())) return;
  } else {
    if (StrictlyInOrder(v, n, std::greater<UINT>())) return;
  }
  if (n >= kRadixMinSize) {
    const std::size_t size = static_cast<std::size_t>(n);
    std::unique_ptr<UINT[]> spare(new (std::nothrow) UINT[size]);
    if (spare != nullptr) {
      RadixSort(v, size, ascending != 0 ? 0u : ~0u, spare.get());
      return;
    }
  }
  if (ascending != 0) {
    std::sort(v, v + n);
  } else {
    std::sort(v, v + n, std::greater<UINT>());
  }
}
