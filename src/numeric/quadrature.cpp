// Composite Simpson's rule and adaptive Gauss-Legendre quadrature in one,
// two and three variables.
#include "numeric/quadrature.h"

#include <matrix/numeric.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "common/constants.h"

namespace {

// Half-widths and differences below ε count as zero.
constexpr double kZero = matrix::detail::kEpsilon;

// Subdivision safeguards. The adaptive step halves a piece while its two
// estimates disagree by more than tol, which by itself never ends for
// tol <= 0, for a singular integrand, or for a tol below the rounding level
// of the result. So a piece is not split
//  - when its two estimates agree to rounding: they differ by at most
//    kAgreeUlps units in the last place of the larger (halving cannot bring
//    them closer than their own rounding);
//  - when its midpoint is not strictly inside it (either orientation: b < a
//    is halved exactly as a < b);
//  - once a pass has spent kMaxCalls integrand calls (counted over all
//    levels of a nested integral). A run that ends as written within about
//    10^9 calls is never cut; only integrands that never settle reach it.
// A piece that is not split contributes its n-point estimate.
constexpr double kAgreeUlps = 4;
constexpr long long kMaxCalls = 1LL << 31;

// A rule of at most six points.
struct Rule {
  SGaussWeight p[6];
  int n = 0;
};
// The points of the n-point rule in their fixed order; the sums below run
// over them in this order, which fixes the rounding.
Rule MakeRule(int n) {
  Rule r;
  auto add = [&r](double x, double w) { r.p[r.n++] = SGaussWeight(x, w); };
  switch (n) {
    case 1:
      add(0.0, 2.0);
      break;
    case 2:
      add(-std::sqrt(3.0) / 3, 1.0);
      add(std::sqrt(3.0) / 3, 1.0);
      break;
    case 3:
      add(-std::sqrt(15.0) / 5, 0.5555555555555556);
      add(0.0, 0.8888888888888888);
      add(std::sqrt(15.0) / 5, 0.5555555555555556);
      break;
    case 4: {
      const double s30 = std::sqrt(30.0);
      const double p = std::sqrt(525 - 70 * s30) / 35;
      const double q = std::sqrt(525 + 70 * s30) / 35;
      const double u = (18 + s30) / 36;
      const double v = (18 - s30) / 36;
      add(-p, u);
      add(-q, v);
      add(q, v);
      add(p, u);
      break;
    }
    case 5: {
      const double s70 = std::sqrt(70.0);
      const double r5 = std::sqrt(245 - 14 * s70) / 21;
      const double t5 = std::sqrt(245 + 14 * s70) / 21;
      const double s = (322 + 13 * s70) / 900;
      const double y = (322 - 13 * s70) / 900;
      add(-r5, s);
      add(-t5, y);
      add(0.0, 0.5688888888888889);
      add(t5, y);
      add(r5, s);
      break;
    }
    case 6:
      // Seven-digit decimals: the results of the hosts were calibrated
      // with these, so they are kept although they are not the exact rule.
      add(-0.93247, 0.1713245);
      add(-0.6612094, 0.3607616);
      add(-0.2386142, 0.467914);
      add(0.2386142, 0.467914);
      add(0.6612094, 0.3607616);
      add(0.93247, 0.1713245);
      break;
    default:
      break;
  }
  return r;
}

// The rules are constants: they are worked out once, at load, by the same
// operations, so every integral is bit-identical to building them per call,
// without paying a handful of square roots on every call. kRules[k] is the
// k-point rule; kRules[0] is empty.
const Rule kRules[7] = {MakeRule(0), MakeRule(1), MakeRule(2), MakeRule(3),
                        MakeRule(4), MakeRule(5), MakeRule(6)};

struct Budget {
  long long calls = kMaxCalls;
};

// h · sum of w·g(mid + h·x) over the k-point rule, accumulated from 0 in
// order. The size is a constant, so the short sum is unrolled.
template <int K, class G>
double Estimate(double mid, double h, const G& g) {
  const SGaussWeight* p = kRules[K].p;
  double sum = 0.0;
  for (int i = 0; i < K; ++i) sum += p[i].w * g(mid + h * p[i].x);
  return h * sum;
}

// Whether mid lies strictly between a and b, in whichever order they come.
bool StrictlyInside(double a, double mid, double b) {
  return a < b ? (a < mid && mid < b) : (b < mid && mid < a);
}

// Whether two estimates differ by no more than their own rounding. An
// infinite estimate agrees with nothing: the piece is split as before, so
// that an integrand infinite at one node is not taken for an infinite
// integral.
bool AgreeToRounding(double i1, double i2) {
  const double larger = std::max(std::fabs(i1), std::fabs(i2));
  return larger <= std::numeric_limits<double>::max() &&
         std::fabs(i1 - i2) <= kAgreeUlps * kZero * larger;
}

// The adaptive step on [a, b] with the K1-point and K2-point rules: the
// K1-point estimate when it agrees with the K2-point one within tol, else
// the sum over the two halves (left first). kCalls is what one piece costs
// in integrand calls: K1 + K2 at the innermost level, 0 at the outer levels
// of a nested integral (their pieces are paid for by the inner ones).
template <int K1, int K2, int kCalls, class G>
double Step(double a, double b, double tol, const G& g, Budget& budget) {
  const double mid = (a + b) * 0.5;
  const double h = (b - a) * 0.5;
  const double i1 = Estimate<K1>(mid, h, g);
  const double i2 = Estimate<K2>(mid, h, g);
  budget.calls -= kCalls;
  if (std::fabs(i1 - i2) > tol && !AgreeToRounding(i1, i2) &&
      StrictlyInside(a, mid, b) && budget.calls > 0) {
    const double left = Step<K1, K2, kCalls>(a, mid, tol, g, budget);
    return left + Step<K1, K2, kCalls>(mid, b, tol, g, budget);
  }
  return i1;
}

template <int K>
using Points = std::integral_constant<int, K>;

// Calls run(K1, K2) with the sizes of the n-point and (n-1)-point rules of
// FillGaussWeights as constants: (n, n - 1) for n = 1..6, (0, 6) for n = 7,
// (0, 0) otherwise.
template <class Run>
double WithRules(int n, const Run& run) {
  switch (n) {
    case 1:
      return run(Points<1>(), Points<0>());
    case 2:
      return run(Points<2>(), Points<1>());
    case 3:
      return run(Points<3>(), Points<2>());
    case 4:
      return run(Points<4>(), Points<3>());
    case 5:
      return run(Points<5>(), Points<4>());
    case 6:
      return run(Points<6>(), Points<5>());
    case 7:
      return run(Points<0>(), Points<6>());
    default:
      return run(Points<0>(), Points<0>());
  }
}

}  // namespace

