// matrix - the CRC-32 checksum's two paths, shared by checksum.cpp (the
// portable table path and the exported function) and checksum_x86.cpp (the
// carry-less multiply fold, chosen at run time).
#ifndef MATRIX_UTIL_CHECKSUM_INTERNAL_H_
#define MATRIX_UTIL_CHECKSUM_INTERNAL_H_

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MATRIX_CRC_HAVE_CLMUL 1
#else
#define MATRIX_CRC_HAVE_CLMUL 0
#endif

namespace matrix::detail {

// The register after `n` bytes from `crc` (not complemented), by the table
// path; exposed to the tests so that both paths can be compared on one
// machine.
std::uint32_t Crc32Portable(std::uint32_t crc, const unsigned char* p,
                            std::size_t n);

#if MATRIX_CRC_HAVE_CLMUL
// Below this many bytes the table path is as fast as setting up the fold.
constexpr std::size_t kClmulMinBytes = 64;

// True when the processor has the carry-less multiply instruction.
bool HaveClmul();

// The register after n >= kClmulMinBytes bytes from `crc`, by the fold.
std::uint32_t Crc32Clmul(std::uint32_t crc, const unsigned char* p,
                         std::size_t n);
#endif

}  // namespace matrix::detail

#endif  // MATRIX_UTIL_CHECKSUM_INTERNAL_H_
