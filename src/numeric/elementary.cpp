// Hyperbolic functions from their exponential definitions, a tolerant arc
// cosine and the second moments of area of circular sections.
#include <matrix/numeric.h>

#include <cmath>

#include "common/constants.h"

using matrix::detail::kPi;

double ch(double x) { return (std::exp(x) + std::exp(-x)) / 2; }

double sh(double x) { return (std::exp(x) - std::exp(-x)) / 2; }

// Beyond |x| of about 709.78 one exponential overflows and the quotient
// would be inf/inf; the function's value there is the sign of x to every
// digit a double holds (th is exactly ±1 already from |x| of about 19.1).
// Everywhere else the quotient is the definition's, bit for bit.
double th(double x) {
  const double ep = std::exp(x);
  const double em = std::exp(-x);
  if (std::isinf(ep) || std::isinf(em)) return std::copysign(1.0, x);
  return (ep - em) / (ep + em);
}

double cth(double x) {
  const double ep = std::exp(x);
  const double em = std::exp(-x);
  if (std::isinf(ep) || std::isinf(em)) return std::copysign(1.0, x);
  return (ep + em) / (ep - em);
}

double acos_m(double x) {
  // Rounding can carry a cosine computed from vectors just past ±1; every
  // argument beyond is taken as the bound itself.
  if (std::fabs(x) > 1) x = x > 0 ? 1.0 : -1.0;
  return std::acos(x);
}

double IxC(double d) { return kPi * d * d * d * d / 64; }

double IxP(double D, double d) {
  const double r = d / D;
  return kPi * D * D * D * D * (1 - r * r * r * r) / 64;
}
