// JsonParse: the reports of each depth, the number test, member order,
// Unicode, refused texts, abandonment and callbacks that throw.
#include <gtest/gtest.h>
#include <matrix/util.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// After GoogleTest: cpprestsdk defines a macro U that GoogleTest's
// templates use as a parameter name.
#include <cpprest/json.h>

#include "support/locale_testing.h"
#include "support/testing.h"

namespace {

using namespace matrix::testing;

constexpr DWORD kContext = 0xC0DE1234u;

// One callback call as the host saw it; null strings are empty optionals.
struct Call {
  std::wstring name;
  std::optional<std::wstring> text;
  DWORD intValue;
  double doubleValue;
  DWORD context;
  unsigned short type;
  std::optional<std::wstring> parent;

  bool operator==(const Call& o) const {
    return name == o.name && text == o.text && intValue == o.intValue &&
           Bits(doubleValue) == Bits(o.doubleValue) && context == o.context &&
           type == o.type && parent == o.parent;
  }
};

std::string Quote(const std::optional<std::wstring>& s) {
  return s ? "\"" + Narrow(*s) + "\"" : std::string("null");
}

void PrintTo(const Call& c, std::ostream* os) {
  char d[64];
  std::snprintf(d, sizeof d, "%a", c.doubleValue);
  *os << "{name \"" << Narrow(c.name) << "\", text " << Quote(c.text)
      << ", int " << c.intValue << ", double " << d << ", context " << c.context
      << ", type " << c.type << ", parent " << Quote(c.parent) << "}";
}

std::optional<std::wstring> Opt(const wchar_t* s) {
  if (s == nullptr) return std::nullopt;
  return std::wstring(s);
}

// Expected calls: a string, an integral number, a non-integral number.
Call Str(const wchar_t* name, const wchar_t* text, const wchar_t* parent) {
  return {name, Opt(text), 0, 0.0, kContext, 8, Opt(parent)};
}
Call Int(const wchar_t* name, DWORD i, double d, const wchar_t* parent) {
  return {name, std::nullopt, i, d, kContext, 22, Opt(parent)};
}
Call Dbl(const wchar_t* name, double d, const wchar_t* parent) {
  return {name, std::nullopt, 0, d, kContext, 5, Opt(parent)};
}

std::vector<Call>& Recorded() {
  static std::vector<Call> calls;
  return calls;
}

int Record(const wchar_t* name, const wchar_t* text, DWORD intValue,
           double doubleValue, DWORD context, unsigned short type,
           const wchar_t* parent) {
  // A null name would crash the host; record it visibly instead.
  Recorded().push_back({name == nullptr ? L"<null>" : name, Opt(text), intValue,
                        doubleValue, context, type, Opt(parent)});
  return 0;
}

struct Walk {
  int result;
  std::vector<Call> calls;
};

Walk WalkText(const wchar_t* text, bool passParentAtDepth3 = false) {
  Recorded().clear();
  const int result = JsonParse(text, Record, kContext, passParentAtDepth3);
  return {result, Recorded()};
}

using Calls = std::vector<Call>;

// Sets cpprestsdk's process-wide member-order setting for one test and puts
// the previous one back.
class MemberOrder {
 public:
  explicit MemberOrder(bool keep)
      : before_(web::json::details::g_keep_json_object_unsorted) {
    web::json::keep_object_element_order(keep);
  }
  ~MemberOrder() { web::json::keep_object_element_order(before_); }

 private:
  bool before_;
};

// ---- depth 1 --------------------------------------------------------------

TEST(JsonDepth1, DocumentsWithoutReportableValuesGiveNoCall) {
  for (const wchar_t* text : {L"{}", L"[]", L"\"x\"", L"5", L"true", L"null",
                              L"{\"b\":true,\"z\":null}", L"[[],{}]"}) {
    const Walk walk = WalkText(text);
    EXPECT_EQ(walk.result, 1) << Narrow(text);
    EXPECT_EQ(walk.calls, Calls{}) << Narrow(text);
  }
}

TEST(JsonDepth1, StringMemberIsReportedWithItsNameAndNoParent) {
  const Walk walk = WalkText(L"{\"a\":\"x\"}");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls, (Calls{Str(L"a", L"x", nullptr)}));
}

