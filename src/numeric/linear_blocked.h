// The large-order paths of Holetsky and Gauss2: the same arithmetic as the
// plain loops, element by element, visited panel by panel so that the work
// stays in the caches.
#ifndef MATRIX_SRC_NUMERIC_LINEAR_BLOCKED_H_
#define MATRIX_SRC_NUMERIC_LINEAR_BLOCKED_H_

#include <cstddef>

namespace matrix::detail {

// The square-root-free Cholesky solve of Holetsky for n >= 2 (the caller
// has checked the pointers). Every element of U, D, the forward vector and
// x gets the very operations of the plain column loop, in the same order,
// so the results are the same bits. Returns 0, x untouched, at the first
// diagonal value below 2^-52 in magnitude; a and b are only read.
int CholeskyBlocked(std::size_t n, const double* a, const double* b, double* x);

// The elimination of Gauss2 for n >= 2 on private copies: old row r of
// (a, b) plays the part of row `target(r)`, where target(r) is
// (r + shift) mod n, or (shift - r) mod n when `anti`. The row order, the
// pivots and every element's sequence of multiply-subtracts are those of
// the plain elimination. Returns 0, x untouched, when a pivot is below
// 2^-52 in magnitude; a and b are only read.
int GaussBlocked(std::size_t n, const double* a, const double* b, double* x,
                 bool anti, std::size_t shift);

}  // namespace matrix::detail

#endif  // MATRIX_SRC_NUMERIC_LINEAR_BLOCKED_H_
