// Fuzz targets' shared reading of their input as a wide text.
#ifndef MATRIX_FUZZ_FUZZ_TEXT_H_
#define MATRIX_FUZZ_FUZZ_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace matrix::fuzz {

// The bytes read as UTF-8 where they form characters and as single
// characters where they do not, so that any wchar_t value below 0x200000
// (surrogates and values above U+10FFFF included) can be reached.
inline std::wstring Decode(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  for (std::size_t i = 0; i < size;) {
    const unsigned c = data[i];
    unsigned length = c < 0x80         ? 1
                      : (c >> 5) == 6  ? 2
                      : (c >> 4) == 14 ? 3
                      : (c >> 3) == 30 ? 4
                                       : 0;
    if (length <= 1 || i + length > size) {
      out += static_cast<wchar_t>(c);
      ++i;
      continue;
    }
    unsigned value = c & (0x7F >> length);
    for (unsigned k = 1; k < length; ++k)
      value = (value << 6) | (data[i + k] & 0x3F);
    out += static_cast<wchar_t>(value);
    i += length;
  }
  return out;
}

}  // namespace matrix::fuzz

#endif  // MATRIX_FUZZ_FUZZ_TEXT_H_