TEST(JsonDepth1, NumberMembersFollowTheNumberTest) {
  struct Row {
    const wchar_t* text;
    Call call;
  } rows[] = {
      {L"{\"n\":3}", Int(L"n", 3, 0.0, nullptr)},
      {L"{\"n\":-2}", Int(L"n", 4294967294u, 0.0, nullptr)},
      {L"{\"n\":2.5}", Dbl(L"n", 2.5, nullptr)},
      {L"{\"n\":-2.5}", Dbl(L"n", -2.5, nullptr)},
      {L"{\"n\":3.0}", Int(L"n", 3, 0.0, nullptr)},
      {L"{\"n\":1e-20}", Int(L"n", 0, 0.0, nullptr)},
      {L"{\"n\":-1e-20}", Int(L"n", 0, 0.0, nullptr)},
      {L"{\"n\":30e-1}", Int(L"n", 3, 0.0, nullptr)},
      {L"{\"n\":1e9}", Int(L"n", 1000000000, 0.0, nullptr)},
      // Truncation, not rounding: 1 - 2^-53 has i = 0.
      {L"{\"n\":0.9999999999999999}", Dbl(L"n", 1 - 0x1p-53, nullptr)},
      {L"{\"n\":-0.9999999999999999}", Dbl(L"n", -1 + 0x1p-53, nullptr)},
  };
  for (const Row& row : rows) {
    const Walk walk = WalkText(row.text);
    EXPECT_EQ(walk.result, 1) << Narrow(row.text);
    EXPECT_EQ(walk.calls, Calls{row.call}) << Narrow(row.text);
  }
}

TEST(JsonDepth1, IntegralMeansCloserThanTwoToTheMinus52) {
  struct Row {
    const wchar_t* text;
    Call call;
  } rows[] = {
      // 2^-52 itself is not closer than 2^-52 to 0.
      {L"{\"n\":2.220446049250313e-16}", Dbl(L"n", 0x1p-52, nullptr)},
      {L"{\"n\":1.1102230246251565e-16}", Int(L"n", 0, 0.0, nullptr)},
      // 3 + 2^-51, the double after 3, differs by 2^-51.
      {L"{\"n\":3.0000000000000004}", Dbl(L"n", 3 + 0x1p-51, nullptr)},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WalkText(row.text).calls, Calls{row.call}) << Narrow(row.text);
  }
}

// Converting a double outside the 32-bit range to int is undefined; such
// numbers (and those whose integer conversion would wrap) must come out as
// non-integral with their double, whatever their size.
TEST(JsonDepth1, NumbersOutsideThe32BitRangeAreNonIntegral) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const wchar_t* text;
    Call call;
  } rows[] = {
      {L"{\"n\":2147483647}", Int(L"n", 2147483647u, 0.0, nullptr)},
      {L"{\"n\":-2147483648}", Int(L"n", 2147483648u, 0.0, nullptr)},
      {L"{\"n\":2147483648}", Dbl(L"n", 2147483648.0, nullptr)},
      {L"{\"n\":-2147483649}", Dbl(L"n", -2147483649.0, nullptr)},
      {L"{\"n\":2147483647.5}", Dbl(L"n", 2147483647.5, nullptr)},
      {L"{\"n\":-2147483648.5}", Dbl(L"n", -2147483648.5, nullptr)},
      {L"{\"n\":4294967296}", Dbl(L"n", 4294967296.0, nullptr)},
      {L"{\"n\":4294967299}", Dbl(L"n", 4294967299.0, nullptr)},
      {L"{\"n\":9007199254740993}", Dbl(L"n", 9007199254740992.0, nullptr)},
      {L"{\"n\":18446744073709551615}", Dbl(L"n", 0x1p64, nullptr)},
      {L"{\"n\":-9223372036854775809}", Dbl(L"n", -0x1p63, nullptr)},
      {L"{\"n\":1e300}", Dbl(L"n", 1e300, nullptr)},
      {L"{\"n\":1e400}", Dbl(L"n", inf, nullptr)},
      {L"{\"n\":-1e400}", Dbl(L"n", -inf, nullptr)},
      {L"{\"n\":1e-400}", Int(L"n", 0, 0.0, nullptr)},
  };
  for (const Row& row : rows) {
    const Walk walk = WalkText(row.text);
    EXPECT_EQ(walk.result, 1) << Narrow(row.text);
    EXPECT_EQ(walk.calls, Calls{row.call}) << Narrow(row.text);
  }
}

