/// \file
/// \ingroup lib_curves
/// \brief Engineering curves: cyclic strength curves and engineering formulas.
#ifndef MATRIX_CURVES_H_
#define MATRIX_CURVES_H_

/// \defgroup lib_curves Engineering curves (curves.h)
/// \ingroup libmatrix
/// \brief Engineering curves: cyclic strength curves and engineering formulas.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
///
/// The curves are fixed tables read by interpolation that is linear in the
/// natural logarithms of all variables and continues the end intervals past
/// both ends of every axis. Arguments are in the host's own units (the
/// library converts nothing) and must be positive: a zero or negative one
/// gives 0, infinity or NaN as its logarithm dictates.
/// @{

#include <matrix/export.h>

/// \name Cyclic strength curves
/// @{

/// Allowable number of load cycles at amplitude `a` and temperature `T`, for
/// the three materials of the curves (14 amplitudes 2000..100000 by 6
/// temperatures 20..500, 11 by 7 over 4000..100000 and 20..585, and 12 by 5
/// over 3000..100000 and 20..700). A result of 1e-6 (LS: once 1e-100) means
/// practically no cycles; 1000000 is the highest life the tables hold.
MATRIX_API double CurveCyclys51CS(double a, double T);
/// \copydoc CurveCyclys51CS(double, double)
MATRIX_API double CurveCyclys51LS(double a, double T);
/// \copydoc CurveCyclys51CS(double, double)
MATRIX_API double CurveCyclys51AS(double a, double T);

/// Allowable amplitude for `N` load cycles, on four curves over the
/// amplitudes 10000..80000 (N from 100..800000 up to 1000000). The table of
/// CurveCyclys_2a reaches 1000000 cycles at both 10000 and 15000; from
/// 1000000 cycles on it continues the segment that ends at (1000000, 10000),
/// so the curve is finite and continuous there.
MATRIX_API double CurveCyclys_1(double N);
/// \copydoc CurveCyclys_1(double)
MATRIX_API double CurveCyclys_1a(double N);
/// \copydoc CurveCyclys_1(double)
MATRIX_API double CurveCyclys_2(double N);
/// \copydoc CurveCyclys_1(double)
MATRIX_API double CurveCyclys_2a(double N);
/// @}

/// \name Engineering formulas
/// @{

/// Weight of a torus-shaped tube, (pi^2/2)·(dOut² − dIn²)·d·a: dOut and dIn
/// are the outer and inner tube diameters; a and d enter only as a product
/// (the centre-line radius and the specific weight).
MATRIX_API double TorWeight(double a, double dOut, double dIn, double d);

/// A real root of c3·x³ + c2·x² + c1·x + c0, to about 0.01: windows of width
/// 10 are walked from [a, b] (a = 0 means b − 10, then b = 0 means a + 10)
/// towards a sign change, left while the values are positive and right
/// while they are negative, which is then bisected. After 100000 windows the
/// width doubles at each step. When a window end overflows without a sign
/// change (a falling cubic walked away from its roots, say) the walk is
/// repeated from [a, b] the other way round. A NaN value is no sign change.
/// Returns NaN when neither walk finds a sign change (no real root, both
/// roots of a quadratic inside one window, or a NaN coefficient) or when a
/// or b is NaN or infinite.
MATRIX_API double Equal3d(double a, double b, double c3, double c2, double c1,
                          double c0);

/// The polynomial k0 + k1·r + ... + k9·r^9 in r = log10(x). Terms with a zero
/// coefficient are left out, so x = 0 (r = −∞) counts only the others; a
/// negative or NaN x gives NaN, whatever the coefficients.
MATRIX_API double GetTotalAproxLogFunc(double x, double k0, double k1,
                                       double k2, double k3, double k4,
                                       double k5, double k6, double k7,
                                       double k8, double k9);
/// @}

/// @}

#endif  // MATRIX_CURVES_H_
