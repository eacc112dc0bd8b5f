/// \file
/// \ingroup core_crtlocale
/// \brief The C run-time's conversions under an explicit locale object
/// (_create_locale, _wcstod_l, _wcstol_l), independent of the process-wide
/// locale that setlocale changes.
#ifndef MATRIX_PLATFORM_CRTLOCALE_H_
#define MATRIX_PLATFORM_CRTLOCALE_H_

/// \defgroup core_crtlocale crtlocale.h: conversions under a locale
/// \ingroup core
/// \brief The C run-time's conversions under an explicit locale object
/// (_create_locale, _wcstod_l, _wcstol_l), independent of the process-wide
/// locale that setlocale changes.
/// @{

#include <afxexport.h>

extern "C" {

/// What a locale object points to (opaque).
struct __crt_locale_pointers;
/// A locale object, made by _create_locale.
typedef __crt_locale_pointers* _locale_t;

/// A locale object for `locale` ("C" always exists; categories other than
/// LC_ALL are accepted and create the whole locale). nullptr when the
/// locale is not available. Release it with _free_locale.
MATRIX_PLATFORM_API _locale_t _create_locale(int category, const char* locale);
/// \copydoc _create_locale(int, const char*)
MATRIX_PLATFORM_API void _free_locale(_locale_t locale);

/// wcstod and wcstol under `locale`: leading white space, the longest prefix
/// that forms a number, the decimal point and digits as `locale` has them.
MATRIX_PLATFORM_API double _wcstod_l(const wchar_t* text, wchar_t** end,
                                     _locale_t locale);
/// \copydoc _wcstod_l(const wchar_t*, wchar_t**, _locale_t)
MATRIX_PLATFORM_API long _wcstol_l(const wchar_t* text, wchar_t** end, int base,
                                   _locale_t locale);

}  // extern "C"

/// @}

#endif  // MATRIX_PLATFORM_CRTLOCALE_H_
