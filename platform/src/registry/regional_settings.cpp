// Platform layer - the regional settings a new user store starts with,
// taken from the environment's POSIX locale (LANG, LC_*), never from the
// process's setlocale state.
#include <langinfo.h>
#include <locale.h>
#include <wchar.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "schema.h"

namespace matrix::platform::registry {
namespace {

// A locale string in the locale's own character set, as wide text.
std::wstring Widen(const char* text, locale_t loc) {
  if (!text) return std::wstring();
  const locale_t previous = uselocale(loc);  // this thread only
  std::wstring out;
  mbstate_t state{};
  const char* p = text;
  size_t left = std::strlen(text);
  while (left > 0) {
    wchar_t c = 0;
    const size_t n = mbrtowc(&c, p, left, &state);
    if (n == 0 || n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2))
      break;
    out.push_back(c);
    p += n;
    left -= n;
  }
  uselocale(previous);
  return out;
}

// "ru_RU.UTF-8@euro" -> "ru-RU"; the POSIX locale reads as American
// English, whose conventions it shares.
std::wstring Bcp47(const char* posix) {
  std::string name = posix ? posix : "";
  const size_t cut = name.find_first_of(".@");
  if (cut != std::string::npos) name.resize(cut);
  if (name.empty() || name == "C" || name == "POSIX") name = "en_US";
  std::wstring out;
  for (char c : name)
    out.push_back(
        c == '_' ? L'-' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

bool IsAsciiLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Windows' picture for each strftime conversion that has one; %D, %F, %T,
// %R and %r expand.
struct Conversion {
  wchar_t letter;
  const wchar_t* picture;
};
constexpr Conversion kConversions[] = {
    {L'd', L"dd"},       {L'e', L"d"},           {L'm', L"MM"},
    {L'Y', L"yyyy"},     {L'y', L"yy"},          {L'H', L"HH"},
    {L'k', L"H"},        {L'I', L"hh"},          {L'l', L"h"},
    {L'M', L"mm"},       {L'S', L"ss"},          {L'p', L"tt"},
    {L'D', L"MM/dd/yy"}, {L'F', L"yyyy-MM-dd"},  {L'T', L"HH:mm:ss"},
    {L'R', L"HH:mm"},    {L'r', L"hh:mm:ss tt"}, {L'%', L"%"},
};

// The picture of the conversion `letter`; "" for one Windows has none for.
const wchar_t* PictureOf(wchar_t letter) {
  for (const Conversion& c : kConversions) {
    if (c.letter == letter) return c.picture;
  }
  return L"";
}

// The flags and modifiers that may stand between '%' and the letter; the
// picture ignores them.
bool IsModifier(wchar_t c) {
  return c == L'E' || c == L'O' || c == L'-' || c == L'_' || c == L'0';
}

// A strftime pattern in Windows' picture letters (kConversions). Literal
// letters are quoted as Windows quotes them.
std::wstring Picture(const std::wstring& format) {
  std::wstring out;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c != L'%' || i + 1 == format.size()) {
      if (IsAsciiLetter(c)) {
        out += L'\'';
        out += c;
        out += L'\'';
      } else {
        out += c;
      }
      continue;
    }
    wchar_t letter = format[++i];
    if (IsModifier(letter)) {
      if (i + 1 == format.size()) break;
      letter = format[++i];
    }
    out += PictureOf(letter);
  }
  return out;
}

// The first character of a picture that is neither a picture letter nor
// quoted text: Windows' separator value (sDate, sTime).
std::wstring Separator(const std::wstring& picture, const wchar_t* fallback) {
  bool quoted = false;
  for (wchar_t c : picture) {
    if (c == L'\'') {
      quoted = !quoted;
      continue;
    }
    if (quoted) continue;
    if (!IsAsciiLetter(c) && c != L' ') return std::wstring(1, c);
  }
  return fallback;
}

}  // namespace

std::vector<std::pair<std::wstring, std::wstring>> InternationalSettings() {
  locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
  if (!loc) loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  std::vector<std::pair<std::wstring, std::wstring>> out;
  if (!loc) return out;
  const std::wstring decimal = Widen(nl_langinfo_l(RADIXCHAR, loc), loc);
  const std::wstring thousand = Widen(nl_langinfo_l(THOUSEP, loc), loc);
  std::wstring negative = Widen(nl_langinfo_l(NEGATIVE_SIGN, loc), loc);
  if (negative.empty()) negative = L"-";
  // CRNCYSTR puts '-', '+' or '.' (the symbol's place) before the symbol.
  std::wstring currency = Widen(nl_langinfo_l(CRNCYSTR, loc), loc);
  if (!currency.empty()) currency.erase(0, 1);
  // 1: metric, 2: US customary.
  const char* measurement = nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, loc);
  const bool us = measurement && measurement[0] == 2;
  const std::wstring date = Picture(Widen(nl_langinfo_l(D_FMT, loc), loc));
  const std::wstring time = Picture(Widen(nl_langinfo_l(T_FMT, loc), loc));
  const std::wstring name =
      Bcp47(nl_langinfo_l(_NL_LOCALE_NAME(LC_NUMERIC), loc));
  freelocale(loc);

  out.emplace_back(L"LocaleName", name);
  out.emplace_back(L"sDecimal", decimal.empty() ? std::wstring(L".") : decimal);
  out.emplace_back(L"sThousand", thousand);
  out.emplace_back(L"sList", decimal == L"," ? L";" : L",");
  out.emplace_back(L"sNegativeSign", negative);
  out.emplace_back(L"iMeasure", us ? L"1" : L"0");
  out.emplace_back(L"sShortDate", date);
  out.emplace_back(L"sDate", Separator(date, L"/"));
  out.emplace_back(L"sTimeFormat", time);
  out.emplace_back(L"sTime", Separator(time, L":"));
  out.emplace_back(L"sCurrency", currency);
  return out;
}

}  // namespace matrix::platform::registry
