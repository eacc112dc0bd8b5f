// matrix - internal: tolerances, vector arithmetic and the rounding of screen
// coordinates shared by the geometry sources.
#ifndef MATRIX_SRC_GEOMETRY_INTERNAL_H_
#define MATRIX_SRC_GEOMETRY_INTERNAL_H_

#include <matrix/geometry.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "common/constants.h"

namespace matrix::detail {

// Absolute tolerance of the geometry (2^-52, the spacing of doubles at 1):
// hosts compare against it whatever the magnitude of their coordinates.
constexpr double kGeomEpsilon = kEpsilon;

inline SPointD Sub(const SPointD& a, const SPointD& b) {
  return SPointD(a.x - b.x, a.y - b.y, a.z - b.z);
}

inline double Dot(const SPointD& a, const SPointD& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The nearest int to v, exact halves going down: floor f and ceiling c,
// then c when 2v - c - f > 0, else f (2.5 -> 2, -2.5 -> -3). Values at or
// beyond the int range saturate at INT_MIN or INT_MAX, where a plain
// conversion would be undefined; NaN gives 0.
int RoundHalfDown(double v);

// a + b, saturating at the int range instead of overflowing: screen
// coordinates built from saturated roundings stay defined.
inline int AddSaturated(int a, int b) {
  const std::int64_t s = static_cast<std::int64_t>(a) + b;
  if (s > std::numeric_limits<int>::max())
    return std::numeric_limits<int>::max();
  if (s < std::numeric_limits<int>::min())
    return std::numeric_limits<int>::min();
  return static_cast<int>(s);
}

// base + RoundHalfDown(v), the way screen points are placed relative to a
// centre. An offset beyond the int range is rounded together with the base,
// so that a point that lands on the screen is not lost to saturation; NaN
// adds nothing.
inline int OffsetRounded(int base, double v) {
  if (std::isnan(v)) return base;
  if (v > std::numeric_limits<int>::min() &&
      v < std::numeric_limits<int>::max())
    return AddSaturated(base, RoundHalfDown(v));
  return RoundHalfDown(static_cast<double>(base) + v);
}

}  // namespace matrix::detail

#endif  // MATRIX_SRC_GEOMETRY_INTERNAL_H_
