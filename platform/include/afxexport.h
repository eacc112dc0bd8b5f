/// \file
/// \ingroup core_afxexport
/// \brief Export macro of libmatrix-platform.
#ifndef MATRIX_PLATFORM_AFXEXPORT_H_
#define MATRIX_PLATFORM_AFXEXPORT_H_

/// \defgroup core_afxexport afxexport.h: export macro
/// \ingroup core
/// \brief Export macro of libmatrix-platform.
/// @{

/// Marks what the platform library exports. Classes are marked as a whole
/// (exception classes above all: with hidden visibility an unmarked class has
/// no shared type information, and a host could not catch it by type).
#if defined(_WIN32)
#if defined(MATRIX_PLATFORM_BUILDING)
#define MATRIX_PLATFORM_API __declspec(dllexport)
#else
#define MATRIX_PLATFORM_API __declspec(dllimport)
#endif
#else
#define MATRIX_PLATFORM_API __attribute__((visibility("default")))
#endif

/// @}

#endif  // MATRIX_PLATFORM_AFXEXPORT_H_
