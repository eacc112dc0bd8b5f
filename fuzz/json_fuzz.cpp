// Fuzz target for the JSON walker: the input's bytes, read as UTF-8 where
// they form characters and as single characters where they do not (which
// also yields surrogates and values above U+10FFFF), go through JsonParse
// with both settings of the depth-3 parent. Every call must keep the
// callback protocol; the sanitizers catch the rest.
#include <matrix/matrix.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_text.h"

namespace {

constexpr DWORD kContext = 0x5EEDu;

// Checks one call against the protocol: a name always, a text exactly for
// strings, no integer for non-integral numbers, the context unchanged.
int Check(const wchar_t* name, const wchar_t* stringValue, DWORD intValue,
          double doubleValue, DWORD context, unsigned short valueType,
          const wchar_t* parentName) {
  bool good = name != nullptr && context == kContext;
  switch (valueType) {
    case 8:
      good =
          good && stringValue != nullptr && intValue == 0 && doubleValue == 0.0;
      break;
    case 22:
      good = good && stringValue == nullptr;
      break;
    case 5:
      good = good && stringValue == nullptr && intValue == 0;
      break;
    default:
      good = false;
  }
  // Reading the strings lets the sanitizers see a dangling one.
  for (const wchar_t* s : {name, stringValue, parentName}) {
    if (s != nullptr) {
      while (*s != 0) ++s;
    }
  }
  if (!good) std::abort();
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::wstring text = matrix::fuzz::Decode(data, size);
  const int a = JsonParse(text.c_str(), Check, kContext, false);
  const int b = JsonParse(text.c_str(), Check, kContext, true);
  if ((a != 0 && a != 1) || a != b) std::abort();
  return 0;
}
