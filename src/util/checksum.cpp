// matrix - the CRC-32 checksum: Crc32.
//
// The checksum is the reflected CRC-32 of polynomial 0xEDB88320 (zlib's and
// IEEE 802.3's). Bytes are consumed eight at a time through eight derived
// tables ("slicing by eight"); on x86-64 processors with the carry-less
// multiply instruction, blocks of 64 bytes and more are first folded down
// to 16 bytes with it. Both paths compute the same polynomial remainder,
// so the result does not depend on the processor.
#include <matrix/util.h>

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MATRIX_CRC_HAVE_CLMUL 1
#include <immintrin.h>
#else
#define MATRIX_CRC_HAVE_CLMUL 0
#endif

namespace matrix::detail {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;  // 0x04C11DB7 reflected

using Table = std::array<std::array<std::uint32_t, 256>, 8>;

// Row 0 is the classic byte table: entry n is the CRC register after
// feeding byte n into a zero register. Row k advances row k-1 by one more
// zero byte, so row k gives the effect of a byte followed by k zero bytes.
constexpr Table MakeTables() {
  Table t{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) {
      c = (c & 1u) ? (c >> 1) ^ kPolynomial : c >> 1;
    }
    t[0][n] = c;
  }
  for (std::size_t k = 1; k < 8; ++k) {
    for (std::size_t n = 0; n < 256; ++n) {
      const std::uint32_t prev = t[k - 1][n];
      t[k][n] = (prev >> 8) ^ t[0][prev & 0xFFu];
    }
  }
  return t;
}

constexpr Table kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[0][255] == 0x2D02EF8Du);

inline std::uint32_t Load32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) |
         static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 |
         static_cast<std::uint32_t>(p[3]) << 24;
}

// Advances the register `crc` (not complemented) over `n` bytes.
std::uint32_t Portable(std::uint32_t crc, const unsigned char* p,
                       std::size_t n) {
  for (; n >= 8; n -= 8, p += 8) {
    const std::uint32_t lo = Load32(p) ^ crc;
    const std::uint32_t hi = Load32(p + 4);
    crc = kTables[7][lo & 0xFFu] ^ kTables[6][(lo >> 8) & 0xFFu] ^
          kTables[5][(lo >> 16) & 0xFFu] ^ kTables[4][lo >> 24] ^
          kTables[3][hi & 0xFFu] ^ kTables[2][(hi >> 8) & 0xFFu] ^
          kTables[1][(hi >> 16) & 0xFFu] ^ kTables[0][hi >> 24];
  }
  for (; n > 0; --n, ++p) {
    crc = (crc >> 8) ^ kTables[0][(crc ^ *p) & 0xFFu];
  }
  return crc;
}

#if MATRIX_CRC_HAVE_CLMUL

// Folding constants, bit-reflected and shifted left by one as the reflected
// carry-less product needs: x^(512+32) and x^(512-32) mod P fold a 128-bit
// lane 512 bits ahead, x^(128+32) and x^(128-32) mod P fold it 128 bits
// ahead. (Low quadword: the constant for the lane's low half.)
constexpr long long kFold512Low = 0x154442BD4LL;
constexpr long long kFold512High = 0x1C6E41596LL;
constexpr long long kFold128Low = 0x1751997D0LL;
constexpr long long kFold128High = 0x0CCAA009ELL;
// Below this many bytes the table path is as fast as setting up the fold.
constexpr std::size_t kClmulMinBytes = 64;

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x,
                                                           __m128i k) {
  return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00),
                       _mm_clmulepi64_si128(x, k, 0x11));
}

inline __m128i LoadBlock(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Advances the register `crc` over n >= kClmulMinBytes bytes. Four lanes
// of 16 bytes are folded forward 64 bytes at a time, then into one lane,
// which then takes the remaining whole 16-byte blocks. The last lane is
// congruent, modulo the polynomial, to everything consumed so far, so its
// 16 bytes run through the table path from a zero register, followed by
// the tail of fewer than 16 bytes.
__attribute__((target("pclmul,sse2"))) std::uint32_t Clmul(
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
  return Portable(Portable(0u, lane, sizeof lane), p, n);
}

bool HaveClmul() {
  static const bool have = __builtin_cpu_supports("pclmul") != 0;
  return have;
}

#endif  // MATRIX_CRC_HAVE_CLMUL

}  // namespace

// The register after `n` bytes from `crc`, by the table path only; exposed
// to the tests so that both paths can be compared on one machine.
std::uint32_t Crc32Portable(std::uint32_t crc, const unsigned char* p,
                            std::size_t n) {
  return Portable(crc, p, n);
}

}  // namespace matrix::detail

unsigned int Crc32(const unsigned char* data, unsigned int length) {
  if (data == nullptr) return 0u;  // nothing to read: the CRC of no bytes
  std::uint32_t crc = 0xFFFFFFFFu;
#if MATRIX_CRC_HAVE_CLMUL
  if (length >= matrix::detail::kClmulMinBytes && matrix::detail::HaveClmul()) {
    return ~matrix::detail::Clmul(crc, data, length);
  }
#endif
  crc = matrix::detail::Portable(crc, data, length);
  return ~crc;
}
