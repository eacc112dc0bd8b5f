// matrix-reg (internal) - text between a file and the store: the file's
// UTF-16 code units and the store's wchar_t characters, 8-bit text of a
// code page, blanks and comments of a line.
#ifndef MATRIX_TOOLS_MATRIX_REG_REG_TEXT_H_
#define MATRIX_TOOLS_MATRIX_REG_REG_TEXT_H_

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace matrix_reg::text {

// UTF-16 code units of a wide text, the reverse of matrix::platform::
// FromUtf16: true with the units of `text` in `*units`; false, with the
// index of the first character that has no such form in `*bad`, for a
// value above U+10FFFF and for a lone high surrogate right before a lone
// low one (the pair would read back as one character).
bool ToUtf16(std::wstring_view text, std::u16string* units, std::size_t* bad);

// 8-bit text as wide characters: valid UTF-8 as UTF-8, anything else by the
// Windows code page `code_page`. False when it is neither.
bool FromEightBit(std::string_view bytes, UINT code_page, std::wstring* out);

// Blanks as the registry editor skips them: spaces and tabs.
bool IsBlank(wchar_t c);
std::wstring_view Trim(std::wstring_view s);
// True when `rest` holds nothing but blanks, or blanks and a ';' comment.
bool OnlyComment(std::wstring_view rest);

}  // namespace matrix_reg::text

#endif  // MATRIX_TOOLS_MATRIX_REG_REG_TEXT_H_
