/// \file
/// \ingroup lib_export
/// \brief Export macro of libmatrix.
#ifndef MATRIX_EXPORT_H_
#define MATRIX_EXPORT_H_

/// \defgroup lib_export Export macro (export.h)
/// \ingroup libmatrix
/// \brief Export macro of libmatrix.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
/// @{

/// The library is built with hidden visibility; only what carries MATRIX_API
/// is exported.
#if defined(_WIN32)
#if defined(MATRIX_BUILDING)
#define MATRIX_API __declspec(dllexport)
#else
#define MATRIX_API __declspec(dllimport)
#endif
#else
#define MATRIX_API __attribute__((visibility("default")))
#endif

/// @}

#endif  // MATRIX_EXPORT_H_
