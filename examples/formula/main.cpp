// An example host: evaluates the formula given on its command line and
// prints the value, or the fault text as GetLastErrorM gives it.
//
//   formula ["FORMULA" [VALUE ...]]
//
// VALUEs fill the value array, so the formula can refer to them as #0, #1...
// Without arguments a default formula is evaluated.
#include <langinfo.h>
#include <matrix/matrix.h>

#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Command-line text to a wide string, by the host's character set.
CString Widen(const char* text) {
  std::size_t n = std::mbstowcs(nullptr, text, 0);
  if (n == static_cast<std::size_t>(-1)) return CString();
  std::wstring wide(n, L'\0');
  std::mbstowcs(wide.data(), text, n + 1);
  return CString(wide.c_str(), static_cast<int>(n));
}

std::string Narrow(const CString& text) {
  std::size_t n = std::wcstombs(nullptr, text.GetString(), 0);
  if (n == static_cast<std::size_t>(-1)) return "?";
  std::string narrow(n, '\0');
  std::wcstombs(narrow.data(), text.GetString(), n + 1);
  return narrow;
}

}  // namespace

int main(int argc, char** argv) {
  // A host takes the user's locale, decimal comma and all; the library
  // reads formulas with '.' whatever LC_NUMERIC says. Messages are Russian,
  // so make sure the character set can show them.
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
  }

  CString formula =
      argc > 1 ? Widen(argv[1]) : CString(L"(1.5+2.25)*4-sqrt(16)/ch(0)");
  CArray<double, double const&> values;
  for (int i = 2; i < argc; ++i) {
    double v = 0;
    const char* end = argv[i] + std::strlen(argv[i]);
    if (std::from_chars(argv[i], end, v).ptr != end) {
      std::fprintf(stderr, "not a number: %s\n", argv[i]);
      return 2;
    }
    values.Add(v);
  }

  std::printf("%s = ", Narrow(formula).c_str());
  try {
    double result = CompileStrV(formula, values, 1);
    char text[64];
    auto r = std::to_chars(text, text + sizeof text - 1, result);
    *r.ptr = '\0';
    std::printf("%s\n", text);
    return 0;
  } catch (CUserException* e) {
    e->Delete();
    CString message;
    GetLastErrorM(message);
    std::printf("%s\n", Narrow(message).c_str());
  } catch (CInvalidArgException* e) {
    e->Delete();
    std::printf("a reference #k outside the %d given values\n",
                static_cast<int>(values.GetSize()));
  }
  return 1;
}
