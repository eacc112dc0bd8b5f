// matrix - the CRC-32 checksum's fold with the carry-less multiply
// instruction of x86-64 processors. Compiled only for x86-64; the code is
// built for the instruction (target attribute) and reached only after the
// run-time check HaveClmul, so the library still runs on processors
// without it.
#include "util/checksum_internal.h"

#if MATRIX_CRC_HAVE_CLMUL

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace matrix::detail {
namespace {

// Folding constants, bit-reflected and shifted left by one as the reflected
// carry-less product needs: x^(512+32) and x^(512-32) mod P fold a 128-bit
// lane 512 bits ahead, x^(128+32) and x^(128-32) mod P fold it 128 bits
// ahead. (Low quadword: the constant for the lane's low half.)
constexpr long long kFold512Low = 0x154442BD4LL;
constexpr long long kFold512High = 0x1C6E41596LL;
constexpr long long kFold128Low = 0x1751997D0LL;
constexpr long long kFold128High = 0x0CCAA009ELL;

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x,
                                                           __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00),
                       _mm_clmulepi64_si128(x, k, 0x11));
}

inline __m128i LoadBlock(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

}  // namespace

// Advances the register `crc` over n >= kClmulMinBytes bytes. Four lanes
// of 16 bytes are folded forward 64 bytes at a time, then into one lane,
// which then takes the remaining whole 16-byte blocks. The last lane is
// congruent, modulo the polynomial, to everything consumed so far, so its
// 16 bytes run through the table path from a zero register, followed by
// the tail of fewer than 16 bytes.
__attribute__((target("pclmul,sse2"))) std::uint32_t Crc32Clmul(
    std::uint32_t crc, const unsigned char* p, std::size_t n) {
  const __m128i k512 = _mm_set_epi64x(kFold512High, kFold512Low);
  const __m128i k128 = _mm_set_epi64x(kFold128High, kFold128Low);
  __m128i x0 =
      _mm_xor_si128(LoadBlock(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = LoadBlock(p + 16);
  __m128i x2 = LoadBlock(p + 32);
  __m128i x3 = LoadBlock(p + 48);
  p += 64;
  n -= 64;
  for (; n >= 64; n -= 64, p += 64) {
    x0 = _mm_xor_si128(Fold(x0, k512), LoadBlock(p));
    x1 = _mm_xor_si128(Fold(x1, k512), LoadBlock(p + 16));
    x2 = _mm_xor_si128(Fold(x2, k512), LoadBlock(p + 32));
    x3 = _mm_xor_si128(Fold(x3, k512), LoadBlock(p + 48));
  }
  __m128i x = _mm_xor_si128(Fold(x0, k128), x1);
  x = _mm_xor_si128(Fold(x, k128), x2);
  x = _mm_xor_si128(Fold(x, k128), x3);
  for (; n >= 16; n -= 16, p += 16) {
    x = _mm_xor_si128(Fold(x, k128), LoadBlock(p));
  }
  alignas(16) unsigned char lane[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lane), x);
  return Crc32Portable(Crc32Portable(0u, lane, sizeof lane), p, n);
}

bool HaveClmul() {
  static const bool have = __builtin_cpu_supports("pclmul") != 0;
  return have;
}

}  // namespace matrix::detail

#endif  // MATRIX_CRC_HAVE_CLMUL
