// Test helpers that every subsystem's tests use and that need nothing but
// the standard library: π and the special values, a double's bits, a
// relative comparison, and wide text made printable for failure messages.
#ifndef MATRIX_TESTS_SUPPORT_TESTING_H_
#define MATRIX_TESTS_SUPPORT_TESTING_H_

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ios>
#include <limits>
#include <string>
#include <string_view>

namespace matrix::testing {

// π as the nearest double, written out so that no platform macro is needed.
inline constexpr double kPi = 3.141592653589793;
inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The bits of `x`, for checks that two doubles are the same to the last bit
// (a NaN equals itself, 0 and -0 differ).
inline std::uint64_t Bits(double x) { return std::bit_cast<std::uint64_t>(x); }

// |actual - expected| within `rel` · |expected|, so an expected 0 must be
// met exactly; on failure both values are printed in full.
inline ::testing::AssertionResult Near(double actual, double expected,
                                       double rel) {
  if (std::fabs(actual - expected) <= rel * std::fabs(expected)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << std::hexfloat << actual << " (" << std::defaultfloat << actual
         << ") is not within " << rel << " of " << expected;
}

// Wide text as printable ASCII: everything else, control characters
// included, as \u{hex}.
inline std::string Narrow(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "\\u{%X}", static_cast<unsigned>(c));
      out += buf;
    }
  }
  return out;
}
// (A pointer overload, so that a literal does not have to choose between
// the view and the framework's string of afx_testing.h.)
inline std::string Narrow(const wchar_t* text) {
  return Narrow(std::wstring_view(text));
}

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_TESTING_H_
