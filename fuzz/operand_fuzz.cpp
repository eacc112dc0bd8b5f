// Fuzz target for the operand reader and the single operation: the input's
// first character is the operator, the rest splits at its first U+0000
// into the left and the right operand text (read as in fuzz_text.h). Each
// text goes through GetData, then both through DoOperation. A formula fault
// must leave a message in the last-error text; any outcome but a value or
// the documented exceptions is a fault, and the sanitizers catch the rest.
#include <matrix/matrix.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_text.h"

namespace {

// Runs one call; a user exception must come with a message.
template <class Call>
void Guarded(Call call) {
  try {
    call();
  } catch (CUserException* e) {
    e->Delete();
    CString message;
    GetLastErrorM(message);
    if (message.IsEmpty()) std::abort();
  } catch (CInvalidArgException* e) {
    e->Delete();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::wstring text = matrix::fuzz::Decode(data, size);
  if (text.empty()) return 0;
  const wchar_t op = text[0];
  const std::size_t split = text.find(L'\0', 1);
  const std::wstring left_text = text.substr(
      1, split == std::wstring::npos ? std::wstring::npos : split - 1);
  const std::wstring right_text =
      split == std::wstring::npos ? std::wstring() : text.substr(split + 1);
  CArray<double, double const&> values;
  values.Add(1.5);
  values.Add(-2);
  CString left(left_text.c_str(), static_cast<int>(left_text.size()));
  CString right(right_text.c_str(), static_cast<int>(right_text.size()));
  CString left_alone(left);
  CString right_alone(right);
  Guarded([&] { GetData(left_alone, values); });
  Guarded([&] { GetData(right_alone, values); });
  Guarded([&] { DoOperation(left, right, op, values); });
  return 0;
}
