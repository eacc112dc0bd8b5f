// Test helpers for the geometry: a point compared with its expected
// coordinates or another point, printed in full on failure; the helpers
// every subsystem's tests use come with them.
#ifndef MATRIX_TESTS_SUPPORT_GEOMETRY_TESTING_H_
#define MATRIX_TESTS_SUPPORT_GEOMETRY_TESTING_H_

#include <gtest/gtest.h>
#include <matrix/geometry.h>

#include <cmath>

#include "support/testing.h"

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

// Each coordinate of `p` within `tol` of the same coordinate of `q`.
inline ::testing::AssertionResult Near(const SPointD& p, const SPointD& q,
                                       double tol = 1e-9) {
  return Near(p, q.x, q.y, q.z, tol);
}

}  // namespace matrix::testing

#endif  // MATRIX_TESTS_SUPPORT_GEOMETRY_TESTING_H_
