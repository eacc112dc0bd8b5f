// matrix - utilities: the JSON walker; transliteration, CRC-32 and sorting.
#ifndef MATRIX_UTIL_H_
#define MATRIX_UTIL_H_

#include <afx.h>
#include <afxcoll.h>
#include <matrix/export.h>
#include <windef.h>

// ---- JSON walker ----------------------------------------------------------

// JsonParse hands the strings and numbers of a JSON document to the host,
// one callback call per value, down to depth 8 (the root's members and
// elements are depth 1). Objects and arrays are only descended into;
// booleans and nulls are never reported. Which name and parent each depth
// reports is fixed (K1..K8 are the keys on the path: a member's name, or an
// element's index, which never counts as a name):
//   depth 1: name = member name, parent null; a string needs K1 a name.
//   depth 2: name = member name, parent K1; needs K1 (a string also K2).
//   depth 3: name K3, needs K3; parent = member name when
//            passParentAtDepth3 is true and it is not empty, else null.
//   depth 4: name K4, parent K3, needs both.
//   depth 5-8: name Kn, needs Kn; parent Pn, the first name among K(n-1),
//            K(n-2), K(n-3), fixed before a depth-(n-1) value is descended
//            into, even one without children; none: the walk is abandoned.
// The member name starts empty for each depth-1 value and becomes K1 (at
// depth 1) or K2 (at depth 2) whenever that key is a name, even when the
// value is then not reported. Anything at depth 8 that is not reported
// (a container, boolean, null or array element) abandons the walk.
// An integral number (its fraction dropped it fits 32 bits and differs from
// the double by less than 2^-52) reports valueType 22, its 32 bits in
// intValue and doubleValue 0.0 at depths 1-4, the double at depths 5-8;
// any other number reports 5 and the double; a string reports 8.
//
// Object members reach the callback in the order cpprestsdk keeps them: by
// the bytes of their UTF-8 names by default, in document order once the
// host has called web::json::keep_object_element_order(true) (a setting of
// the whole process that JsonParse never changes). Array elements come in
// index order.

// The host's function for one reported value: the value's name (never
// null), its text (valueType 8, else null), its integer (22, else 0), its
// double (see above), the caller's context, the type code (8, 22 or 5) and
// the parent name (may be null). The strings are valid only during the
// call; the result is ignored.
typedef int (*JsonValueCallback)(const wchar_t* name,
                                 const wchar_t* stringValue, DWORD intValue,
                                 double doubleValue, DWORD context,
                                 unsigned short valueType,
                                 const wchar_t* parentName);

// Parses the zero-terminated `text` and reports its values to `callback`,
// each call carrying `context` unchanged. Returns 1 when the walk ran to
// its end; 0 with no call when `text` or `callback` is null or the text
// does not parse (not JSON, nested deeper than 128, or holding a lone
// surrogate, raw or as a \u escape, or a value above U+10FFFF); 0 when the
// walk is abandoned, the calls made before standing. Exceptions thrown by
// `callback` pass through to the caller.
MATRIX_API int JsonParse(const wchar_t* text, JsonValueCallback callback,
                         DWORD context, bool passParentAtDepth3);

// ---- Text and checksum utilities -----------------------------------------

// Russian text in Latin letters: each of the 33 lower- and 33 upper-case
// Russian letters is replaced by its fixed Latin spelling ("щ" -> "shh",
// "Щ" -> "Shh", "ъ" -> "#", "Ъ" -> "##", "ь" -> "'", "Ь" -> "\""); every
// other character is copied unchanged. Returns the new text; throws
// CMemoryException (a pointer, to be Delete()d) when it would not fit in a
// string.
MATRIX_API CString RusToTranslit(CString text);

// The CRC-32 of `length` bytes at `data` (reflected polynomial 0xEDB88320,
// register starting at and finally XORed with 0xFFFFFFFF; the checksum of
// zlib and IEEE 802.3). Each call starts afresh. A null `data` reads nothing
// and gives the checksum of no bytes, 0, whatever `length` says.
MATRIX_API unsigned int Crc32(const unsigned char* data, unsigned int length);

// Sorts `values` in place, ascending when `ascending` is non-zero, else
// descending (unsigned comparison). An array already strictly in that order
// is left untouched; otherwise only the element order changes (same size,
// same storage).
MATRIX_API void SortArray(int ascending, CUIntArray& values);

#endif  // MATRIX_UTIL_H_
