// Scalar equations: fixed-point acceleration, bisection, the secant and
// false-position solver, the bracketing march along an axis and the
// closed-form roots of a monic cubic.
#include <matrix/numeric.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/constants.h"

namespace {

// Absolute zero threshold of the solvers: 2^-52, the machine epsilon.
constexpr double kZero = matrix::detail::kEpsilon;

// Steffensen's iteration converges quadratically near a simple fixed point
// and at least linearly near a multiple one; 200 steps are far beyond what
// a convergent map needs, but a tolerance near the rounding level can keep
// the steps from ever shrinking below it.
constexpr int kSteffensenMaxSteps = 200;

// Halving any finite interval of doubles 2100 times brings its ends to
// neighbouring doubles (the exponent range spans fewer than 2100 binades).
constexpr int kBisectionMaxSteps = 2100;

// The iteration cap of Span; callers learn of it through *capped.
constexpr int kSpanMaxSteps = 150;

// FindZeroFunctionOnAxis: the relative change of f between probes below
// which, far out, f counts as levelled off; the value of xRight that says
// so; and two caps on the probes of either march. Without a positive search
// limit the forward march ends only through the function, and a step below
// the spacing of doubles near a probe never advances; after 100000 probes
// such a march is ended. Any other march ends by itself, but a function
// that is NaN along the way never lets the step grow, so that a small step
// can take billions of probes to the limit: every march is ended after
// 2^27 probes (about 1.3e8, far more than a march that is waited for
// takes).
constexpr double kLevelledOff = 1e-10;
constexpr double kNoBracket = 1e100;
constexpr int kAxisMaxProbes = 100000;
constexpr int kAxisProbeCap = 1 << 27;

// The value thrown when the host's progress callback abandons the march.
constexpr int kAbandoned = matrix::kAxisAbandoned;

constexpr double kTwoThirdsPi = 2.0943951023931953;

// One march of FindZeroFunctionOnAxis: the function, the host's progress
// callback and the march's settings, shared by its forward and backward
// legs.
class AxisMarch {
 public:
  using Function = double (*)(double x, DWORD ctx);
  using Progress = bool (*)(DWORD ctx, DWORD a, DWORD b);

  AxisMarch(Function f, DWORD ctx, Progress progress, DWORD progress_ctx,
            double step, double f_tol)
      : f_(f),
        ctx_(ctx),
        progress_(progress),
        progress_ctx_(progress_ctx),
        step_(step),
        f_tol_(f_tol) {}

  // Marches from x0 towards larger x until f changes sign. Returns
  // kAxisBracketed with xLeft set and the far end of the bracket kept for
  // far_x(), or the result that ends the whole search (xLeft and xRight
  // then set).
  int Forward(double x0, double limit, double& xLeft, double& xRight);

  // Marches back from the forward leg's far end towards x0 when f(x0) was
  // exactly 0; moves xLeft and xRight with it. Returns kAxisBracketed or
  // kAxisBackwardNoChange.
  int Backward(double x0, double& xLeft, double& xRight);

  // Tells the host where the march stands (the start and end of a leg).
  void Notify() const {
    if (progress_ != nullptr) progress_(progress_ctx_, 0, 10);
  }

  // The probe past the change of sign, once Forward has bracketed one.
  double far_x() const { return far_x_; }
  // The sign of f that the forward leg recorded; 0 when f(x0) was exactly 0.
  int sign() const { return sign_; }

 private:
  // Asks the host after a probe whether to go on; abandoning throws.
  void CheckAbandon() const {
    if (progress_ != nullptr && progress_(progress_ctx_, 1, 0))
      throw kAbandoned;
  }

  // The forward leg's step after a probe whose relative change of f was
  // `change`: grown while f changes slowly, cut back while it changes fast.
  double NextForwardStep(double h, double change) const {
    if (change < 0.2) return 1.5 * h;
    if (change > 0.6 && h > 8 * step_) return h / 4;
    return h;
  }

  // The backward leg's step, by the same rule with its own thresholds.
  static double NextBackwardStep(double h, double change) {
    if (change < 0.05) return 1.5 * h;
    if (change > 0.07 && h > 1) return h / 2;
    return h;
  }

