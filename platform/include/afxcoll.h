/// \file
/// \ingroup core_afxcoll
/// \brief The framework's non-template collections.
#ifndef MATRIX_PLATFORM_AFXCOLL_H_
#define MATRIX_PLATFORM_AFXCOLL_H_

/// \defgroup core_afxcoll afxcoll.h: CUIntArray
/// \ingroup core
/// \brief The framework's non-template collections.
/// @{

#include <afxtempl.h>

/// Growable array of UINT, with the interface of CArray\<UINT, UINT>.
class CUIntArray : public CArray<UINT, UINT> {};

/// @}

#endif  // MATRIX_PLATFORM_AFXCOLL_H_
