// Windows code pages read into wide text: known characters of each code
// page family (from the code pages' published charts), the buffer rules,
// and bytes that are no character.
#include <gtest/gtest.h>
#include <stringapiset.h>
#include <winbase.h>

#include <string>

namespace {

std::wstring Read(UINT code_page, const std::string& bytes,
                  DWORD flags = MB_ERR_INVALID_CHARS) {
  wchar_t out[64];
  const int n = MultiByteToWideChar(code_page, flags, bytes.data(),
                                    static_cast<int>(bytes.size()), out, 64);
  return n > 0 ? std::wstring(out, static_cast<std::size_t>(n)) : L"<fail>";
}

TEST(CodePages, EachFamilyReadsItsKnownCharacters) {
  struct Case {
    UINT code_page;
    std::string bytes;
    std::wstring text;
  } cases[] = {
      {1252, "\x80\x9F\xE9",
       L"\u20AC\u0178\u00E9"},  // euro, Y diaeresis, e acute
      {1251, "\xC0\xFF\xA8", L"\u0410\u044F\u0401"},  // А, я, Ё
      {1250, "\x8A\xF8", L"\u0160\u0159"},            // Š, ř
      {866, "\x80\xEF", L"\u0410\u044F"},             // А, я
      {437, "\x80\xE1", L"\u00C7\u00DF"},             // Ç, ß
      {20866, "\xE1\xD1", L"\u0410\u044F"},           // KOI8-R А, я
      {28595, "\xB0", L"\u0410"},                     // ISO 8859-5 А
      {932, "\x82\xA0", L"\u3042"},                   // Shift-JIS hiragana a
      {CP_UTF8, "\xD0\x96", L"\u0416"},               // Ж
      {1252, "plain", L"plain"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.code_page, c.bytes), c.text) << c.code_page;
  }
}

TEST(CodePages, BytesThatAreNoCharacterFailOrBecomeTheReplacement) {
  struct Case {
    UINT code_page;
    std::string bytes;
    std::wstring lenient;  // without MB_ERR_INVALID_CHARS
  } cases[] = {
      {1252, "a\x81z", L"a\uFFFDz"},  // 0x81 is unassigned in 1252
      {CP_UTF8, "a\xFFz", L"a\uFFFDz"},
      {932, "a\x82", L"a\uFFFD"},  // a lead byte cut off at the end
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(Read(c.code_page, c.bytes), L"<fail>") << c.code_page;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(Read(c.code_page, c.bytes, 0), c.lenient) << c.code_page;
  }
}

TEST(CodePages, FollowWin32sCountsAndRefusals) {
  // -1 reads to the 0 and counts it; 0 room asks for the count.
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xC1", -1, nullptr, 0), 3);
  wchar_t out[3] = {L'x', L'x', L'x'};
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xC1", -1, out, 3), 3);
  EXPECT_EQ(std::wstring(out, 3), std::wstring(L"\u0410\u0411\0", 3));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(1251, 0, "\xC0\xC1", 2, out, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  struct Refusal {
    UINT code_page;
    DWORD flags;
    const char* text;
    int size;
    DWORD error;
  } refusals[] = {
      {12345, 0, "a", 1, ERROR_INVALID_PARAMETER},
      {CP_ACP, 0, "a", 1, ERROR_INVALID_PARAMETER},
      {1252, 0, nullptr, 1, ERROR_INVALID_PARAMETER},
      {1252, 0, "a", 0, ERROR_INVALID_PARAMETER},
      {1252, 0x100, "a", 1, ERROR_INVALID_FLAGS},
      {CP_UTF8, MB_PRECOMPOSED, "a", 1, ERROR_INVALID_FLAGS},
  };
  for (const Refusal& r : refusals) {
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(r.code_page, r.flags, r.text, r.size, out, 3),
              0)
        << r.code_page;
    EXPECT_EQ(GetLastError(), r.error) << r.code_page;
  }
  EXPECT_TRUE(IsValidCodePage(1252));
  EXPECT_TRUE(IsValidCodePage(CP_UTF8));
  EXPECT_FALSE(IsValidCodePage(12345));
}

}  // namespace
