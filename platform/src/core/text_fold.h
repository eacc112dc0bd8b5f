// Platform layer (internal) - letter case ignored: the home of the layer's
// case-insensitive comparisons, each rule named for the Win32 (or run-time
// library) behaviour it follows. Windows itself folds registry
// names and list texts differently, so there are two folds here, plus the
// run-time library's comparison that the framework's CString is defined by.
#ifndef MATRIX_PLATFORM_SRC_CORE_TEXT_FOLD_H_
#define MATRIX_PLATFORM_SRC_CORE_TEXT_FOLD_H_

#include <cstddef>

namespace matrix::platform {

// --- The ordinal rule --------------------------------------------------------
// Registry key and value names, CompareStringOrdinal with bIgnoreCase and
// the keys of version resources (VerQueryValueW) ignore case one character
// at a time through a fixed upper-case table, never through a locale, so
// that lookup, uniqueness and order are the same in every process.

// `c` through the ordinal upper-case table: the simple one-to-one mappings
// of Latin (with Latin-1, Latin Extended-A and Extended Additional), Greek,
// Cyrillic, Armenian and full-width Latin; every other character unchanged.
wchar_t OrdinalUpperCase(wchar_t c);

// Less than, equal to or greater than 0 as the `a_length` characters at `a`
// sort before, equal to or after the `b_length` characters at `b`: code by
// code, after OrdinalUpperCase when `ignore_case`; a text that is the start
// of the other sorts first. Zeros are compared as any other character.
int CompareOrdinal(const wchar_t* a, std::size_t a_length, const wchar_t* b,
                   std::size_t b_length, bool ignore_case);

// --- The list-text rule ------------------------------------------------------
// Combo boxes find (CB_FINDSTRING, CB_FINDSTRINGEXACT) and sort (CBS_SORT)
// their texts with case ignored by Unicode's simple lower-case mapping,
// whatever locale the host has set with setlocale.

// `c` through Unicode's simple lower-case mapping (the C library's C.UTF-8
// tables; should they be missing, ASCII and the Cyrillic block by hand).
wchar_t ListTextLowerCase(wchar_t c);

// --- The run-time library's rule ---------------------------------------------
// The framework's CString::CompareNoCase is the run-time library's _wcsicmp,
// which lower-cases through the C library's current LC_CTYPE locale (ASCII
// alone in the "C" locale, as on Windows).

// Less than, equal to or greater than 0 as `a` sorts before, equal to or
// after `b`, each read to its first 0, after towlower in the current
// LC_CTYPE locale.
int CompareCrtNoCase(const wchar_t* a, const wchar_t* b);

}  // namespace matrix::platform

#endif  // MATRIX_PLATFORM_SRC_CORE_TEXT_FOLD_H_