  Function f_;
  DWORD ctx_;
  Progress progress_;
  DWORD progress_ctx_;
  double step_;
  double f_tol_;
  double far_x_ = 0;  // the forward leg's last probe
  double far_f_ = 0;  // and f there
  int sign_ = 0;
};

int AxisMarch::Forward(double x0, double limit, double& xLeft, double& xRight) {
  double fc = f_(x0, ctx_);  // value at the current probe
  double fs = fc;            // value at the last probe of the recorded sign
  double x = x0;
  const double reach = 10 * (x0 + step_);
  const double limit_x = limit > reach ? limit : reach;
  const bool limited = limit_x > 0;
  xLeft = x0;
  double h = 2 * step_;
  Notify();

  int probes = 0;
  do {
    // The first nonzero value fixes the sign the march looks past; xLeft
    // follows the probes while they keep it.
    if (fc < 0 && sign_ != +1) {
      sign_ = -1;
      xLeft = x;
      fs = fc;
    } else if (fc > 0 && sign_ != -1) {
      sign_ = +1;
      xLeft = x;
      fs = fc;
    }
    const double before = x;
    x = x + h;
    if (limited && x > limit_x) x = limit_x + 1;
    // An infinite x0 or a step grown past the doubles gives a probe that is
    // not a finite point (x + h may be NaN, which never equals the probe
    // before it): the march has gone as far as it can.
    if (!std::isfinite(x)) {
      xLeft = xRight = before;
      return matrix::kAxisNoChange;
    }
    const double fn = f_(x, ctx_);
    if (limited && x > limit_x && sign_ * fn > 0) {
      xLeft = xRight = std::max(limit_x, x0);
      return matrix::kAxisNoChange;
    }
    if (std::fabs(fc) <= f_tol_) {
      xLeft = xRight = x;
      return matrix::kAxisNearZero;
    }
    const double change = std::fabs((fn - fc) / fc);
    if (h > 1000 * step_ && change < kLevelledOff) {
      xRight = kNoBracket;
      return matrix::kAxisLevelledOff;
    }
    h = NextForwardStep(h, change);
    fc = fn;
    CheckAbandon();
    // Only a march that can run for ever is cut short: one without a
    // positive limit, or one whose probe no longer moves.
    ++probes;
    if (((probes >= kAxisMaxProbes && (!limited || x == before)) ||
         probes >= kAxisProbeCap) &&
        !(fs * fc <= 0)) {
      xLeft = xRight = x;  // no sign change as far as the march went
      return matrix::kAxisNoChange;
    }
  } while (!(fs * fc <= 0));  // a NaN product is no sign change
  far_x_ = x;
  far_f_ = fc;
  return matrix::kAxisBracketed;
}

int AxisMarch::Backward(double x0, double& xLeft, double& xRight) {
  xLeft = far_x_;
  double h = step_;
  double fs = far_f_;
  int probes = 0;
  do {
    const double before = xLeft;
    xRight = xLeft;
    xLeft = xLeft - h;
    if (!std::isfinite(xLeft))
      return matrix::kAxisBackwardNoChange;  // past the doubles, not x0
    const double fn = f_(xLeft, ctx_);
    if (fs != 0) h = NextBackwardStep(h, std::fabs((fn - fs) / fs));
    fs = fn;
    if (x0 >= xLeft) return matrix::kAxisBackwardNoChange;
    CheckAbandon();
    ++probes;
    if ((probes >= kAxisMaxProbes && xLeft == before) ||
        probes >= kAxisProbeCap) {
      return matrix::kAxisBackwardNoChange;
    }
  } while (!(fs * far_f_ <= 0));
  return matrix::kAxisBracketed;
}

}  // namespace

double AStef(double x0, double (*f)(double x, DWORD ctx), DWORD ctx,
             double tol) {
  double x = x0;
  // The point with the smallest |f(p) - p| seen so far, for the safeguard.
  double best = x0;
  double best_residual = std::numeric_limits<double>::infinity();
  for (int step = 0; step < kSteffensenMaxSteps; ++step) {
    const double y = f(x, ctx);
    const double z = f(y, ctx);
    if (std::fabs(y - x) < best_residual) {
      best = x;
      best_residual = std::fabs(y - x);
    }
    if (std::fabs(z - y) < best_residual) {
      best = y;
      best_residual = std::fabs(z - y);
    }
    const double d = x - 2 * y + z;
    if (d == 0) return x;
    const double xn = (x * z - y * y) / d;
    if (!(std::fabs(xn - x) > tol)) return xn;  // also ends on NaN
    x = xn;
  }
  return best;
}

double HalfDiv(double a, double b, double (*f)(double x, DWORD ctx), DWORD ctx,
               double tol) {
  double fa = f(a, ctx);
  for (int step = 0; std::fabs(b - a) > tol; ++step) {
    const double m = (a + b) / 2;
    // A midpoint that is no longer strictly inside cannot shrink the
    // interval any further.
    if (step == kBisectionMaxSteps ||
        !(std::min(a, b) < m && m < std::max(a, b))) {
      break;
    }
    const double fm = f(m, ctx);
    if (fm == 0) return m;
    if (fa * fm > 0) {
      a = m;
      fa = fm;
    } else {
      b = m;
    }
  }
  return (a + b) / 2;
}