TEST(JsonDepth1, BooleansAndNullsAreSkipped) {
  const Walk walk = WalkText(L"{\"b\":true,\"z\":null,\"s\":\"t\"}");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls, (Calls{Str(L"s", L"t", nullptr)}));
}

TEST(JsonDepth1, RootArrayReportsNumbersWithAnEmptyName) {
  EXPECT_EQ(WalkText(L"[5]").calls, (Calls{Int(L"", 5, 0.0, nullptr)}));
  EXPECT_EQ(WalkText(L"[\"x\"]").calls, Calls{});
  const Walk walk = WalkText(L"[5,\"x\",2.5,true]");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls,
            (Calls{Int(L"", 5, 0.0, nullptr), Dbl(L"", 2.5, nullptr)}));
}

TEST(JsonDepth1, MemberNameStartsEmptyForEachRootChild) {
  // The object sets the member name to "k" at depth 2; the next root
  // element must not inherit it.
  const Walk walk = WalkText(L"[{\"k\":1},5]");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls, (Calls{Int(L"", 5, 0.0, nullptr)}));
}

// ---- depth 2 --------------------------------------------------------------

TEST(JsonDepth2, MembersOfAMemberHaveItAsParent) {
  EXPECT_EQ(WalkText(L"{\"o\":{\"a\":\"x\"}}").calls,
            (Calls{Str(L"a", L"x", L"o")}));
  EXPECT_EQ(WalkText(L"{\"o\":{\"n\":7,\"m\":0.5}}").calls,
            (Calls{Dbl(L"m", 0.5, L"o"), Int(L"n", 7, 0.0, L"o")}));
}

TEST(JsonDepth2, ArrayElementsOfAMemberCarryItsNameTwice) {
  EXPECT_EQ(WalkText(L"{\"arr\":[1,2]}").calls,
            (Calls{Int(L"arr", 1, 0.0, L"arr"), Int(L"arr", 2, 0.0, L"arr")}));
  EXPECT_EQ(WalkText(L"{\"arr\":[1.5,\"x\",null]}").calls,
            (Calls{Dbl(L"arr", 1.5, L"arr")}));
  const Walk strings = WalkText(L"{\"arr\":[\"x\"]}");
  EXPECT_EQ(strings.result, 1);
  EXPECT_EQ(strings.calls, Calls{});
}

TEST(JsonDepth2, NothingIsReportedUnderARootArray) {
  for (const wchar_t* text :
       {L"[{\"a\":\"x\",\"n\":1}]", L"[[1,\"x\",2.5]]", L"[[],{}]"}) {
    const Walk walk = WalkText(text);
    EXPECT_EQ(walk.result, 1) << Narrow(text);
    EXPECT_EQ(walk.calls, Calls{}) << Narrow(text);
  }
}

// ---- depth 3 --------------------------------------------------------------

TEST(JsonDepth3, ParentIsTheMemberNameOnlyWhenAskedFor) {
  const wchar_t* text = L"{\"o\":{\"p\":{\"q\":1,\"s\":\"x\"}}}";
  EXPECT_EQ(WalkText(text, true).calls,
            (Calls{Int(L"q", 1, 0.0, L"p"), Str(L"s", L"x", L"p")}));
  EXPECT_EQ(WalkText(text, false).calls,
            (Calls{Int(L"q", 1, 0.0, nullptr), Str(L"s", L"x", nullptr)}));
}

