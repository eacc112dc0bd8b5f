// Platform layer - the framework's non-template collections.
#ifndef MATRIX_PLATFORM_AFXCOLL_H_
#define MATRIX_PLATFORM_AFXCOLL_H_

#include <afxtempl.h>

// Growable array of UINT, with the interface of CArray<UINT, UINT>.
class CUIntArray : public CArray<UINT, UINT> {};

#endif  // MATRIX_PLATFORM_AFXCOLL_H_
