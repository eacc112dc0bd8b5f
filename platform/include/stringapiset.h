/// \file
/// \ingroup core_stringapiset
/// \brief Win32's ordinal string comparison (stringapiset.h).
#ifndef MATRIX_PLATFORM_STRINGAPISET_H_
#define MATRIX_PLATFORM_STRINGAPISET_H_

/// \defgroup core_stringapiset stringapiset.h: ordinal comparison
/// \ingroup core
/// \brief Win32's ordinal string comparison (stringapiset.h).
/// @{

#include <afxexport.h>
#include <windef.h>

/// A pointer to constant wide characters.
typedef const WCHAR* LPCWCH;

/// \name Comparison results
/// What the comparisons return; subtract 2 for the C library's convention.
/// @{

#define CSTR_LESS_THAN 1     ///< the first text is the lesser
#define CSTR_EQUAL 2         ///< the texts are equal
#define CSTR_GREATER_THAN 3  ///< the first text is the greater
/// @}

/// Compares `cchCount1` characters at `lpString1` with `cchCount2` at
/// `lpString2` (a negative count, -1 by convention, reads to the first 0)
/// code by code, not by any language's rules; with `bIgnoreCase` TRUE each
/// character is first upper-cased by the fixed table the registry compares
/// names with. Returns CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; a
/// text that is the start of the other is the lesser. Returns 0 with
/// ERROR_INVALID_PARAMETER as the thread's last error when a text is null or
/// `bIgnoreCase` is neither FALSE nor TRUE (1).
MATRIX_PLATFORM_API int CompareStringOrdinal(LPCWCH lpString1, int cchCount1,
                                             LPCWCH lpString2, int cchCount2,
                                             BOOL bIgnoreCase);

/// @}

#endif  // MATRIX_PLATFORM_STRINGAPISET_H_
