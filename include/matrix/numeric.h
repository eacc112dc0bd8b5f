/// \file
/// \ingroup lib_numeric
/// \brief Numerical methods: linear systems, quadrature, root finding,
/// interpolation, elementary functions.
#ifndef MATRIX_NUMERIC_H_
#define MATRIX_NUMERIC_H_

/// \defgroup lib_numeric Numerical methods (numeric.h)
/// \ingroup libmatrix
/// \brief Numerical methods: linear systems, quadrature, root finding,
/// interpolation, elementary functions.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
///
/// Matrices are flat row-major arrays of doubles: element (i, j) of a matrix
/// with k columns lies at index i*k + j. A value v counts as zero where these
/// functions test for it when |v| < 2^-52; |v| = 2^-52 passes. Functions that
/// return an int report 1 for success and 0 for refusal unless said otherwise;
/// functions that return a double have no failure value (degenerate input
/// gives infinities or NaN). Caller-supplied functions receive the opaque
/// 32-bit context value given with them, unchanged, as their last argument.
/// Work arrays live for one call and are released on every path, also when a
/// caller-supplied function throws; a work array that cannot be had throws
/// CMemoryException*.
/// @{

#include <afx.h>
#include <afxtempl.h>
#include <matrix/export.h>

/// \name Linear systems and packed matrices
/// @{

/// Index of element (i, j) of a symmetric n×n matrix whose upper triangle,
/// diagonal included, is packed row after row (row i holds columns i..n-1):
/// lo·(2n − 1 − lo)/2 + hi with lo = min(i, j), hi = max(i, j). i and j may
/// be given in either order. Arguments outside 0 <= i, j < n give the same
/// formula taken modulo 2^32 (never undefined, but not an index into the
/// packed array).
MATRIX_API unsigned int IndexTr(int i, int j, int n);

/// Index of element (i, j), j >= i, in profile storage: rowStart[i] + j - i,
/// where rowStart[i] is the index of row i's diagonal element. The arguments
/// are not swapped and j is not checked against the row's stored length.
/// REQUIRES: rowStart has more than i elements.
MATRIX_API unsigned int IndexTrBand(int i, int j, int* rowStart);

/// Transpose: at (cols×rows) receives a (rows×cols). Does nothing when a or at
/// is null. REQUIRES: the two arrays do not overlap.
MATRIX_API void Atransp(double* a, double* at, int rows, int cols);

/// Matrix product prod (m×n) = a (m×k) · b (k×n); each element is summed from
/// 0 in increasing inner index. Does nothing when a pointer is null.
/// REQUIRES: prod overlaps neither a nor b.
MATRIX_API void AmultB(double* a, double* b, double* prod, int m, int k, int n);

/// Solves A·x = b for a symmetric A by the square-root-free Cholesky
/// factorisation A = U'·D·U; only the diagonal of `a` and the part below it
/// are read, and a and b are not changed. Indefinite matrices are solved when
/// no leading minor vanishes. Returns 1 when solved; 0, with x untouched,
/// when a pointer is null, n < 2 (a 1×1 system is refused), or a diagonal
/// value of D is zero.
MATRIX_API int Holetsky(int n, double* a, double* b, double* x);

/// Solves A·x = b by Gaussian elimination with a row order fixed, before any
/// elimination, by the largest magnitude in each column (ties keep the
/// earlier row). Overwrites a and b with the partly eliminated system.
/// Returns 1 when solved (also for n = 0, touching nothing). Returns 0 when a
/// pivot is zero (x untouched if found during elimination, else written only
/// above the failing index), when n < 0, or when a pointer is null and n > 0.
MATRIX_API int Gauss(int n, double* a, double* b, double* x);

/// Solves A·x = b by Gaussian elimination after bringing a generalised
/// diagonal without zeros onto the main diagonal: cyclic diagonals s = 0..n-1
/// first, then anti-diagonals s = n-1..0. a and b are left unchanged. Returns
/// 1 when solved, 0 when n < 2, a pointer is null, none of these 2n diagonals
/// is free of zeros (so some non-singular matrices of order 4 and more are
/// refused), or a pivot is zero (x then as Gauss leaves it).
MATRIX_API int Gauss2(int n, double* a, double* b, double* x);
/// @}

