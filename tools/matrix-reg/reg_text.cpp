// matrix-reg - text between a file and the store (reg_text.h).
#include "reg_text.h"

#include <utf8codec.h>

#include <climits>

namespace matrix_reg::text {

using matrix::platform::IsHighSurrogate;
using matrix::platform::IsLowSurrogate;

bool ToUtf16(std::wstring_view text, std::u16string* units, std::size_t* bad) {
  units->clear();
  units->reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<char32_t>(text[i]);
    const bool pair_look_alike =
        IsHighSurrogate(c) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<char32_t>(text[i + 1]));
    if (c > 0x10FFFF || pair_look_alike) {
      *bad = i;
      return false;
    }
    std::uint16_t u[2];
    const int n = matrix::platform::PutUtf16(c, u);
    units->append(u, u + n);
  }
  return true;
}

bool FromEightBit(std::string_view bytes, UINT code_page, std::wstring* out) {
  if (matrix::platform::TryToWide(bytes, *out)) return true;
  out->clear();
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int size = static_cast<int>(bytes.size());
  const int count = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS,
                                        bytes.data(), size, nullptr, 0);
  if (count <= 0) return false;
  out->resize(static_cast<std::size_t>(count));
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(),
                             size, out->data(), count) == count;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

bool OnlyComment(std::wstring_view rest) {
  const std::wstring_view t = Trim(rest);
  return t.empty() || t.front() == L';';
}

}  // namespace matrix_reg::text
