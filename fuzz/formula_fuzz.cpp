// Fuzz target for the formula engine: the input's bytes, read as UTF-8
// where they form characters and as single characters where they do not,
// go through the checker and the evaluator. Any outcome but a value or the
// documented exceptions is a fault; the sanitizers catch the rest.
#include <matrix/matrix.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

std::wstring Decode(const std::uint8_t* data, std::size_t size) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::wstring text = Decode(data, size);
  CArray<double, double const&> values;
  values.Add(1.5);
  values.Add(-2);
  CString formula(text.c_str(), static_cast<int>(text.size()));
  CString checked(formula);
  CString simple(formula);
  try {
    VerifyFormule(checked);
  } catch (const CUserException&) {
  }
  try {
    CompileStrV(formula, values, 0);
  } catch (const CUserException&) {
  } catch (const CInvalidArgException&) {
  }
  try {
    CompileSimpleStrV(simple, values);
  } catch (const CUserException&) {
  } catch (const CInvalidArgException&) {
  }
  return 0;
}