/// \name Quadrature
/// @{

/// One point of a Gauss-Legendre rule on the reference interval [-1, 1].
struct SGaussWeight {
  double x;  ///< node
  double w;  ///< weight
  SGaussWeight() : x(0.0), w(0.0) {}
  /// The point `node` with `weight`.
  SGaussWeight(double node, double weight) : x(node), w(weight) {}
};

/// Appends the n points of the n-point Gauss-Legendre rule to `table`, in a
/// fixed order (negative nodes first; for n = 4, 5 the inner before the
/// outer one, the positive ones mirrored). n = 1..5 are computed from their
/// closed forms; n = 6 uses seven-digit decimals (its weights sum to 2.0000002,
/// so it integrates 1 over [a, b] to 1.0000001·(b - a)). Appends nothing for n
/// outside 1..6.
MATRIX_API void FillGaussWeights(
    int n, CArray<SGaussWeight, const SGaussWeight&>& table);

/// Composite Simpson's rule over [a, b] with n (even) sub-intervals: n + 1
/// calls of f. Returns 0 without calling f when |a - b| < 2^-52, a > b, n is
/// odd or not positive, or f is null.
MATRIX_API double Simpson(double a, double b, int n, double (*f)(double));

/// Adaptive Gauss-Legendre quadrature of f over [a, b]: a piece is halved
/// while its n-point and (n-1)-point estimates differ by more than tol (the
/// same tol for every piece), else it contributes its n-point estimate.
/// b < a is halved exactly as a < b and gives minus that integral (bit for
/// bit where the nodes of the two mirror each other). n = 1..6;
/// for other n the n-point sums are empty, and 0 is returned for a null f.
/// Safeguards, so that every call ends (tol <= 0, singular integrands, tol
/// below rounding) with the best estimate: a piece is not split when its
/// two estimates agree to 4 units in the last place, when its midpoint is
/// not strictly inside it, or after 2^31 (about 2.1·10^9) integrand calls;
/// a run that ends within about 10^9 calls is never cut.
MATRIX_API double GaussQv(double a, double b, int n, double (*f)(double),
                          double tol);

/// Double integral of f(x, y, ctx) over [x1, x2]×[y1, y2] by the adaptive
/// step of GaussQv on x, each x node integrating over y the same way. When
/// the result is positive and below tol it is recomputed with tol 0.8·result,
/// and once more with 0.2·(second result) when that is positive and below the
/// second tol; the last result is returned. Either pair of limits may be
/// reversed. The safeguards of GaussQv apply to each pass (the 2^31 calls
/// count all levels). 0 for a null f.
MATRIX_API double GaussQv2(double x1, double x2, double y1, double y2, int n,
                           double (*f)(double x, double y, DWORD ctx),
                           DWORD ctx, double tol);

/// Triple integral of f(x, y, z) over the box, x outermost and z innermost,
/// by the adaptive step of GaussQv nested three deep, without refinement.
/// Any pair of limits may be reversed. The safeguards of GaussQv apply (the
/// 2^31 calls count all levels). 0 for a null f.
MATRIX_API double GaussQv3(double x1, double x2, double y1, double y2,
                           double z1, double z2, int n,
                           double (*f)(double x, double y, double z),
                           double tol);
/// @}

/// \name Root finding
/// @{

/// Fixed point of x = f(x, ctx) by Steffensen's acceleration from x0, until
/// a step is at most tol (returns the new point) or the step's denominator is
/// exactly 0 (returns the current point); NaN ends it with NaN. Safeguard:
/// after 200 steps it returns the point seen with the smallest |f(x) - x|.
/// REQUIRES: f is not null.
MATRIX_API double AStef(double x0, double (*f)(double x, DWORD ctx), DWORD ctx,
                        double tol);

