// Test helpers for the geometry: a point compared with its expected
// coordinates, printed in full on failure.
#ifndef MATRIX_TESTS_SUPPORT_GEOMETRY_TESTING_H_
#define MATRIX_TESTS_SUPPORT_GEOMETRY_TESTING_H_

#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <cmath>

namespace matrix::testing {

// Each coordinate of `p` within `tol` of (x, y, z).
inline ::testing::AssertionResult Near(const SPointD& p, double x, double y,
                                       double z, double tol = 1e-12) {
  if (std::fabs(p.x - x) <= tol && std::fabs(p.y - y) <= tol &&
      std::fabs(p.z - z) <= tol)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "(" << p.x << ", " << p.y << ", " << p.z << ") is not (" << x
         << ", " << y << ", " << z << ")";
}

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_GEOMETRY_TESTING_H_
