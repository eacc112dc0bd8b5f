// matrix - engineering curves: cyclic strength curves and engineering formulas.
#ifndef MATRIX_CURVES_H_
#define MATRIX_CURVES_H_

#include <matrix/export.h>

#endif  // MATRIX_CURVES_H_
