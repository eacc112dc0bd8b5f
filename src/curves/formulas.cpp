// matrix - closed-form engineering formulas: TorWeight, Equal3d,
// GetTotalAproxLogFunc.
#include <matrix/curves.h>

#include <cmath>
#include <limits>

namespace {

// pi^2 / 2.
constexpr double kHalfPiSquared = 4.934802200544679;

// Equal3d looks for a sign change in windows of this width.
constexpr double kWindowWidth = 10.0;
// Bisection stops once the bracket is narrower than this.
constexpr double kBracketWidth = 0.01;
// Windows of the fixed width tried before the width starts doubling: they
// reach 10^6 from the start, which covers every root the fixed-width walk
// can be waited for. Past them each window is twice as wide as the one
// before, so a remote root is still bracketed in about a thousand more
// steps; the walk gives up when a window end leaves the finite doubles.
constexpr long kFixedWidthWindows = 100000;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Cubic {
  double c3, c2, c1, c0;
  double operator()(double x) const {
    return ((c3 * x + c2) * x + c1) * x + c0;
  }
};

// One search from [a, b]: windows are walked towards a sign change, left
// while the values are positive and right while they are negative (the
// other way round when `turned`), and the sign change is bisected. False
// when a window end leaves the finite doubles before a sign change is
// found.
bool Search(const Cubic& p, double a, double b, bool turned, double& root) {
  double g = p(b);
  double h = p(a);
  long windows = 0;
  double width = kWindowWidth;
  for (;;) {
    // A NaN value is no sign change: a NaN product would otherwise be
    // bisected as one and yield a root of nothing.
    if (h * g > 0 || std::isnan(h) || std::isnan(g)) {
      if (windows >= kFixedWidthWindows) width *= 2;
      ++windows;
      if ((h > 0) != turned) {
        b = a;
        a = a - width;
        if (!std::isfinite(a)) return false;
        g = h;
        h = p(a);
      } else {
        a = b;
        b = b + width;
        if (!std::isfinite(b)) return false;
        h = g;
        g = p(b);
      }
    } else {
      double m = (a + b) / 2;
      // Ends so large that their sum overflows: halve them first instead.
      if (!std::isfinite(m)) m = a / 2 + b / 2;
      const double v = p(m);
      const double oldA = a;
      const double oldB = b;
      if (v * h > 0) {
        a = m;
        h = v;
      } else {
        b = m;
        g = v;
      }
      root = m;
      if (std::fabs(a - b) < kBracketWidth) return true;
      // Far from 0 neighbouring doubles are more than kBracketWidth apart;
      // when the midpoint is one of the ends the bracket cannot shrink any
      // more and the midpoint is as close as the doubles get.
      if (m == oldA || m == oldB) return true;
    }
  }
}

}  // namespace

double TorWeight(double a, double dOut, double dIn, double d) {
  return ((dOut * dOut - dIn * dIn) * kHalfPiSquared * d) * a;
}

double Equal3d(double a, double b, double c3, double c2, double c1, double c0) {
  const Cubic p{c3, c2, c1, c0};
  if (a == 0) a = b - kWindowWidth;
  if (b == 0) b = a + kWindowWidth;
  // No finite bracket to search from (NaN or infinite ends).
  if (!std::isfinite(a) || !std::isfinite(b)) return kNaN;
  // The walk reaches a root of a polynomial that rises to the right; one
  // that falls to the right (c3 < 0, say) may be walked away from every
  // root. Only when the walk runs out of doubles is it repeated from the
  // start the other way round, which is the same walk for -p: wherever
  // the walk ends, its result stands.
  double root = kNaN;
  if (Search(p, a, b, false, root)) return root;
  if (Search(p, a, b, true, root)) return root;
  return kNaN;
}

double GetTotalAproxLogFunc(double x, double k0, double k1, double k2,
                            double k3, double k4, double k5, double k6,
                            double k7, double k8, double k9) {
  const double r = std::log10(x);
  // A negative (or NaN) x has no logarithm, so the polynomial in it has no
  // value, whichever coefficients are zero.
  if (std::isnan(r)) return kNaN;
  const double t = r * r;
  const double u = t * t;
  double s = k0;
  // A zero coefficient is skipped rather than multiplied, so that an
  // infinite r (x = 0) leaves the terms that are absent out of the sum.
  if (k1 != 0) s = k1 * r + s;
  if (k2 != 0) s = k2 * t + s;
  if (k3 != 0) s = k3 * t * r + s;
  if (k4 != 0) s = k4 * u + s;
  if (k5 != 0) s = k5 * u * r + s;
  if (k6 != 0) s = k6 * u * t + s;
  if (k7 != 0) s = k7 * u * t * r + s;
  if (k8 != 0) s = k8 * u * u + s;
  if (k9 != 0) s = k9 * u * u * r + s;
  return s;
}
