// The three stages of JsonParse on their own, for its benchmark: the text
// in UTF-8 for the parser, the parser's UTF-8 back in wide characters, and
// the walk over a parsed document.
#ifndef MATRIX_SRC_UTIL_JSON_WALK_H_
#define MATRIX_SRC_UTIL_JSON_WALK_H_

#include <matrix/util.h>

#include <string>

namespace web::json {
class value;
}  // namespace web::json

namespace matrix::detail {

// Writes `text` in UTF-8 to `out`. False (out then unspecified) when the
// text holds a surrogate or a value above U+10FFFF, raw or as a \u escape
// (a high surrogate escape followed at once by a low one is a character).
bool JsonTextToUtf8(const wchar_t* text, std::string& out);

// Writes the UTF-8 `text` in wide characters to `out`; a malformed byte
// becomes U+FFFD.
void JsonTextToWide(const std::string& text, std::wstring& out);

// Walks the parsed document `root` as JsonParse does, calling `callback`;
// false when the walk was abandoned. Each subtree is released as soon as it
// has been walked, so `root` is left an empty shell.
bool JsonWalk(web::json::value& root, JsonValueCallback callback, DWORD context,
              bool passParentAtDepth3);

}  // namespace matrix::detail

#endif  // MATRIX_SRC_UTIL_JSON_WALK_H_
