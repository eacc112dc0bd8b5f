// Internal entry to the adaptive quadrature, for the tests of its safeguard.
#ifndef MATRIX_SRC_NUMERIC_QUADRATURE_H_
#define MATRIX_SRC_NUMERIC_QUADRATURE_H_

namespace matrix::detail {

// GaussQv with a backstop of `max_calls` integrand calls in place of the
// library's own (2^31), so that a test can reach it in a few thousand
// calls. Everything else is GaussQv.
double GaussQvWithBackstop(double a, double b, int n, double (*f)(double),
                           double tol, long long max_calls);

}  // namespace matrix::detail

#endif  // MATRIX_SRC_NUMERIC_QUADRATURE_H_
