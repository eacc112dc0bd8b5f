// matrix - transliteration of Russian text into Latin letters: RusToTranslit.
#include <matrix/util.h>

#include <climits>
#include <cwchar>
#include <string>

namespace {

struct Letter {
  wchar_t cyrillic;
  const wchar_t* latin;
};

// The 66 letters in the order they are looked up: the lower-case alphabet,
// then the upper-case one. The hard and soft signs differ by case in more
// than capitalisation ("#" and "##", an apostrophe and a quotation mark);
// a multi-letter spelling of a capital capitalises its first letter only.
constexpr Letter kLetters[] = {
    {L'\u0430', L"a"},  {L'\u0431', L"b"},  {L'\u0432', L"v"},
    {L'\u0433', L"g"},  {L'\u0434', L"d"},  {L'\u0435', L"e"},
    {L'\u0451', L"jo"}, {L'\u0436', L"zh"}, {L'\u0437', L"z"},
    {L'\u0438', L"i"},  {L'\u0439', L"j"},  {L'\u043A', L"k"},
    {L'\u043B', L"l"},  {L'\u043C', L"m"},  {L'\u043D', L"n"},
    {L'\u043E', L"o"},  {L'\u043F', L"p"},  {L'\u0440', L"r"},
    {L'\u0441', L"s"},  {L'\u0442', L"t"},  {L'\u0443', L"u"},
    {L'\u0444', L"f"},  {L'\u0445', L"h"},  {L'\u0446', L"c"},
    {L'\u0447', L"ch"}, {L'\u0448', L"sh"}, {L'\u0449', L"shh"},
    {L'\u044A', L"#"},  {L'\u044B', L"y"},  {L'\u044C', L"'"},
    {L'\u044D', L"je"}, {L'\u044E', L"ju"}, {L'\u044F', L"ja"},
    {L'\u0410', L"A"},  {L'\u0411', L"B"},  {L'\u0412', L"V"},
    {L'\u0413', L"G"},  {L'\u0414', L"D"},  {L'\u0415', L"E"},
    {L'\u0401', L"Jo"}, {L'\u0416', L"Zh"}, {L'\u0417', L"Z"},
    {L'\u0418', L"I"},  {L'\u0419', L"J"},  {L'\u041A', L"K"},
    {L'\u041B', L"L"},  {L'\u041C', L"M"},  {L'\u041D', L"N"},
    {L'\u041E', L"O"},  {L'\u041F', L"P"},  {L'\u0420', L"R"},
    {L'\u0421', L"S"},  {L'\u0422', L"T"},  {L'\u0423', L"U"},
    {L'\u0424', L"F"},  {L'\u0425', L"H"},  {L'\u0426', L"C"},
    {L'\u0427', L"Ch"}, {L'\u0428', L"Sh"}, {L'\u0429', L"Shh"},
    {L'\u042A', L"##"}, {L'\u042B', L"Y"},  {L'\u042C', L"\""},
    {L'\u042D', L"Je"}, {L'\u042E', L"Ju"}, {L'\u042F', L"Ja"},
};
static_assert(sizeof kLetters / sizeof kLetters[0] == 66);

// The spelling of `c`, or nullptr when it is not one of the 66 letters.
// All of them lie in U+0401..U+0451, so most text skips the table.
const wchar_t* Spelling(wchar_t c) {
  if (c < L'\u0401' || c > L'\u0451') return nullptr;
  for (const Letter& letter : kLetters) {
    if (letter.cyrillic == c) return letter.latin;
  }
  return nullptr;
}

}  // namespace

CString RusToTranslit(CString text) {
  const int length = text.GetLength();
  const wchar_t* chars = text.GetString();
  // A string holds at most INT_MAX characters; a text that would spell out
  // longer is refused as the framework refuses any string too long to hold.
  std::size_t needed = 0;
  for (int i = 0; i < length; ++i) {
    const wchar_t* latin = Spelling(chars[i]);
    needed += latin ? std::wcslen(latin) : 1;
  }
  if (needed > static_cast<std::size_t>(INT_MAX)) AfxThrowMemoryException();
  std::wstring out;
  matrix::platform::WithFrameworkMemory([&] { out.reserve(needed); });
  for (int i = 0; i < length; ++i) {
    if (const wchar_t* latin = Spelling(chars[i])) {
      out += latin;
    } else {
      out += chars[i];
    }
  }
  return CString(out.data(), static_cast<int>(out.size()));
}