/// Bisection of [a, b] until its width is at most tol; returns the midpoint,
/// or a probe where f is exactly 0. The interval is not tested for a sign
/// change: with one sign throughout the result ends next to b. Safeguard: it
/// also ends, returning the midpoint, when the midpoint no longer lies
/// strictly inside (tol below the spacing of doubles) or after 2100 halvings.
/// REQUIRES: f is not null.
MATRIX_API double HalfDiv(double a, double b, double (*f)(double x, DWORD ctx),
                          DWORD ctx, double tol);

/// Root of f by secant steps from x1, x2 that turn into false-position steps
/// once the two points bracket a sign change. Ends when the signed last step
/// lies in [dLo, dHi], the relative step drops below tol (tol = 0: test off),
/// f at a point lies in [fLo, fHi] (that point is returned) or |f| < 2^-52 at
/// a false-position point (returned); otherwise returns the end with the
/// smaller |f|. After 150 steps it stops and sets *capped = 1 (else 0; capped
/// may be null). stop (may be null) is asked before each step; true returns
/// 0.0 at once.
MATRIX_API double Span(double x1, double x2, double (*f)(double x, DWORD ctx),
                       DWORD ctx, double dLo, double dHi, double fLo,
                       double fHi, double tol, int* capped,
                       bool (*stop)(DWORD ctx), DWORD stopCtx);

namespace matrix {

/// The results of FindZeroFunctionOnAxis, and the int it throws when the
/// host's progress callback abandons the march.
enum AxisMarchResult : int {
  kAxisBracketed = 0,          ///< [xLeft, xRight] brackets a change of sign
  kAxisNoChange = 1,           ///< no change up to the limit (or a refusal)
  kAxisLevelledOff = -1,       ///< f levelled off far out
  kAxisBackwardNoChange = -2,  ///< a backward march found no change
  kAxisNearZero = -3,          ///< f came within fTol of 0
};
inline constexpr int kAxisAbandoned = -2;  ///< thrown, not returned

/// The results of GetRootOfCubEqv: how many of x1, x2, x3 hold roots.
inline constexpr DWORD kCubicThreeRoots = 7;  ///< x1, x2 and x3 hold roots
inline constexpr DWORD kCubicOneRoot = 1;     ///< only x1 holds a root

}  // namespace matrix

/// Marches from x0 towards larger x in growing steps (from 2·step) until f
/// changes sign, up to max(limit, 10·(x0 + step)) when that is positive.
/// Returns (matrix::AxisMarchResult) kAxisBracketed (0): [xLeft, xRight]
/// brackets the change; kAxisNoChange (1): no change up to the limit (both =
/// max(limit, x0)); kAxisLevelledOff (-1): f levelled off far out (xRight =
/// 1e100); kAxisBackwardNoChange (-2): a backward march from an exact zero
/// found no change; kAxisNearZero (-3): f came within fTol of 0 (both = the
/// last probe). progress (may be null) is told (ctx, 0, 10) at the start, at
/// the end of the forward march and before a 0 result, and asked (ctx, 1, 0)
/// after each probe: true throws the int kAxisAbandoned (-2).
/// Refusal: step <= 0 or NaN returns 1 with both = x0 without calling f.
/// Safeguards: a probe that is not a finite number (x0 infinite, or a step
/// grown past the doubles) is not made: the forward march returns 1 with
/// both = the probe before it, the backward one returns -2. A march that
/// cannot end (no positive limit, or a probe that no longer moves) is ended
/// after 100000 probes, and every march after 2^27 (134217728) probes: the
/// forward one returns 1 with both = the last probe, the backward one
/// returns -2. A NaN value is no sign change: the march goes on past it.
/// REQUIRES: f is not null.
MATRIX_API int FindZeroFunctionOnAxis(
    double x0, double step, double (*f)(double x, DWORD ctx), DWORD ctx,
    double& xLeft, double& xRight, double limit,
    bool (*progress)(DWORD ctx, DWORD a, DWORD b), DWORD progressCtx,
    double fTol);

