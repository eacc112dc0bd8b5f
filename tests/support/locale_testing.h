// Test helper for tests that run under another C locale: the previous
// setting comes back however the test's scope is left, a failed ASSERT_...
// included, so that no later test of the executable inherits it.
#ifndef MATRIX_TESTS_SUPPORT_LOCALE_TESTING_H_
#define MATRIX_TESTS_SUPPORT_LOCALE_TESTING_H_

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace matrix::testing {

// Sets `category` (LC_ALL, LC_CTYPE, ...) to the locale `name` for the life
// of the object; ok() says whether the locale exists. The previous setting
// is restored on destruction, also when the switch failed.
class ScopedLocale {
 public:
  ScopedLocale(int category, const char* name)
      : category_(category),
        saved_(std::setlocale(category, nullptr)),
        ok_(std::setlocale(category, name) != nullptr) {}
  ~ScopedLocale() { std::setlocale(category_, saved_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool ok() const { return ok_; }

 private:
  int category_;
  std::string saved_;
  bool ok_;
};

}  // namespace matrix::testing

// Ends the current test when `scope` (a ScopedLocale) could not switch to
// `name`: every test that needs a locale behaves the same without it. It
// fails where CI is set (the set-up, scripts/setup.sh, generates the
// locales the tests use) and is skipped elsewhere.
#define MATRIX_REQUIRE_LOCALE(scope, name)                             \
  do {                                                                 \
    if (!(scope).ok()) {                                               \
      if (std::getenv("CI")) FAIL() << (name) << " is not installed";  \
      GTEST_SKIP() << (name)                                           \
                   << " is not installed (scripts/setup.sh makes it)"; \
    }                                                                  \
  } while (0)

#endif  // MATRIX_TESTS_SUPPORT_LOCALE_TESTING_H_
