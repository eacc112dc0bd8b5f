/// \file
/// \ingroup core_stringapiset
/// \brief Win32's ordinal string comparison and code pages read into wide text
/// (stringapiset.h).
#ifndef MATRIX_PLATFORM_STRINGAPISET_H_
#define MATRIX_PLATFORM_STRINGAPISET_H_

/// \defgroup core_stringapiset stringapiset.h: ordinal comparison
/// \ingroup core
/// \brief Win32's ordinal string comparison and code pages read into wide text
/// (stringapiset.h).
/// @{

#include <afxexport.h>
#include <windef.h>

/// A pointer to constant wide characters.
typedef const WCHAR* LPCWCH;
/// A pointer to constant 8-bit characters.
typedef const CHAR* LPCCH;

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

/// \name Code pages and the flags of MultiByteToWideChar
/// Code pages and the flags of MultiByteToWideChar, with Win32's values.
/// @{

#define CP_ACP 0                           ///< the ANSI code page (none here)
#define CP_OEMCP 1                         ///< the OEM code page (none here)
#define CP_UTF8 65001                      ///< UTF-8
#define MB_PRECOMPOSED 0x00000001UL        ///< accepted; changes nothing
#define MB_ERR_INVALID_CHARS 0x00000008UL  ///< refuse bytes that are no text
/// @}

/// TRUE when MultiByteToWideChar reads the code page `CodePage`: CP_UTF8,
/// the ANSI and OEM code pages 437, 737, 775, 850, 852, 855, 857, 858,
/// 860-866, 869, 874, 1250-1258, the double-byte 932, 936, 949 and 950, KOI8
/// (20866, 21866) and ISO 8859 (28591-28599, 28603, 28605), each where the C
/// library has its converter. CP_ACP and CP_OEMCP name no code page here
/// (the system has no ANSI code page): FALSE.
MATRIX_PLATFORM_API BOOL IsValidCodePage(UINT CodePage);

/// Reads `cbMultiByte` bytes at `lpMultiByteStr` (-1: to its 0, which is
/// read too) of the code page `CodePage` into `lpWideCharStr`, which holds
/// `cchWideChar` characters (0: nothing is written, the count needed is
/// returned). Returns the count of wide characters, one per code point.
/// With MB_ERR_INVALID_CHARS in `dwFlags` a byte that is no character of the
/// code page fails the call (ERROR_NO_UNICODE_TRANSLATION); without it, it
/// becomes U+FFFD. Returns 0 with the thread's last error set:
/// ERROR_INSUFFICIENT_BUFFER (output too small), ERROR_INVALID_FLAGS (flags
/// other than those two; only MB_ERR_INVALID_CHARS for CP_UTF8),
/// ERROR_INVALID_PARAMETER (a null text, a count of 0, a code page that
/// IsValidCodePage refuses).
MATRIX_PLATFORM_API int MultiByteToWideChar(UINT CodePage, DWORD dwFlags,
                                            LPCCH lpMultiByteStr,
                                            int cbMultiByte,
                                            LPWSTR lpWideCharStr,
                                            int cchWideChar);

/// @}

#endif  // MATRIX_PLATFORM_STRINGAPISET_H_
