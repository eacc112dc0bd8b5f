// matrix - Euler rotation matrices of a view, projection of points between
// model and screen, and the rounding of screen coordinates.
#include <matrix/geometry.h>

#include <cmath>
#include <limits>

#include "geometry/internal.h"

namespace {

// Degrees to radians as the hosts' drawings were made with: 3.14159265359 /
// 180, not the full-precision pi / 180, so that stored views keep their
// exact pixels.
constexpr double kDegree = 0.017453292519944444;

// M = Rz(psi) Rx(theta) Rz(phi).
void Eiler(const SEilerang& view, double* m) {
  const double theta = view.theta * kDegree;
  const double psi = view.psi * kDegree;
  const double phi = view.phi * kDegree;
  const double ct = std::cos(theta);
  const double st = std::sin(theta);
  const double cs = std::cos(psi);
  const double ss = std::sin(psi);
  const double cf = std::cos(phi);
  const double sf = std::sin(phi);
  m[0] = cs * cf - ct * ss * sf;
  m[1] = -cs * sf - ct * ss * cf;
  m[2] = st * ss;
  m[3] = ss * cf + ct * cs * sf;
  m[4] = -ss * sf + ct * cs * cf;
  m[5] = -st * cs;
  m[6] = st * sf;
  m[7] = st * cf;
  m[8] = ct;
}

}  // namespace

namespace matrix::detail {

int RoundHalfDown(double v) {
  constexpr double kMin = std::numeric_limits<int>::min();
  constexpr double kMax = std::numeric_limits<int>::max();
  if (std::isnan(v)) return 0;
  // The nearest int of anything at or beyond an end of the range is that
  // end; inside, floor and ceiling both fit an int.
  if (v <= kMin) return std::numeric_limits<int>::min();
  if (v >= kMax) return std::numeric_limits<int>::max();
  const int f = static_cast<int>(std::floor(v));
  const int c = static_cast<int>(std::ceil(v));
  return 2.0 * v - c - f > 0.0 ? c : f;
}

}  // namespace matrix::detail

void MatrixEiler(SEilerang* view, double* out) { Eiler(*view, out); }

void MatrixEiler2(SEilerang* view, double* out) {
  double m[9];
  Eiler(*view, m);
  const double r[9] = {m[0], -m[2], m[1], m[3], -m[5], m[4], m[6], -m[8], m[7]};
  for (int i = 0; i < 9; ++i) out[i] = r[i];
}

void MatrixEilerBack(SEilerang* view, double* out) {
  double m[9];
  Eiler(*view, m);
  const double r[9] = {m[0], m[3], m[6], m[1], m[4], m[7], m[2], m[5], m[8]};
  for (int i = 0; i < 9; ++i) out[i] = r[i];
}

void MatrixEilerBack2(SEilerang* view, double* out) {
  double m[9];
  Eiler(*view, m);
  const double r[9] = {m[0], m[3], m[6], -m[2], -m[5], -m[8], m[1], m[4], m[7]};
  for (int i = 0; i < 9; ++i) out[i] = r[i];
}

SPointI PointXYZ(SPointD* p, double scale, SEilerang* view) {
  double b[9];
  MatrixEilerBack2(view, b);
  const double origin[3] = {view->x0, view->y0, 0.0};
  int r[3];
  for (int i = 0; i < 3; ++i) {
    double v = 0.0;
    for (int j = 0; j < 3; ++j) v += b[3 * i + j] * (*p)[j];
    r[i] = matrix::detail::RoundHalfDown(v * scale + origin[i]);
  }
  SPointI s;
  s.x = r[0];
  s.y = r[1];
  s.z = r[2];
  return s;
}

SPointD PointXYZ(SPointI* s, double scale, SEilerang* view) {
  double a[9];
  MatrixEiler2(view, a);
  const double origin[3] = {view->x0, view->y0, 0.0};
  const double screen[3] = {static_cast<double>(s->x),
                            static_cast<double>(s->y),
                            static_cast<double>(s->z)};
  double r[3];
  for (int i = 0; i < 3; ++i) {
    double v = 0.0;
    for (int j = 0; j < 3; ++j)
      v += (screen[j] - origin[j]) * a[3 * i + j] / scale;
    r[i] = v;
  }
  return SPointD(r[0], r[1], r[2]);
}
