// CompareStringOrdinal: the comparison of names by code, with case ignored
// by the registry's fixed upper-case table; expected results follow Win32's
// documented semantics.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

TEST(CompareStringOrdinal, ComparesByCodeAndIgnoresCaseByUpperCasing) {
  const wchar_t embedded1[] = L"a\0b";
  const wchar_t embedded2[] = L"a\0c";
  const struct {
    const wchar_t* a;
    int a_count;
    const wchar_t* b;
    int b_count;
    BOOL ignore_case;
    int expected;
  } rows[] = {
      {L"abc", -1, L"ABC", -1, TRUE, CSTR_EQUAL},
      {L"abc", -1, L"ABC", -1, FALSE, CSTR_GREATER_THAN},  // 'a' > 'A'
      {L"жук ёж", -1, L"ЖУК ЁЖ", -1, TRUE, CSTR_EQUAL},
      {L"ab", -1, L"abc", -1, TRUE, CSTR_LESS_THAN},  // a start is lesser
      {L"abX", 2, L"AB", -1, TRUE, CSTR_EQUAL},       // counts limit the text
      {embedded1, 3, embedded2, 3, FALSE, CSTR_LESS_THAN},  // zeros count
      // Upper-casing, not lower-casing: 'a' becomes 'A' (0x41), below '_'.
      {L"a", -1, L"_", -1, TRUE, CSTR_LESS_THAN},
      {L"a", -1, L"_", -1, FALSE, CSTR_GREATER_THAN},
      {L"", -1, L"", -1, TRUE, CSTR_EQUAL},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(
        CompareStringOrdinal(r.a, r.a_count, r.b, r.b_count, r.ignore_case),
        r.expected)
        << static_cast<const void*>(r.a) << " " << r.a_count;
  }
}

TEST(CompareStringOrdinal, RefusesNullTextsAndBooleansOtherThanOne) {
  const struct {
    const wchar_t* a;
    const wchar_t* b;
    BOOL ignore_case;
  } rows[] = {
      {nullptr, L"a", TRUE},
      {L"a", nullptr, FALSE},
      {L"a", L"a", 2},
  };
  for (const auto& r : rows) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(CompareStringOrdinal(r.a, -1, r.b, -1, r.ignore_case), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

}  // namespace
