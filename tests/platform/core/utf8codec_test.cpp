// The UTF-8 coder at the edges of each sequence length and on what is no
// character: surrogates, values above U+10FFFF, overlong and cut-off
// sequences. Expected bytes are the encoding tables' own examples.
#include <gtest/gtest.h>
#include <utf8codec.h>

#include <string>

namespace {

using matrix::platform::AppendUtf8;
using matrix::platform::ReadUtf8;

TEST(Utf8Codec, WritesEachLengthAndReplacesWhatIsNoScalarValue) {
  const struct {
    char32_t c;
    const char* bytes;
  } cases[] = {
      {0x41, "A"},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0xD800, "\xEF\xBF\xBD"},  // surrogates become U+FFFD
      {0xDFFF, "\xEF\xBF\xBD"},
      {0x110000, "\xEF\xBF\xBD"},
      {0xFFFFFFFF, "\xEF\xBF\xBD"},
  };
  for (const auto& t : cases) {
    std::string out;
    AppendUtf8(t.c, out);
    EXPECT_EQ(out, t.bytes) << std::hex << static_cast<unsigned long>(t.c);
  }
  EXPECT_EQ(matrix::platform::ToUtf8(L"a\u00E9\U0001F600"),
            "a\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(Utf8Codec, ReadsWellFormedSequencesAndLocatesTheFault) {
  // result: the length read, or -1 - (offset of the byte that shows the
  // fault).
  const struct {
    const char* bytes;
    int result;
    char32_t c;
  } cases[] = {
      {"A", 1, 0x41},
      {"\xC2\x80", 2, 0x80},
      {"\xEF\xBF\xBF", 3, 0xFFFF},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\x80", -1, 0},              // a continuation byte
      {"\xFF", -1, 0},              // no lead byte
      {"\xC0\x80", -1, 0},          // overlong U+0000
      {"\xC0\x41", -1, 0},          // the lead is refused first
      {"\xE0\x9F\xBF", -1, 0},      // overlong U+07FF
      {"\xF0\x8F\xBF\xBF", -1, 0},  // overlong U+FFFF
      {"\xED\xA0\x80", -1, 0},      // U+D800
      {"\xF4\x90\x80\x80", -1, 0},  // U+110000
      {"\xF5\x80\x80\x80", -1, 0},  // beyond any lead
      {"\xE2\x82", -1, 0},          // cut off
      {"\xE2\x28\xA1", -2, 0},      // second byte no continuation
      {"\xF0\x90\x28\x80", -3, 0},  // third byte no continuation
  };
  for (const auto& t : cases) {
    const std::string bytes = t.bytes;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    char32_t c = 0;
    EXPECT_EQ(ReadUtf8(p, p + bytes.size(), c), t.result) << bytes;
    EXPECT_EQ(c, t.c) << bytes;
  }
}

TEST(Utf8Codec, BitPatternReachesWhatIsNoCharacter) {
  const unsigned char surrogate[] = {0xED, 0xA0, 0x80};
  const unsigned char top[] = {0xF7, 0xBF, 0xBF, 0xBF};
  EXPECT_EQ(matrix::platform::Utf8SequenceLength(0xBF), 0);
  EXPECT_EQ(matrix::platform::Utf8SequenceLength(0xF8), 0);
  EXPECT_EQ(matrix::platform::Utf8SequenceValue(surrogate, 3), 0xD800u);
  EXPECT_EQ(matrix::platform::Utf8SequenceValue(top, 4), 0x1FFFFFu);
}

TEST(Utf8Codec, WideTextKeepsWhatFollowsAFault) {
  struct Case {
    const char* bytes;
    std::wstring wide;
  };
  const Case cases[] = {
      {"a\xD0\xAF\xE2\x82\xAC\xF0\x9F\x98\x80", L"a\u042F\u20AC\U0001F600"},
      {"\xE2\x28\xA1z", L"\uFFFD(\uFFFDz"},     // each bad byte on its own
      {"\xC0\xAF", L"\uFFFD\uFFFD"},            // overlong '/'
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {"x\xE2\x82", L"x\uFFFD\uFFFD"},          // cut off at the end
  };
  for (const auto& t : cases) {
    EXPECT_EQ(matrix::platform::ToWide(t.bytes), t.wide) << t.bytes;
  }
}

// The strict pair refuses instead of replacing, and says where: a file or
// key name must not silently become another name.
TEST(Utf8Codec, StrictPairRefusesAndLocatesTheFirstFault) {
  const struct {
    const char* bytes;
    bool ok;
    std::size_t bad;  // byte offset of the faulty sequence
    std::wstring before;
  } reads[] = {
      {"a\xD0\xAF", true, 0, L"a\u042F"},
      {"ab\xE2\x28\xA1", false, 2, L"ab"},  // broken sequence at byte 2
      {"\xD0\xAFx\xED\xA0\x80", false, 3, L"\u042Fx"},  // a surrogate
  };
  for (const auto& t : reads) {
    std::wstring wide;
    std::size_t bad = 0;
    EXPECT_EQ(matrix::platform::TryToWide(t.bytes, wide, &bad), t.ok);
    EXPECT_EQ(bad, t.bad) << t.bytes;
    EXPECT_EQ(wide, t.before) << t.bytes;
  }
  std::string utf8;
  std::size_t bad = 0;
  EXPECT_TRUE(matrix::platform::TryToUtf8(L"\u042F\U0001F600", utf8, &bad));
  EXPECT_EQ(utf8, "\xD0\xAF\xF0\x9F\x98\x80");
  const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xDC00), L'b', 0};
  EXPECT_FALSE(matrix::platform::TryToUtf8(lone, utf8, &bad));
  EXPECT_EQ(bad, 1u);
  EXPECT_EQ(utf8, "a");
}

}  // namespace
