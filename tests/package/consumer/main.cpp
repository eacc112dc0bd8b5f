// Evaluates one formula through the installed library and prints it.
#include <matrix/matrix.h>

#include <cstdio>

int main() {
  CString formula(L"2+3*4");
  CArray<double, double const&> values;
  try {
    std::printf("%g\n", CompileStrV(formula, values, 1));
  } catch (CUserException* e) {
    e->Delete();
    std::printf("fault\n");
    return 1;
  }
  return 0;
}
