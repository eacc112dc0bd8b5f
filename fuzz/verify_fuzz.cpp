// Fuzz target for the formula checker and the named functions: the whole
// input, read as in fuzz_text.h, goes through VerifyFormule, which must
// leave the text as it was; then, when the input is at least 8 bytes long,
// its first 8 bytes are the argument x and the rest is the name given to
// CompileFuncStrV (else x = 0.5 and the whole input is the name). A fault
// must leave a message in the last-error text; any other outcome but a
// value is a fault, and the sanitizers catch the rest.
#include <matrix/matrix.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_text.h"

namespace {

void RequireMessage() {
  CString message;
  GetLastErrorM(message);
  if (message.IsEmpty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::wstring text = matrix::fuzz::Decode(data, size);
  CString formula(text.c_str(), static_cast<int>(text.size()));
  const CString before(formula);
  try {
    VerifyFormule(formula);
  } catch (CUserException* e) {
    e->Delete();
    RequireMessage();
  }
  if (formula != before) std::abort();

  double x = 0.5;
  std::wstring name_text = text;
  if (size >= sizeof x) {
    std::memcpy(&x, data, sizeof x);
    name_text = matrix::fuzz::Decode(data + sizeof x, size - sizeof x);
  }
  CString name(name_text.c_str(), static_cast<int>(name_text.size()));
  try {
    CompileFuncStrV(name, x);
  } catch (CUserException* e) {
    e->Delete();
    RequireMessage();
  }
  return 0;
}
