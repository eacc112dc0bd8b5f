// matrix - internal: the constants every subsystem shares, defined once.
#ifndef MATRIX_SRC_COMMON_CONSTANTS_H_
#define MATRIX_SRC_COMMON_CONSTANTS_H_

namespace matrix::detail {

// The library's absolute tolerance ε: 2^-52 = 2.220446049250313e-16, the
// spacing of doubles at 1 (the machine epsilon). Pivots, divisors,
// directions and differences smaller than this in magnitude count as zero,
// whatever the magnitude of the data: hosts rely on exactly this cut-off.
// Each subsystem names its use of it for its role.
inline constexpr double kEpsilon = 0x1p-52;

// π to the precision of a double, as the formulas, the bends and the
// section moduli use it.
inline constexpr double kPi = 3.141592653589793;

}  // namespace matrix::detail

#endif  // MATRIX_SRC_COMMON_CONSTANTS_H_
