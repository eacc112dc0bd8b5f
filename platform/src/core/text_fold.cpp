// Platform layer - letter case ignored by Win32's rules (text_fold.h), and
// CompareStringOrdinal over the ordinal rule.
#include "text_fold.h"

#include <locale.h>
#include <stringapiset.h>
#include <wctype.h>
#include <winbase.h>

#include <cstdint>
#include <cwchar>

namespace matrix::platform {
namespace {

// A run of case pairs that alternate upper, lower: the lower one is odd
// (`lower_odd`) or even, and its upper one the code before it.
bool InAlternatingRun(std::uint32_t u, std::uint32_t first, std::uint32_t last,
                      bool lower_odd) {
  return u >= first && u <= last && ((u & 1) != 0) == lower_odd;
}

bool InAlternatingRuns(std::uint32_t u) {
  return InAlternatingRun(u, 0x100, 0x137, true) ||
         InAlternatingRun(u, 0x139, 0x148, false) ||
         InAlternatingRun(u, 0x14A, 0x177, true) ||
         InAlternatingRun(u, 0x179, 0x17E, false) ||
         InAlternatingRun(u, 0x460, 0x481, true) ||
         InAlternatingRun(u, 0x48A, 0x4BF, true) ||
         InAlternatingRun(u, 0x4C1, 0x4CE, false) ||
         InAlternatingRun(u, 0x4D0, 0x52F, true) ||
         InAlternatingRun(u, 0x1E00, 0x1E95, true) ||
         InAlternatingRun(u, 0x1EA0, 0x1EFF, true);
}

// The Greek letters whose capitals lie at irregular distances.
std::uint32_t GreekUpperCase(std::uint32_t u) {
  if ((u >= 0x3B1 && u <= 0x3C1) || (u >= 0x3C3 && u <= 0x3CB)) return u - 32;
  if (u == 0x3C2) return 0x3A3;  // final sigma
  if (u == 0x3AC) return 0x386;
  if (u >= 0x3AD && u <= 0x3AF) return u - 37;
  if (u == 0x3CC) return 0x38C;
  if (u == 0x3CD || u == 0x3CE) return u - 63;
  return u;
}

// The C library's C.UTF-8 locale object carries Unicode's simple case
// mapping, independent of what the host has set with setlocale.
locale_t CaseLocale() {
  static const locale_t locale =
      newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

}  // namespace

wchar_t OrdinalUpperCase(wchar_t c) {
  const auto u = static_cast<std::uint32_t>(c);
  if (u < 0x80)
    return (u >= 'a' && u <= 'z') ? static_cast<wchar_t>(u - 32) : c;
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 32);
  if (u == 0xFF) return static_cast<wchar_t>(0x178);
  if (InAlternatingRuns(u)) return static_cast<wchar_t>(u - 1);
  if (u >= 0x386 && u <= 0x3CE) return static_cast<wchar_t>(GreekUpperCase(u));
  if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 32);
  if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 80);
  if (u == 0x4CF) return static_cast<wchar_t>(0x4C0);
  if (u >= 0x561 && u <= 0x586) return static_cast<wchar_t>(u - 48);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 32);
  return c;
}

int CompareOrdinal(const wchar_t* a, std::size_t a_length, const wchar_t* b,
                   std::size_t b_length, bool ignore_case) {
  const std::size_t n = a_length < b_length ? a_length : b_length;
  for (std::size_t i = 0; i < n; ++i) {
    const wchar_t x = ignore_case ? OrdinalUpperCase(a[i]) : a[i];
    const wchar_t y = ignore_case ? OrdinalUpperCase(b[i]) : b[i];
    if (x != y)
      return static_cast<std::uint32_t>(x) < static_cast<std::uint32_t>(y) ? -1
                                                                           : 1;
  }
  return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
}

wchar_t ListTextLowerCase(wchar_t c) {
  if (locale_t locale = CaseLocale()) {
    return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale));
  }
  if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 0x20);
  if (c >= L'\u0410' && c <= L'\u042F') return static_cast<wchar_t>(c + 0x20);
  if (c >= L'\u0400' && c <= L'\u040F') return static_cast<wchar_t>(c + 0x50);
  return c;
}

int CompareCrtNoCase(const wchar_t* a, const wchar_t* b) {
  return wcscasecmp(a, b);
}

}  // namespace matrix::platform

int CompareStringOrdinal(LPCWCH lpString1, int cchCount1, LPCWCH lpString2,
                         int cchCount2, BOOL bIgnoreCase) {
  if (lpString1 == nullptr || lpString2 == nullptr ||
      (bIgnoreCase != FALSE && bIgnoreCase != TRUE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t length1 = cchCount1 < 0
                                  ? std::wcslen(lpString1)
                                  : static_cast<std::size_t>(cchCount1);
  const std::size_t length2 = cchCount2 < 0
                                  ? std::wcslen(lpString2)
                                  : static_cast<std::size_t>(cchCount2);
  const int order = matrix::platform::CompareOrdinal(
      lpString1, length1, lpString2, length2, bIgnoreCase == TRUE);
  return order < 0   ? CSTR_LESS_THAN
         : order > 0 ? CSTR_GREATER_THAN
                     : CSTR_EQUAL;
}
