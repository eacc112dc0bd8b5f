// matrix - geometry: points and vectors, view rotation and projection, bends,
// planes and soil, screen figures.
#ifndef MATRIX_GEOMETRY_H_
#define MATRIX_GEOMETRY_H_

#include <matrix/export.h>

#endif  // MATRIX_GEOMETRY_H_