double Span(double x1, double x2, double (*f)(double x, DWORD ctx), DWORD ctx,
            double dLo, double dHi, double fLo, double fHi, double tol,
            int* capped, bool (*stop)(DWORD ctx), DWORD stopCtx) {
  if (capped != nullptr) *capped = 0;
  double a = x1;
  double fa = f(x1, ctx);
  double b = x2;
  double fb = f(x2, ctx);
  double last_step = 1e100;  // outside any band until a step is made
  double relative = 2 * tol;
  int steps = 0;
  while ((last_step < dLo || last_step > dHi) && relative >= tol &&
         steps < kSpanMaxSteps) {
    if (stop != nullptr && stop(stopCtx)) return 0.0;
    if (fLo <= fa && fa <= fHi) return a;
    if (fLo <= fb && fb <= fHi) return b;
    if (fa * fb < 0) {
      // Bracketed: false position.
      const double x = (a * fb - b * fa) / (fb - fa);
      const double fx = f(x, ctx);
      if (std::fabs(fx) < kZero) return x;
      if (fx * fa > 0) {
        a = x;
        fa = fx;
      } else {
        b = x;
        fb = fx;
      }
    } else if (std::fabs(fa) > std::fabs(fb)) {
      // Secant from the end with the smaller |f|.
      const double x = b + fb * (b - a) / (fa - fb);
      a = b;
      fa = fb;
      b = x;
      fb = f(x, ctx);
    } else {
      const double x = std::fabs(fb - fa) > kZero ? a + fa * (a - b) / (fb - fa)
                                                  : (a + b) * 0.5;
      b = a;
      fb = fa;
      a = x;
      fa = f(x, ctx);
    }
    last_step = b - a;
    if (a != 0 && tol != 0) relative = std::fabs((b - a) / a);
    ++steps;
  }
  if (capped != nullptr && steps >= kSpanMaxSteps) *capped = 1;
  return std::fabs(fb) > std::fabs(fa) ? a : b;
}

int FindZeroFunctionOnAxis(double x0, double step,
                           double (*f)(double x, DWORD ctx), DWORD ctx,
                           double& xLeft, double& xRight, double limit,
                           bool (*progress)(DWORD ctx, DWORD a, DWORD b),
                           DWORD progressCtx, double fTol) {
  // The march needs a direction and a length: refused without probing.
  if (!(step > 0)) {
    xLeft = xRight = x0;
    return matrix::kAxisNoChange;
  }
  AxisMarch march(f, ctx, progress, progressCtx, step, fTol);
  const int forward = march.Forward(x0, limit, xLeft, xRight);
  if (forward != matrix::kAxisBracketed) return forward;
  march.Notify();
  xRight = march.far_x();
  if (march.sign() == 0) {
    // f(x0) was exactly 0 and fTol negative: march back towards x0.
    const int backward = march.Backward(x0, xLeft, xRight);
    if (backward != matrix::kAxisBracketed) return backward;
  }
  march.Notify();
  return matrix::kAxisBracketed;
}

DWORD GetRootOfCubEqv(double a1, double a2, double a3, double& x1, double& x2,
                      double& x3) {
  x1 = x2 = x3 = 0;
  const double q = (a1 * a1 - 3 * a2) / 9;
  const double r = (2 * a1 * a1 * a1 - 9 * a1 * a2 + 27 * a3) / 54;
  const double d = q * q * q - r * r;
  const double s0 = std::sqrt(std::fabs(q));
  if (d > kZero) {
    // Three real roots. acos_m only guards against rounding just past ±1.
    const double theta = acos_m(r / std::sqrt(q * q * q)) / 3;
    x1 = -2 * s0 * std::cos(theta) - a1 / 3;
    x2 = -2 * s0 * std::cos(theta + kTwoThirdsPi) - a1 / 3;
    x3 = -2 * s0 * std::cos(theta - kTwoThirdsPi) - a1 / 3;
    return matrix::kCubicThreeRoots;
  }
  const double s = r > 0 ? s0 : -s0;
  if (std::fabs(d) < kZero) {
    // A double root (or a triple one).
    x1 = -2 * s - a1 / 3;
    x2 = x3 = s - a1 / 3;
    return matrix::kCubicThreeRoots;
  }
  // One real root. With x = y - a1/3 the cubic reads y³ - 3q·y + 2r = 0.
  const double q3 = std::sqrt(std::fabs(q) * std::fabs(q) * std::fabs(q));
  if (q > 0 && q3 > 0) {
    const double t = std::fabs(r / std::sqrt(q * q * q));
    x1 = -2 * s * ch(std::log(std::sqrt(t * t - 1) + t) / 3) - a1 / 3;
  } else if (q < 0 && q3 > 0) {
    // The hyperbolic form takes a positive q; for q < 0 the real root is
    // y = -2·s·sinh(asinh(t)/3) with t = |r|/|q|^1.5.
    const double t = std::fabs(r) / q3;
    x1 = -2 * s * sh(std::asinh(t) / 3) - a1 / 3;
  } else {
    // q = 0 (or |q|³ below the smallest double): y³ = -2r.
    x1 = -std::cbrt(2 * r) - a1 / 3;
  }
  return matrix::kCubicOneRoot;
}
