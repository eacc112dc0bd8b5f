// Platform layer - the registry's names: the name rules, the stored and
// folded forms, paths split into levels.
#include "names.h"

#include <utf8codec.h>

#include <cwchar>
#include <utility>

#include "../core/text_fold.h"

namespace matrix::platform::registry {

bool MakeName(const wchar_t* text, std::size_t length, std::size_t limit,
              bool key_level, Name* out) {
  if (length > limit) return false;
  out->utf8.clear();
  out->folded.clear();
  out->utf8.reserve(length);
  out->folded.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    const wchar_t c = text[i];
    if (c == 0 || (key_level && c == L'\\')) return false;
    // A name that is no Unicode text has no UTF-8 form: it is refused.
    if (!IsScalarValue(static_cast<char32_t>(c))) return false;
    AppendUtf8(static_cast<char32_t>(c), out->utf8);
    AppendUtf8(static_cast<char32_t>(OrdinalUpperCase(c)), out->folded);
  }
  out->length = length;
  return true;
}

LONG MakeValueName(const wchar_t* text, Name* out) {
  const std::size_t length = text ? std::wcslen(text) : 0;
  return MakeName(text ? text : L"", length, kMaxValueNameLength, false, out)
             ? ERROR_SUCCESS
             : ERROR_INVALID_PARAMETER;
}

LONG MakeKeyClass(const wchar_t* text, KeyClass* out) {
  *out = KeyClass();
  if (!text) return ERROR_SUCCESS;
  out->present = true;
  out->length = std::wcslen(text);
  if (out->length > kMaxClassLength || !TryToUtf8(text, out->utf8))
    return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

LONG SplitPath(const wchar_t* path, std::vector<Name>* levels) {
  levels->clear();
  if (!path || !*path) return ERROR_SUCCESS;
  if (*path == L'\\') return ERROR_BAD_PATHNAME;
  // Trailing separators, however many, name no level (as on Windows).
  const wchar_t* end = path + std::wcslen(path);
  while (end > path && end[-1] == L'\\') --end;
  const wchar_t* start = path;
  for (const wchar_t* p = path;; ++p) {
    if (p != end && *p != L'\\') continue;
    const std::size_t length = static_cast<std::size_t>(p - start);
    if (length == 0) return ERROR_BAD_PATHNAME;  // a doubled '\' inside
    Name name;
    if (!MakeName(start, length, kMaxKeyNameLength, true, &name))
      return ERROR_INVALID_PARAMETER;
    levels->push_back(std::move(name));
    if (p == end) break;
    start = p + 1;
  }
  return ERROR_SUCCESS;
}

}  // namespace matrix::platform::registry
