// Platform layer - locale objects over POSIX newlocale and glibc's _l
// conversions.
#include <crtlocale.h>
#include <locale.h>
#include <wchar.h>

namespace {
locale_t Native(_locale_t locale) { return reinterpret_cast<locale_t>(locale); }
}  // namespace

_locale_t _create_locale(int category, const char* locale) {
  (void)category;
  if (!locale) return nullptr;
  locale_t created =
      newlocale(LC_ALL_MASK, locale, static_cast<locale_t>(nullptr));
  return reinterpret_cast<_locale_t>(created);
}

void _free_locale(_locale_t locale) {
  if (locale) freelocale(Native(locale));
}

double _wcstod_l(const wchar_t* text, wchar_t** end, _locale_t locale) {
  return locale ? wcstod_l(text, end, Native(locale)) : wcstod(text, end);
}

long _wcstol_l(const wchar_t* text, wchar_t** end, int base, _locale_t locale) {
  return locale ? wcstol_l(text, end, base, Native(locale))
                : wcstol(text, end, base);
}
