// matrix - the CRC-32 checksum: Crc32.
//
// The checksum is the reflected CRC-32 of polynomial 0xEDB88320 (zlib's and
// IEEE 802.3's). Bytes are consumed eight at a time through eight derived
// tables ("slicing by eight"); on x86-64 processors with the carry-less
// multiply instruction, blocks of 64 bytes and more are first folded down
// to 16 bytes with it (checksum_x86.cpp, chosen at run time). Both paths
// compute the same polynomial remainder, so the result does not depend on
// the processor. This file holds the portable path.
#include <matrix/util.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "util/checksum_internal.h"

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

}  // namespace

// Advances the register `crc` (not complemented) over `n` bytes.
std::uint32_t Crc32Portable(std::uint32_t crc, const unsigned char* p,
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

}  // namespace matrix::detail

unsigned int Crc32(const unsigned char* data, unsigned int length) {
  if (data == nullptr) return 0u;  // nothing to read: the CRC of no bytes
  std::uint32_t crc = 0xFFFFFFFFu;
#if MATRIX_CRC_HAVE_CLMUL
  if (length >= matrix::detail::kClmulMinBytes && matrix::detail::HaveClmul()) {
    return ~matrix::detail::Crc32Clmul(crc, data, length);
  }
#endif
  crc = matrix::detail::Crc32Portable(crc, data, length);
  return ~crc;
}