/// Real roots of x³ + a1·x² + a2·x + a3 = 0. Returns matrix::kCubicThreeRoots
/// (7) when x1, x2, x3 all hold roots (three real roots, or a double root in
/// x2 = x3; the tests on the discriminant are absolute, within 2^-52), else
/// matrix::kCubicOneRoot (1) with the one real root in x1 and x2 = x3 = 0.
MATRIX_API DWORD GetRootOfCubEqv(double a1, double a2, double a3, double& x1,
                                 double& x2, double& x3);
/// @}

/// \name Table interpolation
///
/// The switches lowSide and highSide decide, for arguments below the first and
/// above the last axis value, whether to extrapolate from the end interval
/// (non-zero) or to hold the end value (0). An empty table (a count <= 0 or a
/// null array) gives NaN; an axis of one point gives its single value.
/// @{

/// Piecewise-linear interpolation in (xs[i], ys[i]), i < n. Sorts the pairs
/// by xs ascending in the caller's arrays (stable for equal abscissae; a NaN
/// abscissa keeps its place and the runs between NaNs are sorted each on
/// its own), in O(n log n); a table already in order is not touched. A table
/// out of order needs a work array of n rows: throws CMemoryException* when
/// it cannot be had.
MATRIX_API double LInter(int n, double* xs, double* ys, double x, int lowSide,
                         int highSide);

/// Bilinear interpolation in a grid of nx·ny values stored one row per y:
/// the value at (xs[j], ys[i]) lies at grid[i·nx + j]. The grid is not
/// changed; ys passes through LInter's sort. REQUIRES: axes ascending.
MATRIX_API double LInter2(int nx, int ny, double* xs, double* ys, double* grid,
                          double x, double y, int lowSide, int highSide);

/// Trilinear interpolation in a grid with the value at (xs[i], ys[j], zs[k])
/// at grid[i + nx·j + nx·ny·k]. When lowSide = 0 and an argument lies below
/// its axis, those axes are held at their first layer; else when highSide = 0
/// and an argument lies above its axis, those axes are held at their last
/// layer; other axes extrapolate linearly. REQUIRES: axes ascending.
MATRIX_API double LInter3(int nx, int ny, int nz, double* xs, double* ys,
                          double* zs, double* grid, double x, double y,
                          double z, int lowSide, int highSide);

/// Piecewise-cubic interpolation from values ys and derivatives ds at xs:
/// within an interval, the cubic that meets both values and both derivatives
/// of its ends; outside, the end value or the end interval's cubic. Sorts the
/// triples by xs ascending in the caller's arrays, as LInter sorts its pairs.
MATRIX_API double CubInterPPD(int n, double* xs, double* ys, double* ds,
                              double x, int lowSide, int highSide);
/// @}

/// \name Elementary functions
///
/// Evaluated from the exponential definitions. Beyond |x| of about 709.78 one
/// exponential overflows: ch gives +inf and sh ±inf, while th and cth give
/// their limit ±1 (the sign of x; also for x = ±inf). NaN gives NaN.
/// @{

MATRIX_API double ch(double x);   ///< (e^x + e^-x) / 2
MATRIX_API double sh(double x);   ///< (e^x - e^-x) / 2
MATRIX_API double th(double x);   ///< (e^x - e^-x) / (e^x + e^-x); ±1 far out
MATRIX_API double cth(double x);  ///< (e^x + e^-x) / (e^x - e^-x); +inf at 0

/// Arc cosine of x clamped to [-1, 1] (NaN stays NaN), in radians.
MATRIX_API double acos_m(double x);

/// Axial second moment of area of a solid circular section of diameter d.
MATRIX_API double IxC(double d);

/// Axial second moment of area of a hollow circular section, outer diameter
/// D and inner diameter d (NaN for D = 0).
MATRIX_API double IxP(double D, double d);
/// @}

/// @}

#endif  // MATRIX_NUMERIC_H_
