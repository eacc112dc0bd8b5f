// Platform layer - the regional settings a new user store starts with,
// taken from the environment's POSIX locale (LANG, LC_*), never from the
// process's setlocale state.
#include <langinfo.h>
#include <locale.h>
#include <wchar.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "store.h"

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

// A strftime pattern in Windows' picture letters: %d dd, %m MM, %Y yyyy,
// %y yy, %H HH, %I hh, %M mm, %S ss, %p tt; %D, %T, %R and %r expand first.
// Literal letters are quoted as Windows quotes them.
std::wstring Picture(const std::wstring& format) {
  std::wstring out;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c != L'%' || i + 1 == format.size()) {
      const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
      if (letter) {
        out += L'\'';
        out += c;
        out += L'\'';
      } else {
        out += c;
      }
      continue;
    }
    wchar_t k = format[++i];
    if (k == L'E' || k == L'O' || k == L'-' || k == L'_' || k == L'0') {
      if (i + 1 == format.size()) break;
      k = format[++i];
    }
    switch (k) {
      case L'd':
        out += L"dd";
        break;
      case L'e':
        out += L"d";
        break;
      case L'm':
        out += L"MM";
        break;
      case L'Y':
        out += L"yyyy";
        break;
      case L'y':
        out += L"yy";
        break;
      case L'H':
        out += L"HH";
        break;
      case L'k':
        out += L"H";
        break;
      case L'I':
        out += L"hh";
        break;
      case L'l':
        out += L"h";
        break;
      case L'M':
        out += L"mm";
        break;
      case L'S':
        out += L"ss";
        break;
      case L'p':
        out += L"tt";
        break;
      case L'D':
        out += L"MM/dd/yy";
        break;
      case L'F':
        out += L"yyyy-MM-dd";
        break;
      case L'T':
        out += L"HH:mm:ss";
        break;
      case L'R':
        out += L"HH:mm";
        break;
      case L'r':
        out += L"hh:mm:ss tt";
        break;
      case L'%':
        out += L'%';
        break;
      default:
        break;  // no Windows picture for it
    }
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
    const bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    if (!letter && c != L' ') return std::wstring(1, c);
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
