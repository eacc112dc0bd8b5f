/// \file
/// \brief Engineering computation for pipeline design: the whole interface.
#ifndef MATRIX_MATRIX_H_
#define MATRIX_MATRIX_H_

#include <matrix/curves.h>
#include <matrix/formula.h>
#include <matrix/frame.h>
#include <matrix/geometry.h>
#include <matrix/numeric.h>
#include <matrix/util.h>
#include <windows.h>

// The shell folder, the C run-time open and the file object of the files
// utilities.
#include <crtio.h>
#include <intfile.h>
#include <shlobj.h>

#endif  // MATRIX_MATRIX_H_
