// Evaluates one formula through the installed library and prints it, then
// prints its own version words ("version 131073 5 131073 7" when built with
// the package's version helper, "no version" otherwise).
#include <matrix/matrix.h>

#include <cstdio>

int main() {
  CString formula(L"2+3*4");
  CArray<double, double const&> values;
  try {
    std::printf("%g\n", CompileStrV(formula, values, 1));
  } catch (const CUserException&) {
    std::printf("fault\n");
    return 1;
  }
  DWORD product_ms = 0, product_ls = 0, file_ms = 0, file_ls = 0;
  if (GetProductAndFileVersion(nullptr, product_ms, product_ls, file_ms,
                               file_ls)) {
    std::printf("version %u %u %u %u\n", static_cast<unsigned>(product_ms),
                static_cast<unsigned>(product_ls),
                static_cast<unsigned>(file_ms), static_cast<unsigned>(file_ls));
  } else {
    std::printf("no version\n");
  }
  return 0;
}