TEST(JsonDepth3, MemberNameComesFromTheNearestNamedKeyAbove) {
  struct Row {
    const wchar_t* text;
    Calls calls;
  } rows[] = {
      // The depth-1 member holds an array: its name stays the member name.
      {L"{\"a\":[{\"q\":\"x\"}]}", {Str(L"q", L"x", L"a")}},
      // Under a root array the depth-2 key is taken although the depth-2
      // report itself fails (no depth-1 name).
      {L"[{\"p\":{\"q\":1}}]", {Int(L"q", 1, 0.0, L"p")}},
      // No name at depth 1 or 2: the member name is empty, parent null.
      {L"[[{\"q\":\"x\"}]]", {Str(L"q", L"x", nullptr)}},
  };
  for (const Row& row : rows) {
    const Walk walk = WalkText(row.text, true);
    EXPECT_EQ(walk.result, 1) << Narrow(row.text);
    EXPECT_EQ(walk.calls, row.calls) << Narrow(row.text);
  }
}

TEST(JsonDepth3, ArrayElementsAreNotReported) {
  const Walk walk = WalkText(L"{\"a\":{\"b\":[1,\"x\",2.5]}}", true);
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls, Calls{});
}

// ---- depth 4 --------------------------------------------------------------

TEST(JsonDepth4, ReportsWithTheDepth3KeyAsParent) {
  EXPECT_EQ(WalkText(L"{\"a\":{\"b\":{\"d\":{\"e\":\"x\"}}}}").calls,
            (Calls{Str(L"e", L"x", L"d")}));
  // Integral numbers still carry 0.0 at depth 4.
  EXPECT_EQ(WalkText(L"{\"a\":{\"b\":{\"d\":{\"e\":4,\"f\":-0.25}}}}").calls,
            (Calls{Int(L"e", 4, 0.0, L"d"), Dbl(L"f", -0.25, L"d")}));
}

TEST(JsonDepth4, NeedsTheDepth3KeyToBeAName) {
  // Depth 3 is an array element: the depth-4 members are not reported.
  const Walk walk = WalkText(L"{\"a\":{\"b\":[{\"c\":\"x\",\"n\":1}]}}");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls, Calls{});
}

TEST(JsonDepth4, ParentOfDepth5IsTheNearestOfThreeKeys) {
  struct Row {
    const wchar_t* text;
    Calls calls;
  } rows[] = {
      {L"{\"a\":{\"b\":{\"d\":{\"e\":{\"f\":7}}}}}", {Int(L"f", 7, 7.0, L"e")}},
      {L"{\"a\":{\"b\":{\"d\":[{\"f\":7}]}}}", {Int(L"f", 7, 7.0, L"d")}},
      {L"{\"a\":{\"b\":[[{\"f\":7}]]}}", {Int(L"f", 7, 7.0, L"b")}},
      {L"{\"a\":{\"b\":[{\"d\":{\"f\":7}}]}}", {Int(L"f", 7, 7.0, L"d")}},
  };
  for (const Row& row : rows) {
    const Walk walk = WalkText(row.text);
    EXPECT_EQ(walk.result, 1) << Narrow(row.text);
    EXPECT_EQ(walk.calls, row.calls) << Narrow(row.text);
  }
}

TEST(JsonDepth4, AbandonsWhenNoneOfTheThreeKeysIsAName) {
  // Three array levels from depth 2 to 4: no name for P5, also when the
  // depth-4 value has no children. Calls made before the point stand, none
  // follow.
  struct Row {
    const wchar_t* text;
    Calls calls;
  } rows[] = {
      {L"{\"a\":[[[{\"f\":7}]]]}", {}},
      {L"{\"a\":\"x\",\"b\":[[[[]]]],\"c\":\"y\"}", {Str(L"a", L"x", nullptr)}},
      {L"{\"a\":\"x\",\"b\":[[[true]]],\"c\":\"y\"}",
       {Str(L"a", L"x", nullptr)}},
      {L"{\"a\":\"x\",\"b\":[[[5]]],\"c\":\"y\"}", {Str(L"a", L"x", nullptr)}},
      {L"[[[[[]]]]]", {}},
  };
  for (const Row& row : rows) {
    const Walk walk = WalkText(row.text);
    EXPECT_EQ(walk.result, 0) << Narrow(row.text);
    EXPECT_EQ(walk.calls, row.calls) << Narrow(row.text);
  }
}

