// Fuzz target for the formula engine: the input's bytes, read as UTF-8
// where they form characters and as single characters where they do not,
// go through the checker and the evaluator. Any outcome but a value or the
// documented exceptions is a fault; the sanitizers catch the rest.
#include <matrix/matrix.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::wstring text = matrix::fuzz::Decode(data, size);
  CArray<double, double const&> values;
  values.Add(1.5);
  values.Add(-2);
  CString formula(text.c_str(), static_cast<int>(text.size()));
  CString checked(formula);
  CString simple(formula);
  try {
    VerifyFormule(checked);
  } catch (CUserException* e) {
    e->Delete();
  }
  try {
    CompileStrV(formula, values, 0);
  } catch (CUserException* e) {
    e->Delete();
  } catch (CInvalidArgException* e) {
    e->Delete();
  }
  try {
    CompileSimpleStrV(simple, values);
  } catch (CUserException* e) {
    e->Delete();
  } catch (CInvalidArgException* e) {
    e->Delete();
  }
  return 0;
}
