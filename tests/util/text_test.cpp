// RusToTranslit: Russian letters spelt in Latin, everything else copied.
#include <gtest/gtest.h>
#include <matrix/util.h>

#include <string>

#include "support/formula_testing.h"

namespace {

using namespace matrix::testing;

TEST(Translit, SpellsWordsLetterByLetter) {
  struct Row {
    const wchar_t* text;
    const wchar_t* latin;
  } rows[] = {
      {L"Щука ёж", L"Shhuka jozh"},
      {L"Объём", L"Ob#jom"},
      {L"ЪЬ", L"##\""},
      {L"ъь", L"#'"},
      {L"", L""},
      {L"Pipe DN-300, 12.5 mm; ok?", L"Pipe DN-300, 12.5 mm; ok?"},
      {L"Жёлтый Чайник", L"Zhjoltyj Chajnik"},
      // No look-ahead: ш followed by х is "sh" + "h", not a digraph.
      {L"шх", L"shh"},
      {L"ЯЮЭ", L"JaJuJe"},
      {L"труба Ø530×8", L"truba Ø530×8"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RusToTranslit(row.text), row.latin) << Narrow(row.text);
  }
}

TEST(Translit, CoversBothAlphabetsInFull) {
  EXPECT_EQ(RusToTranslit(L"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"),
            L"abvgdejozhzijklmnoprstufhcchshshh#y'jejuja");
  EXPECT_EQ(RusToTranslit(L"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"),
            L"ABVGDEJoZhZIJKLMNOPRSTUFHCChShShh##Y\"JeJuJa");
}

TEST(Translit, CopiesCyrillicLettersOfOtherAlphabets) {
  // U+0456 і, U+0454 є, U+0400 Ѐ, U+0450 ѐ, U+0452 ђ, U+040F Џ: the
  // neighbours of the Russian letters in the code table.
  const wchar_t others[] = L"\u0456\u0454\u0400\u0450\u0452\u040F";
  EXPECT_EQ(RusToTranslit(others), others);
}

TEST(Translit, CopiesEmbeddedNulAndLeavesTheArgumentAlone) {
  const CString text(L"a\0\u0431", 3);
  const CString out = RusToTranslit(text);
  ASSERT_EQ(out.GetLength(), 3);
  EXPECT_EQ(out[0], L'a');
  EXPECT_EQ(out[1], L'\0');
  EXPECT_EQ(out[2], L'b');
  EXPECT_EQ(text.GetLength(), 3);
  EXPECT_EQ(text[2], L'\u0431');
}

TEST(Translit, LongTextGrowsByTheSpellings) {
  // 100000 times "щ" (three letters each) and one Latin letter.
  const CString text = CString(L'\u0449', 100000) + L"x";
  const CString out = RusToTranslit(text);
  ASSERT_EQ(out.GetLength(), 300001);
  EXPECT_EQ(out.Left(6), L"shhshh");
  EXPECT_EQ(out.Right(4), L"shhx");
}

}  // namespace