// ---- depths 5 to 7 --------------------------------------------------------

TEST(JsonDepth5To7, IntegralNumbersCarryTheirDouble) {
  EXPECT_EQ(
      WalkText(L"{\"a\":{\"b\":{\"d\":{\"e\":{\"f\":7,\"g\":2.5,\"h\":\"s\","
               L"\"i\":-1}}}}}")
          .calls,
      (Calls{Int(L"f", 7, 7.0, L"e"), Dbl(L"g", 2.5, L"e"),
             Str(L"h", L"s", L"e"), Int(L"i", 4294967295u, -1.0, L"e")}));
}

TEST(JsonDepth5To7, MinusZeroKeepsItsSignInTheDouble) {
  const Walk walk = WalkText(L"{\"a\":{\"b\":{\"d\":{\"e\":{\"f\":-0.0}}}}}");
  ASSERT_EQ(walk.calls, (Calls{Int(L"f", 0, -0.0, L"e")}));
  EXPECT_TRUE(std::signbit(walk.calls[0].doubleValue));
  // At depth 1 the double of an integral number is 0.0, sign and all.
  EXPECT_EQ(WalkText(L"{\"n\":-0.0}").calls,
            (Calls{Int(L"n", 0, 0.0, nullptr)}));
}

TEST(JsonDepth5To7, EachLevelNamesItsParent) {
  const Walk walk = WalkText(
      L"{\"k1\":{\"k2\":{\"k3\":{\"k4\":{\"k5\":{\"k6\":{\"k7\":\"x\"},"
      L"\"m6\":6},\"m5\":5}}}}}");
  EXPECT_EQ(walk.result, 1);
  // Members sorted by name: k5's subtree comes before m5.
  EXPECT_EQ(walk.calls,
            (Calls{Str(L"k7", L"x", L"k6"), Int(L"m6", 6, 6.0, L"k5"),
                   Int(L"m5", 5, 5.0, L"k4")}));
}

TEST(JsonDepth5To7, ParentFallsBackOverArrayLevels) {
  struct Row {
    const wchar_t* text;
    Calls calls;
  } rows[] = {
      // Depth 5 an array element: P6 is K4.
      {L"{\"a\":{\"b\":{\"d\":{\"e\":[{\"g\":1}]}}}}",
       {Int(L"g", 1, 1.0, L"e")}},
      // Depths 5 and 6 array elements: P7 is K4.
      {L"{\"a\":{\"b\":{\"d\":{\"e\":[[{\"h\":1}]]}}}}",
       {Int(L"h", 1, 1.0, L"e")}},
      // Depths 5 to 7 array elements: no name for P8.
      {L"{\"a\":{\"b\":{\"d\":{\"e\":[[[{\"i\":1}]]]}}}}", {}},
  };
  for (const Row& row : rows) {
    const Walk walk = WalkText(row.text);
    EXPECT_EQ(walk.result, row.calls.empty() ? 0 : 1) << Narrow(row.text);
    EXPECT_EQ(walk.calls, row.calls) << Narrow(row.text);
  }
}

// ---- depth 8 --------------------------------------------------------------

TEST(JsonDepth8, StringsAndNumbersAreReported) {
  const Walk walk = WalkText(
      L"{\"k1\":{\"k2\":{\"k3\":{\"k4\":{\"k5\":{\"k6\":{\"k7\":{\"k8\":\"x\","
      L"\"n8\":8,\"r8\":0.5}}}}}}}}");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(walk.calls,
            (Calls{Str(L"k8", L"x", L"k7"), Int(L"n8", 8, 8.0, L"k7"),
                   Dbl(L"r8", 0.5, L"k7")}));
}

