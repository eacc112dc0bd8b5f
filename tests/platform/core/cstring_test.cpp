// CString: clamping of the extraction and editing calls, searches, counts
// and new lengths, trimming, case mapping by the C locale, formatting in the
// framework's wide conventions, direct buffer access and aliasing.
#include <afx.h>
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <iterator>
#include <ostream>
#include <string>
#include <type_traits>

#include "support/afx_testing.h"
#include "support/locale_testing.h"

namespace {

using namespace matrix::testing;

TEST(CString, ConstructsFromTextLengthAndRepeatedCharacter) {
  static_assert(std::is_nothrow_move_constructible_v<CString>);
  EXPECT_TRUE(CString().IsEmpty());
  EXPECT_EQ(CString(static_cast<const wchar_t*>(nullptr)), L"");
  EXPECT_EQ(CString(L"abcdef", 3), L"abc");
  EXPECT_EQ(CString(L'x', 3), L"xxx");
  EXPECT_TRUE(CString(L'x', 0).IsEmpty());
  const CString embedded(L"ab\0cd", 5);  // the length counts, not the 0
  EXPECT_EQ(embedded.GetLength(), 5);
  EXPECT_EQ(embedded.GetAt(2), L'\0');
  EXPECT_EQ(embedded.GetAt(4), L'd');
  EXPECT_AFX_THROW(CString(L"abc", -1), CInvalidArgException);
}

TEST(CString, GetAtReadsTheTerminatorAndThrowsOutsideIt) {
  CString s(L"abc");
  EXPECT_EQ(s.GetAt(0), L'a');
  EXPECT_EQ(s[2], L'c');
  EXPECT_EQ(s.GetAt(3), L'\0');
  EXPECT_AFX_THROW(s.GetAt(-1), CInvalidArgException);
  EXPECT_AFX_THROW(s.GetAt(4), CInvalidArgException);
  EXPECT_AFX_THROW(s[INT_MAX], CInvalidArgException);
  s.SetAt(1, L'X');
  EXPECT_EQ(s, L"aXc");
  EXPECT_AFX_THROW(s.SetAt(3, L'!'), CInvalidArgException);
  EXPECT_AFX_THROW(s.SetAt(-1, L'!'), CInvalidArgException);
}

TEST(CString, FindHonoursTheStartIndex) {
  const CString s(L"abcabc");
  const struct {
    int got, want;
  } cases[] = {{s.Find(L'b'), 1},           {s.Find(L'b', 2), 4},
               {s.Find(L'b', 5), -1},       {s.Find(L'a', -1), -1},
               {s.Find(L'c', 6), -1},       {s.Find(L'z'), -1},
               {s.Find(L"bc"), 1},          {s.Find(L"bc", 2), 4},
               {s.Find(L"bc", 5), -1},      {s.Find(L"bc", -1), -1},
               {s.Find(L"", 6), 6},         {s.Find(L"", 7), -1},
               {s.Find(L"c", INT_MAX), -1}, {s.FindOneOf(L"xc"), 2},
               {s.FindOneOf(L"xyz"), -1},   {s.ReverseFind(L'a'), 3},
               {s.ReverseFind(L'z'), -1}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
  }
  // Indices count wchar_t units, whatever their size.
  const wchar_t* astral = L"a\U0001F600b";
  const CString wide(astral);
  EXPECT_EQ(wide.GetLength(), static_cast<int>(std::wcslen(astral)));
  EXPECT_EQ(wide.Find(L'b'), wide.GetLength() - 1);
}

TEST(CString, LeftMidRightClampTheirArguments) {
  const CString s(L"hello");
  const struct {
    const wchar_t* want;
    CString got;
  } cases[] = {{L"he", s.Left(2)},
               {L"", s.Left(0)},
               {L"", s.Left(-1)},
               {L"hello", s.Left(99)},
               {L"lo", s.Right(2)},
               {L"", s.Right(-3)},
               {L"hello", s.Right(INT_MAX)},
               {L"ello", s.Mid(1)},
               {L"hello", s.Mid(-4)},
               {L"", s.Mid(5)},
               {L"", s.Mid(9)},
               {L"ell", s.Mid(1, 3)},
               {L"lo", s.Mid(3, INT_MAX)},
               {L"hel", s.Mid(-2, 3)},
               {L"", s.Mid(2, -1)},
               {L"", s.Mid(INT_MAX, 1)}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
  }
}

TEST(CString, DeleteAndInsertClampAndReturnTheNewLength) {
  const struct {
    int index, count;
    const wchar_t* want;
  } deletes[] = {{1, 2, L"hlo"},         {3, 10, L"hel"},  {-2, 1, L"ello"},
                 {5, 1, L"hello"},       {9, 1, L"hello"}, {1, -1, L"hello"},
                 {INT_MIN, INT_MAX, L""}};
  for (const auto& c : deletes) {
    CString s(L"hello");
    EXPECT_EQ(s.Delete(c.index, c.count),
              static_cast<int>(std::wcslen(c.want)));
    EXPECT_EQ(s, c.want) << c.index << "," << c.count;
  }
  CString one(L"hello");
  EXPECT_EQ(one.Delete(0), 4);
  EXPECT_EQ(one, L"ello");

  const struct {
    int index;
    const wchar_t* with_char;
    const wchar_t* with_text;
  } inserts[] = {{-3, L"*ab", L"<>ab"},
                 {0, L"*ab", L"<>ab"},
                 {1, L"a*b", L"a<>b"},
                 {2, L"ab*", L"ab<>"},
                 {INT_MAX, L"ab*", L"ab<>"}};
  for (const auto& c : inserts) {
    CString a(L"ab"), b(L"ab");
    EXPECT_EQ(a.Insert(c.index, L'*'), 3);
    EXPECT_EQ(a, c.with_char) << c.index;
    EXPECT_EQ(b.Insert(c.index, L"<>"), 4);
    EXPECT_EQ(b, c.with_text) << c.index;
  }
}

TEST(CString, ReplaceAndRemoveReturnTheCount) {
  const struct {
    const wchar_t *text, *from, *to;
    int count;
    const wchar_t* want;
  } cases[] = {
      {L"a-b-c", L"-", L"+=", 2, L"a+=b+=c"},
      {L"aaaa", L"aa", L"b", 2, L"bb"},  // left to right, no overlap
      {L"aaa", L"aa", L"b", 1, L"ba"},
      {L"abcabc", L"bc", L"", 2, L"aa"},
      {L"abcabc", L"bc", nullptr, 2, L"aa"},
      {L"abc", L"", L"x", 0, L"abc"},  // an empty old text replaces nothing
      {L"abc", nullptr, L"x", 0, L"abc"},
      {L"abc", L"abcd", L"x", 0, L"abc"}};
  for (const auto& c : cases) {
    CString s(c.text);
    EXPECT_EQ(s.Replace(c.from, c.to), c.count) << c.text;
    EXPECT_EQ(s, c.want);
  }
  CString s(L"banana");
  EXPECT_EQ(s.Replace(L'a', L'o'), 3);
  EXPECT_EQ(s, L"bonono");
  EXPECT_EQ(s.Replace(L'o', L'o'), 0);
  EXPECT_EQ(s.Remove(L'o'), 3);
  EXPECT_EQ(s, L"bnn");
  EXPECT_EQ(s.Remove(L'z'), 0);
}

TEST(CString, TrimVariants) {
  const wchar_t* text = L" \t\r\n xyx \v\f";
  EXPECT_EQ(CString(text).Trim(), L"xyx");
  EXPECT_EQ(CString(text).TrimLeft(), L"xyx \v\f");
  EXPECT_EQ(CString(text).TrimRight(), L" \t\r\n xyx");
  EXPECT_EQ(CString(L" \t ").Trim(), L"");
  EXPECT_EQ(CString(L"xxaxx").Trim(L'x'), L"a");
  EXPECT_EQ(CString(L"xxaxx").TrimLeft(L'x'), L"axx");
  EXPECT_EQ(CString(L"xxaxx").TrimRight(L'x'), L"xxa");
  EXPECT_EQ(CString(L"xyaybx").Trim(L"xy"), L"ayb");
  EXPECT_EQ(CString(L"xyaybx").TrimLeft(L"yx"), L"aybx");
  EXPECT_EQ(CString(L"xyaybx").TrimRight(L"yx"), L"xyayb");
  EXPECT_EQ(CString(L"xyx").Trim(L"xy"), L"");
  EXPECT_EQ(CString(L" a ").Trim(L""), L" a ");  // an empty set trims nothing
  CString s(L"  chained ");
  EXPECT_EQ(&s.Trim(), &s);
  EXPECT_EQ(&s.TrimLeft(L'c'), &s);
  EXPECT_EQ(s, L"hained");
}

TEST(CString, CaseMappingFollowsTheCtypeLocale) {
  {
    const ScopedLocale c(LC_CTYPE, "C");
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(CString(L"Abc Жук").MakeUpper(), L"ABC Жук");
    EXPECT_EQ(CString(L"Abc Жук").MakeLower(), L"abc Жук");
  }
  const ScopedLocale utf8(LC_CTYPE, "C.UTF-8");
  MATRIX_REQUIRE_LOCALE(utf8, "C.UTF-8");
  EXPECT_EQ(CString(L"Abc Жук ёж").MakeUpper(), L"ABC ЖУК ЁЖ");
  EXPECT_EQ(CString(L"Abc ЖУК ЁЖ").MakeLower(), L"abc жук ёж");
  EXPECT_EQ(CString(L"жук").CompareNoCase(L"ЖУК"), 0);
}

TEST(CString, ComparisonsAndOrdering) {
  const CString abc(L"abc");
  EXPECT_EQ(abc.Compare(L"abc"), 0);
  EXPECT_LT(abc.Compare(L"abd"), 0);
  EXPECT_GT(abc.Compare(L"ab"), 0);
  EXPECT_EQ(abc.CompareNoCase(L"ABC"), 0);
  EXPECT_LT(abc.CompareNoCase(L"ABD"), 0);
  EXPECT_TRUE(abc == L"abc" && L"abc" == abc && abc == CString(L"abc"));
  EXPECT_TRUE(abc != L"abC" && L"ab" != abc && abc != CString(L"abcd"));
  EXPECT_TRUE(CString(L"ab") < abc && !(abc < abc));
}

// Every comparison stops at the first 0, as the framework's C-string
// comparisons do, so == never disagrees with Compare or <.
TEST(CString, ComparisonsStopAtAnEmbeddedZero) {
  const CString ab(L"a\0b", 3);
  const CString ac(L"a\0c", 3);
  EXPECT_TRUE(ab == ac && !(ab != ac));
  EXPECT_TRUE(ab == L"a" && L"a" == ab);
  EXPECT_EQ(ab.Compare(ac), 0);
  EXPECT_FALSE(ab < ac || ac < ab);
  EXPECT_EQ(CString(L"b").Compare(L"a"), 1);
  EXPECT_EQ(CString(L"a").Compare(L"b"), -1);
}

TEST(CString, ConcatenationForms) {
  const CString a(L"ab");
  EXPECT_EQ(a + CString(L"cd"), L"abcd");
  EXPECT_EQ(a + L"cd", L"abcd");
  EXPECT_EQ(L"cd" + a, L"cdab");
  EXPECT_EQ(a + L'!', L"ab!");
  EXPECT_EQ(L'!' + a, L"!ab");
  CString s;
  s += a;
  s += L"-";
  s += L'z';
  EXPECT_EQ(s, L"ab-z");
  s = L'q';
  EXPECT_EQ(s, L"q");
  s.Empty();
  EXPECT_TRUE(s.IsEmpty());
}

TEST(CString, OwnTextAsArgument) {
  CString s(L"abc");
  s = s.GetString();
  EXPECT_EQ(s, L"abc");
  s = s.GetString() + 1;
  EXPECT_EQ(s, L"bc");
  s += s.GetString();
  EXPECT_EQ(s, L"bcbc");
  s += s;
  EXPECT_EQ(s, L"bcbcbcbc");
  CString t(L"xyz");
  EXPECT_EQ(t.Insert(1, t.GetString()), 6);
  EXPECT_EQ(t, L"xxyzyz");
  t.Format(L"[%s]", t.GetString());
  EXPECT_EQ(t, L"[xxyzyz]");
  t = t.Mid(1, 2);
  EXPECT_EQ(t, L"xx");
}

TEST(CString, FormatUsesTheFrameworkWideConventions) {
  CString s;
  s.Format(L"%s|%c|%ls|%lc", L"wide", L'w', L"ls", L'l');
  EXPECT_EQ(s, L"wide|w|ls|l");
  s.Format(L"%S|%hs|%C|%hc", "narrow", "hs", 'n', 'h');
  EXPECT_EQ(s, L"narrow|hs|n|h");
  s.Format(L"%s %c", L"Привет", L'Ж');  // wide text needs no locale
  EXPECT_EQ(s, L"Привет Ж");
  s.Format(L"%I64d %I64u %I64x", LONGLONG{INT64_MIN}, ULONGLONG{UINT64_MAX},
           LONGLONG{0xABCDEF012});
  EXPECT_EQ(s, L"-9223372036854775808 18446744073709551615 abcdef012");
  s.Format(L"%i|%d|%u|%04X|%-3d|%+d|%%", -7, 42, 7u, 0xBEEFu, 5, 3);
  EXPECT_EQ(s, L"-7|42|7|BEEF|5  |+3|%");
  // A LONG and a DWORD are 32 bits, so %ld and %lu take them.
  s.Format(L"%ld %lu %lx", LONG{-1}, DWORD{4000000000u}, DWORD{0xFFFFFFFFu});
  EXPECT_EQ(s, L"-1 4000000000 ffffffff");
  s.Format(L"%.2f|%6.1f|%e", 3.14159, -2.26, 1.5);
  EXPECT_EQ(s, L"3.14|  -2.3|1.500000e+00");
  s.AppendFormat(L"+%d", 1);
  EXPECT_EQ(s, L"3.14|  -2.3|1.500000e+00+1");
  EXPECT_AFX_THROW(s.Format(nullptr), CInvalidArgException);
}

TEST(CString, BufferAccessAndRelease) {
  CString s(L"abc");
  wchar_t* p = s.GetBuffer(8);
  std::wcscpy(p, L"defghijk");  // 8 characters and the terminator fit
  s.ReleaseBuffer();
  EXPECT_EQ(s, L"defghijk");

  p = s.GetBuffer();
  p[1] = L'\0';
  s.ReleaseBuffer();  // -1: up to the first 0
  EXPECT_EQ(s, L"d");

  p = s.GetBuffer(10);
  std::wcscpy(p, L"uvwxyz");
  s.ReleaseBuffer(3);
  EXPECT_EQ(s, L"uvw");

  p = s.GetBufferSetLength(4);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<wchar_t>(L'0' + i);
  s.ReleaseBuffer();
  EXPECT_EQ(s, L"0123");
  EXPECT_EQ(s.GetLength(), 4);
  EXPECT_AFX_THROW(s.GetBufferSetLength(-1), CInvalidArgException);
}

}  // namespace
