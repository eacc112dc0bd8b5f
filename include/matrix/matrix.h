// matrix - engineering computation for pipeline design: the whole interface.
#ifndef MATRIX_MATRIX_H_
#define MATRIX_MATRIX_H_

#include <matrix/formula.h>
#include <matrix/frame.h>

#endif  // MATRIX_MATRIX_H_
