// Crc32: the reflected CRC-32 of polynomial 0xEDB88320.
#include <gtest/gtest.h>
#include <matrix/util.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace matrix::detail {
// The table-only path of the checksum (register in, register out).
std::uint32_t Crc32Portable(std::uint32_t crc, const unsigned char* p,
                            std::size_t n);
}  // namespace matrix::detail

namespace {

unsigned Crc(const char* text) {
  return Crc32(reinterpret_cast<const unsigned char*>(text),
               static_cast<unsigned>(std::strlen(text)));
}

// Bytes from a linear congruential generator (the high byte of each step).
std::vector<unsigned char> Pattern(std::size_t n, std::uint32_t seed) {
  std::vector<unsigned char> v(n);
  std::uint32_t x = seed;
  for (unsigned char& b : v) {
    x = x * 1103515245u + 12345u;
    b = static_cast<unsigned char>(x >> 24);
  }
  return v;
}

// One bit at a time, straight from the definition, for comparison.
std::uint32_t BitwiseCrc(const unsigned char* p, std::size_t n) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

TEST(Crc32, KnownAnswers) {
  // The check value of CRC-32 (the catalogue's "123456789" entry) and other
  // texts whose checksums zlib's crc32 gives.
  EXPECT_EQ(Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc("abc"), 0x352441C2u);
  EXPECT_EQ(Crc("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(Crc(""), 0u);
  unsigned char zeros[32] = {}, ones[32], counting[32];
  for (int i = 0; i < 32; ++i) {
    ones[i] = 0xFF;
    counting[i] = static_cast<unsigned char>(i);
  }
  EXPECT_EQ(Crc32(zeros, 32), 0x190A55ADu);
  EXPECT_EQ(Crc32(ones, 32), 0xFF6CAB0Bu);
  EXPECT_EQ(Crc32(counting, 32), 0x91267E8Au);
}

TEST(Crc32, MatchesZlibOnLongerBuffers) {
  // Reference values from zlib's crc32 over Pattern(n, 1); the lengths
  // straddle the 16- and 64-byte block sizes of the fast path.
  struct Row {
    std::size_t n;
    unsigned crc;
  } rows[] = {
      {63, 0x52103A66u},   {64, 0x0B86A56Bu},   {65, 0x706E185Au},
      {127, 0x13D0D429u},  {128, 0x75761938u},  {200, 0xFAE13474u},
      {4096, 0x831F81DEu}, {4111, 0x4A47A89Du}, {(1u << 20) + 13, 0xF0C4DCB7u},
  };
  for (const Row& row : rows) {
    const std::vector<unsigned char> v = Pattern(row.n, 1);
    EXPECT_EQ(Crc32(v.data(), static_cast<unsigned>(v.size())), row.crc)
        << row.n;
  }
}

TEST(Crc32, EveryLengthAndAlignmentAgreesWithTheBitwiseDefinition) {
  const std::vector<unsigned char> v = Pattern(600, 7);
  for (std::size_t offset = 0; offset < 16; ++offset) {
    for (std::size_t n = 0; n + offset <= 300; ++n) {
      const unsigned char* p = v.data() + offset;
      const std::uint32_t expected = BitwiseCrc(p, n);
      ASSERT_EQ(Crc32(p, static_cast<unsigned>(n)), expected)
          << "offset " << offset << " length " << n;
      ASSERT_EQ(~matrix::detail::Crc32Portable(0xFFFFFFFFu, p, n), expected)
          << "offset " << offset << " length " << n;
    }
  }
}

TEST(Crc32, NullDataReadsNothing) {
  // A null pointer with a length would otherwise be read from.
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
  EXPECT_EQ(Crc32(nullptr, 1), 0u);
  EXPECT_EQ(Crc32(nullptr, 0xFFFFFFFFu), 0u);
}

TEST(Crc32, EachCallStartsAfresh) {
  const std::vector<unsigned char> v = Pattern(1000, 3);
  const unsigned first = Crc32(v.data(), 1000);
  EXPECT_EQ(Crc32(v.data(), 1000), first);
  EXPECT_EQ(first, BitwiseCrc(v.data(), 1000));
}

}  // namespace