TEST(JsonDepth8, AnythingElseAbandonsTheWalk) {
  struct Row {
    const wchar_t* depth8;
  } rows[] = {{L"{\"k8\":{}}"},   {L"{\"k8\":[]}"}, {L"{\"k8\":true}"},
              {L"{\"k8\":null}"}, {L"[\"x\"]"},     {L"[1]"}};
  for (const Row& row : rows) {
    const std::wstring text =
        std::wstring(
            L"{\"a\":1,\"k1\":{\"k2\":{\"k3\":{\"k4\":{\"k5\":{\"k6\":"
            L"{\"k7\":") +
        row.depth8 + L"}}}}}},\"z\":2}";
    const Walk walk = WalkText(text.c_str());
    EXPECT_EQ(walk.result, 0) << Narrow(text);
    EXPECT_EQ(walk.calls, (Calls{Int(L"a", 1, 0.0, nullptr)})) << Narrow(text);
  }
}

// ---- member order -----------------------------------------------------------

TEST(JsonOrder, MembersComeSortedByDefault) {
  MemberOrder order(false);
  // By the bytes of the UTF-8 names: "B" < "a" < "z" < "é".
  EXPECT_EQ(
      WalkText(L"{\"z\":1,\"\u00e9\":2,\"a\":3,\"B\":4}").calls,
      (Calls{Int(L"B", 4, 0.0, nullptr), Int(L"a", 3, 0.0, nullptr),
             Int(L"z", 1, 0.0, nullptr), Int(L"\u00e9", 2, 0.0, nullptr)}));
  EXPECT_FALSE(web::json::details::g_keep_json_object_unsorted);
}

TEST(JsonOrder, MembersComeInDocumentOrderWhenTheHostKeepsIt) {
  MemberOrder order(true);
  EXPECT_EQ(WalkText(L"{\"z\":1,\"\u00e9\":2,\"a\":3,\"B\":4,\"a\":5}").calls,
            (Calls{Int(L"z", 1, 0.0, nullptr), Int(L"\u00e9", 2, 0.0, nullptr),
                   Int(L"a", 3, 0.0, nullptr), Int(L"B", 4, 0.0, nullptr),
                   Int(L"a", 5, 0.0, nullptr)}));
  EXPECT_TRUE(web::json::details::g_keep_json_object_unsorted);
}

TEST(JsonOrder, ArrayElementsComeInIndexOrder) {
  MemberOrder order(false);
  EXPECT_EQ(WalkText(L"{\"a\":[3,1,2]}").calls,
            (Calls{Int(L"a", 3, 0.0, L"a"), Int(L"a", 1, 0.0, L"a"),
                   Int(L"a", 2, 0.0, L"a")}));
}

// ---- Unicode ----------------------------------------------------------------

TEST(JsonUnicode, CharactersOfEveryPlaneArriveWhole) {
  // Cyrillic, a CJK ideograph, an emoji (outside the basic plane) and the
  // last code point, raw and as escapes.
  const Walk walk = WalkText(
      L"{\"\u043a\u043b\u044e\u0447\":\"\u0437\u043d\u0430\u0447 \u4e2d "
      L"\U0001F600 \U0010FFFF\",\"e\":\"\\u00e9\\u4E2D\\ud83d\\ude00"
      L"\\uDBFF\\uDFFF\\\\ud800\"}");
  EXPECT_EQ(walk.result, 1);
  EXPECT_EQ(
      walk.calls,
      (Calls{Str(L"e", L"\u00e9\u4e2d\U0001F600\U0010FFFF\\ud800", nullptr),
             Str(L"\u043a\u043b\u044e\u0447",
                 L"\u0437\u043d\u0430\u0447 \u4e2d \U0001F600 \U0010FFFF",
                 nullptr)}));
}

