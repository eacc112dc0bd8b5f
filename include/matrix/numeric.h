// matrix - numerical methods: linear systems, quadrature, root finding,
// interpolation, elementary functions.
#ifndef MATRIX_NUMERIC_H_
#define MATRIX_NUMERIC_H_

#include <matrix/export.h>

#endif  // MATRIX_NUMERIC_H_
