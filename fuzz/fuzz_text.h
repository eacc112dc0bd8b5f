// Fuzz targets' shared reading of their input as a wide text.
#ifndef MATRIX_FUZZ_FUZZ_TEXT_H_
#define MATRIX_FUZZ_FUZZ_TEXT_H_

#include <utf8codec.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace matrix::fuzz {

// The bytes read by the bit pattern of UTF-8 where they form sequences and
// as single characters where they do not. Neither the continuation bytes
// nor the values are checked, so that any wchar_t value below 0x200000
// (surrogates and values above U+10FFFF included) can be reached.
inline std::wstring Decode(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  for (std::size_t i = 0; i < size;) {
    const auto length =
        static_cast<std::size_t>(matrix::platform::Utf8SequenceLength(data[i]));
    if (length == 0 || i + length > size) {
      out += static_cast<wchar_t>(data[i]);
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(matrix::platform::Utf8SequenceValue(
        data + i, static_cast<int>(length)));
    i += length;
  }
  return out;
}

}  // namespace matrix::fuzz

#endif  // MATRIX_FUZZ_FUZZ_TEXT_H_