TEST(JsonUnicode, ValuesThatAreNoCharactersDoNotParse) {
  std::vector<std::wstring> texts;
  for (std::uint32_t bad : {0xD800u, 0xDBFFu, 0xDC00u, 0xDFFFu, 0x110000u,
                            0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::wstring text = L"{\"a\":\"x\",\"b\":\"";
    text += static_cast<wchar_t>(bad);
    text += L"\"}";
    texts.push_back(text);
  }
  // Escapes of lone surrogates, one of which makes the parser throw
  // std::range_error and another of which it would let through.
  for (const wchar_t* escape :
       {L"\\ud800", L"\\udc00x", L"\\udfff", L"\\ud800\\u0041",
        L"\\ud800\\ud800", L"\\ude00\\ud83d", L"\\ud800\\n", L"\\ud83d"}) {
    texts.push_back(std::wstring(L"{\"a\":\"x\",\"b\":\"") + escape + L"\"}");
  }
  for (const std::wstring& text : texts) {
    const Walk walk = WalkText(text.c_str());
    EXPECT_EQ(walk.result, 0) << Narrow(text);
    EXPECT_EQ(walk.calls, Calls{}) << Narrow(text);
  }
}

TEST(JsonUnicode, LongTextsAndEscapesAtAnyOffsetArriveWhole) {
  // Thousands of four- and two-byte characters in a row, and escapes at
  // every offset of a run of plain characters.
  std::wstring wide(3000, L'\U0001F600');
  wide += std::wstring(2000, L'\u0436') + L"end";
  std::wstring text = L"{\"w\":\"" + wide + L"\"}";
  EXPECT_EQ(WalkText(text.c_str()).calls,
            (Calls{Str(L"w", wide.c_str(), nullptr)}));
  text.insert(text.size() - 2, 1, static_cast<wchar_t>(0xDC00));
  EXPECT_EQ(WalkText(text.c_str()).result, 0);

  for (std::size_t k = 0; k < 20; ++k) {
    const std::wstring run(k, L'a');
    for (const auto& [escape, value] :
         {std::pair<const wchar_t*, const wchar_t*>{L"\\u00e9", L"\u00e9"},
          {L"\\\\", L"\\"},
          {L"\\\"", L"\""},
          {L"\\ud83d\\ude00", L"\U0001F600"}}) {
      const std::wstring doc = L"{\"k\":\"" + run + escape + run + L"b\"}";
      const std::wstring want = run + value + run + L"b";
      EXPECT_EQ(WalkText(doc.c_str()).calls,
                (Calls{Str(L"k", want.c_str(), nullptr)}))
          << Narrow(doc);
    }
  }
}

TEST(JsonUnicode, EscapedNulEndsTheStringTheHostSees) {
  // The callback receives zero-terminated strings.
  EXPECT_EQ(WalkText(L"{\"a\":\"x\\u0000y\"}").calls,
            (Calls{Str(L"a", L"x", nullptr)}));
}

// ---- refused texts
// ------------------------------------------------------------

TEST(JsonRefusal, NullTextOrCallbackGiveZeroWithoutACall) {
  Recorded().clear();
  EXPECT_EQ(JsonParse(nullptr, Record, kContext, false), 0);
  EXPECT_EQ(JsonParse(L"{\"a\":\"x\"}", nullptr, kContext, true), 0);
  EXPECT_EQ(Recorded(), Calls{});
}

TEST(JsonRefusal, MalformedTextsGiveZeroWithoutACall) {
  for (const wchar_t* text :
       {L"", L"   ", L"{\"a\":", L"{\"a\":\"x\",\"b\":}", L"[1,]", L"{'a':1}",
        L"{\"a\":1}x", L"{\"a\":\"x\",\"b\":NaN}", L"{\"a\":\"x\" \"b\":1}",
        L"{\"a\":\"x\",\"b\":\"tab\there\"}", L"{\"a\":\"\\uzzzz\"}",
        L"{\"a\":1.}", L"{\"a\":\"x\",\"b\":\"open}"}) {
    const Walk walk = WalkText(text);
    EXPECT_EQ(walk.result, 0) << Narrow(text);
    EXPECT_EQ(walk.calls, Calls{}) << Narrow(text);
  }
}

// The parser refuses nesting deeper than 128 levels with its own exception;
// that is a refused text, not a fault that reaches the host, however deep.
TEST(JsonRefusal, NestingDeeperThanTheParserTakesGivesZeroWithoutACall) {
  const auto nested = [](std::size_t levels) {
    return L"{\"a\":\"x\",\"z\":" + std::wstring(levels, L'[') +
           std::wstring(levels, L']') + L"}";
  };
  // 127 arrays in the root object: 128 levels parse, and the walk stops at
  // depth 4 after the first report.
  const Walk parsed = WalkText(nested(127).c_str());
  EXPECT_EQ(parsed.result, 0);
  EXPECT_EQ(parsed.calls, (Calls{Str(L"a", L"x", nullptr)}));
  for (std::size_t levels : {128u, 1000000u}) {
    const Walk walk = WalkText(nested(levels).c_str());
    EXPECT_EQ(walk.result, 0) << levels;
    EXPECT_EQ(walk.calls, Calls{}) << levels;
  }
  const std::wstring brackets(1000000, L'[');
  EXPECT_EQ(WalkText(brackets.c_str()).result, 0);
}

TEST(JsonRefusal, NumbersAreReadWithAPointUnderAnyLocale) {
  const ScopedLocale russian(LC_ALL, "ru_RU.UTF-8");
  MATRIX_REQUIRE_LOCALE(russian, "ru_RU.UTF-8");
  const Walk walk = WalkText(L"{\"a\":2.5,\"b\":1e-3}");
  EXPECT_EQ(walk.calls,
            (Calls{Dbl(L"a", 2.5, nullptr), Dbl(L"b", 1e-3, nullptr)}));
}

// ---- callbacks
// ----------------------------------------------------------------

struct Thrown : std::runtime_error {
  Thrown() : std::runtime_error("from the host") {}
};

int CountThenThrow(const wchar_t*, const wchar_t*, DWORD, double, DWORD context,
                   unsigned short, const wchar_t*) {
  Recorded().push_back(Str(L"", nullptr, nullptr));
  if (context == 1) throw Thrown();
  // A host's own use of cpprestsdk must not be taken for a refused text.
  throw web::json::json_exception("from the host");
}

TEST(JsonCallback, ExceptionsFromTheCallbackReachTheHost) {
  const wchar_t* text = L"{\"a\":{\"b\":{\"d\":{\"e\":{\"f\":1,\"g\":2}}}}}";
  Recorded().clear();
  EXPECT_THROW(JsonParse(text, CountThenThrow, 1, false), Thrown);
  EXPECT_EQ(Recorded().size(), 1u);
  Recorded().clear();
  EXPECT_THROW(JsonParse(text, CountThenThrow, 2, false),
               web::json::json_exception);
  EXPECT_EQ(Recorded().size(), 1u);
}

int Refuse(const wchar_t* name, const wchar_t* text, DWORD i, double d,
           DWORD context, unsigned short type, const wchar_t* parent) {
  Record(name, text, i, d, context, type, parent);
  return 0;
}

TEST(JsonCallback, ItsResultDoesNotStopTheWalk) {
  Recorded().clear();
  EXPECT_EQ(JsonParse(L"{\"a\":1,\"b\":2}", Refuse, kContext, false), 1);
  EXPECT_EQ(Recorded(),
            (Calls{Int(L"a", 1, 0.0, nullptr), Int(L"b", 2, 0.0, nullptr)}));
}

TEST(JsonCallback, ContextArrivesUnchanged) {
  for (DWORD context : {0u, 1u, 0x80000000u, 0xFFFFFFFFu}) {
    Recorded().clear();
    EXPECT_EQ(JsonParse(L"{\"a\":\"x\",\"b\":[1]}", Record, context, true), 1);
    ASSERT_EQ(Recorded().size(), 2u);
    EXPECT_EQ(Recorded()[0].context, context);
    EXPECT_EQ(Recorded()[1].context, context);
  }
}

}  // namespace
