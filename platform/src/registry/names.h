// Platform layer (internal) - the registry's names: Win32's limits, the
// forms in which the store keeps a name, and '\' paths split into levels.
#ifndef MATRIX_PLATFORM_SRC_REGISTRY_NAMES_H_
#define MATRIX_PLATFORM_SRC_REGISTRY_NAMES_H_

#include <windef.h>
#include <winerror.h>

#include <cstddef>
#include <string>
#include <vector>

namespace matrix::platform::registry {

// Win32's limits, in characters.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr std::size_t kMaxClassLength = 255;
// How deep keys nest below a store's root, and how many levels one
// RegCreateKeyExW may make.
constexpr int kMaxDepth = 512;
constexpr std::size_t kMaxLevelsPerCall = 32;

// A name as the store keeps it: the UTF-8 text as written, the UTF-8 text of
// its ordinal upper-case form (core's text_fold.h), by which names are
// looked up, kept unique and ordered whatever the locale, and its length in
// characters.
struct Name {
  std::string utf8;
  std::string folded;
  std::size_t length = 0;
};

// Makes `*out` the name of the `length` characters at `text`. False when they
// are more than `limit`, or hold a 0, a surrogate, a value above U+10FFFF
// or, for a level of a key path (`key_level`), a '\'.
bool MakeName(const wchar_t* text, std::size_t length, std::size_t limit,
              bool key_level, Name* out);

// The value name `text` (null reads as "", the default value):
// ERROR_SUCCESS, or ERROR_INVALID_PARAMETER when it breaks the name rules.
LONG MakeValueName(const wchar_t* text, Name* out);

// A key's class as stored: none, or its UTF-8 text and length.
struct KeyClass {
  bool present = false;
  std::string utf8;
  std::size_t length = 0;
};

// The class `text` (null: none): ERROR_SUCCESS, or ERROR_INVALID_PARAMETER
// when it is longer than kMaxClassLength or holds a surrogate or a value
// above U+10FFFF.
LONG MakeKeyClass(const wchar_t* text, KeyClass* out);

// Splits a '\' path into levels (trailing '\'s are ignored; null and ""
// give none). Returns ERROR_SUCCESS, ERROR_BAD_PATHNAME for a leading '\'
// or an empty level inside (a doubled '\'), or ERROR_INVALID_PARAMETER for
// a level that breaks the name rules.
LONG SplitPath(const wchar_t* path, std::vector<Name>* levels);

}  // namespace matrix::platform::registry

#endif  // MATRIX_PLATFORM_SRC_REGISTRY_NAMES_H_