void FillGaussWeights(int n, CArray<SGaussWeight, const SGaussWeight&>& table) {
  const Rule rule = MakeRule(n);
  for (int i = 0; i < rule.n; ++i) table.Add(rule.p[i]);
}

double Simpson(double a, double b, int n, double (*f)(double)) {
  if (std::fabs(a - b) < kZero) return 0;  // empty interval
  if (a > b) return 0;                     // reversed limits
  if (n % 2 != 0) return 0;                // Simpson pairs sub-intervals
  if (n <= 0) return 0;                    // no sub-intervals: no result
  if (f == nullptr) return 0;
  const double h = (b - a) / n;
  double sum = f(a);
  double x = a;
  for (int i = 0; i < n; i += 2) {
    x += h;
    sum += 4 * f(x);
    if (i != n - 2) {
      x += h;
      sum += 2 * f(x);
    }
  }
  return (sum + f(b)) * h / 3;
}

namespace matrix::detail {

double GaussQvWithBackstop(double a, double b, int n, double (*f)(double),
                           double tol, long long max_calls) {
  if (f == nullptr) return 0;
  Budget budget{max_calls};
  return WithRules(n, [&](auto k1, auto k2) {
    constexpr int K1 = decltype(k1)::value, K2 = decltype(k2)::value;
    return Step<K1, K2, K1 + K2>(a, b, tol, f, budget);
  });
}

}  // namespace matrix::detail

double GaussQv(double a, double b, int n, double (*f)(double), double tol) {
  return matrix::detail::GaussQvWithBackstop(a, b, n, f, tol, kMaxCalls);
}

double GaussQv2(double x1, double x2, double y1, double y2, int n,
                double (*f)(double x, double y, DWORD ctx), DWORD ctx,
                double tol) {
  if (f == nullptr) return 0;
  return WithRules(n, [&](auto k1, auto k2) {
    constexpr int K1 = decltype(k1)::value, K2 = decltype(k2)::value;
    auto integral = [&](double t) {
      Budget budget;
      auto over_y = [&](double x) {
        auto g = [&](double y) { return f(x, y, ctx); };
        return Step<K1, K2, K1 + K2>(y1, y2, t, g, budget);
      };
      return Step<K1, K2, 0>(x1, x2, t, over_y, budget);
    };
    // Results below the tolerance are recomputed with tolerances relative
    // to them. That needs a positive result: for one that is not, a derived
    // tolerance would not be positive, and the integral at hand is returned.
    const double m1 = integral(tol);
    if (!(tol > m1 && m1 > 0)) return m1;
    const double tol1 = 0.8 * m1;
    const double m2 = integral(tol1);
    if (!(tol1 > m2 && m2 > 0)) return m2;
    return integral(0.2 * m2);
  });
}

double GaussQv3(double x1, double x2, double y1, double y2, double z1,
                double z2, int n, double (*f)(double x, double y, double z),
                double tol) {
  if (f == nullptr) return 0;
  return WithRules(n, [&](auto k1, auto k2) {
    constexpr int K1 = decltype(k1)::value, K2 = decltype(k2)::value;
    Budget budget;
    auto over_y = [&](double x) {
      auto over_z = [&](double y) {
        auto g = [&](double z) { return f(x, y, z); };
        return Step<K1, K2, K1 + K2>(z1, z2, tol, g, budget);
      };
      return Step<K1, K2, 0>(y1, y2, tol, over_z, budget);
    };
    return Step<K1, K2, 0>(x1, x2, tol, over_y, budget);
  });
}
