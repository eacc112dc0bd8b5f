// matrix - points and vectors: lengths, normalisation, cross products,
// parallel and perpendicular tests, points on segments, angles, point in
// segment and cylinder, line-plane and line-line intersection, areas.
#include <matrix/geometry.h>
#include <matrix/numeric.h>

#include <cmath>
#include <limits>

#include "geometry/internal.h"

using matrix::detail::Dot;
using matrix::detail::kGeomEpsilon;
using matrix::detail::Sub;

namespace {

// Lines whose directions make sin^2 of their angle at most this are
// parallel for the intersection; tuned to the host's drawing precision.
constexpr double kIntersectParallel = 3.045e-7;
// Lines farther apart than this triple product (in the host's unit cubed)
// are skew and do not meet.
constexpr double kIntersectSkew = 1e-4;
// A solution of the intersection's equations is accepted when it lies on
// both lines within their own distance plus this much of the coordinates'
// magnitude: half the digits of a double, far above the rounding of a
// well-conditioned solve and far below the error of an ill-conditioned one
// (equations scaled by a direction component that is only rounding noise).
constexpr double kIntersectCheck = 0x1p-26;
// Lines that pass the skew test without meeting: the written solution lies
// on line 1 where it crosses a plane through line 2, so farther from line 2
// than the lines' own distance, by a factor that grows as line 1 turns into
// that plane. Up to 16 times that distance (line 1 at more than about 3.6
// degrees to the plane) it is kept.
constexpr double kIntersectSpread = 16;

double SquaredLength(const SPointD& v) {
  return v.x * v.x + v.y * v.y + v.z * v.z;
}

void SetZero(SPointD& p) {
  p.x = 0.0;
  p.y = 0.0;
  p.z = 0.0;
}

// A segment length that a point can be placed along: not zero, and finite
// (an infinite coordinate gives an infinite or NaN length, and a point
// divided along it would be NaN).
bool UsableLength(double length) {
  return length > 0.0 && length < std::numeric_limits<double>::infinity();
}

// v / |v|, without the tolerances of Normalization; v must not be zero.
SPointD Unit(const SPointD& v) {
  const double length = std::sqrt(SquaredLength(v));
  return SPointD(v.x / length, v.y / length, v.z / length);
}

double Magnitude(const SPointD& p) {
  return std::fmax(std::fabs(p.x), std::fmax(std::fabs(p.y), std::fabs(p.z)));
}

// The distance from p to the line through a with the unit direction u.
double LineDistance(const SPointD& p, const SPointD& a, const SPointD& u) {
  SPointD c;
  GetVectorProduct(c, Sub(p, a), u, false);
  return std::sqrt(SquaredLength(c));
}

// Checks a candidate intersection of two non-parallel lines against both
// lines and, when it fails, replaces it by the midpoint of the lines'
// points of closest approach, computed from unit directions (well
// conditioned for lines that are not parallel). False when not even that
// point lies on both lines (coordinates that are not finite, say).
bool SettleIntersection(const SPointD& d1, const SPointD& d2, const SPointD& p1,
                        const SPointD& p2, SPointD& x) {
  const SPointD u1 = Unit(d1);
  const SPointD u2 = Unit(d2);
  SPointD n;
  GetVectorProduct(n, u1, u2, false);
  const double nn = SquaredLength(n);
  const SPointD w = Sub(p2, p1);
  const double gap = std::fabs(Dot(w, n)) / std::sqrt(nn);
  auto on_both = [&](const SPointD& q, double spread) {
    const double scale =
        std::fmax(Magnitude(q), std::fmax(Magnitude(p1), Magnitude(p2)));
    const double slack = kIntersectCheck * scale;
    return LineDistance(q, p1, u1) <= gap + slack &&
           LineDistance(q, p2, u2) <= spread * gap + slack;
  };
  if (on_both(x, kIntersectSpread)) return true;
  // p1 + t1·u1 and p2 + t2·u2 are the closest points: w × u2 and w × u1
  // projected on the common normal give t1 and t2.
  SPointD c2;
  SPointD c1;
  GetVectorProduct(c2, w, u2, false);
  GetVectorProduct(c1, w, u1, false);
  const double t1 = Dot(c2, n) / nn;
  const double t2 = Dot(c1, n) / nn;
  const SPointD q(0.5 * ((p1.x + t1 * u1.x) + (p2.x + t2 * u2.x)),
                  0.5 * ((p1.y + t1 * u1.y) + (p2.y + t2 * u2.y)),
                  0.5 * ((p1.z + t1 * u1.z) + (p2.z + t2 * u2.z)));
  if (!on_both(q, 1.0)) return false;
  x = q;
  return true;
}

}  // namespace

SPointD Normalization(SPointD& v) {
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  // Tiny vectors have no direction worth scaling towards, and unit ones
  // would only pick up rounding.
  if (length >= kGeomEpsilon && std::fabs(length - 1.0) >= kGeomEpsilon) {
    v.x /= length;
    v.y /= length;
    v.z /= length;
  }
  return v;
}

void GetVectorProduct(SPointD& out, SPointD a, SPointD b, bool normalize) {
  if (normalize) {
    Normalization(a);
    Normalization(b);
  }
  out.x = a.y * b.z - b.y * a.z;
  out.y = a.z * b.x - b.z * a.x;
  out.z = a.x * b.y - b.x * a.y;
}

void GetVectorProduct(SPointD& out, SPointD& p1, SPointD& p2, SPointD& p3,
                      SPointD& p4, bool normalize) {
  const SPointD a = Sub(p2, p1);
  const SPointD b = Sub(p4, p3);
  GetVectorProduct(out, a, b, normalize);
}

int IsParallel(SPointD& p1, SPointD& p2, SPointD& p3, SPointD& p4, double tol) {
  SPointD v;
  GetVectorProduct(v, p1, p2, p3, p4, true);
  const double s = std::fabs(v.x * v.x + v.y * v.y + v.z * v.z);
  return tol >= s ? 1 : 0;
}

int IsParallel(const SPointD& a, const SPointD& b, double tol) {
  SPointD v;
  GetVectorProduct(v, a, b, true);
  const double s = v.x * v.x + v.y * v.y + v.z * v.z;
  return tol >= s ? 1 : 0;
}

int IsPerpendicular(SPointD a, SPointD b) {
  Normalization(a);
  Normalization(b);
  return std::fabs(Dot(a, b)) < kGeomEpsilon ? 1 : 0;
}

double Distance(const SPointD& v) {
  return std::sqrt(v.z * v.z + (v.y * v.y + v.x * v.x));
}

double Distance(const SPointD& a, const SPointD& b) {
  const double dx = a.x - b.x;
  const double dy = a.y - b.y;
  const double dz = a.z - b.z;
  return std::sqrt(dz * dz + (dy * dy + dx * dx));
}

double Distance(SPointD& a, SPointD& b, SPointD& p) {
  const SPointD u = Sub(b, a);
  const SPointD w = Sub(p, a);
  SPointD c;
  GetVectorProduct(c, w, u, false);
  return std::sqrt(SquaredLength(c) / SquaredLength(u));
}

int GetInsidePoint(SPointD* out, double a, double b, SPointD p1, SPointD p2) {
  if (out == nullptr) return 0;
  SetZero(*out);
  const double sum = a + b;
  if (sum == 0.0) return 0;
  out->x = (b * p1.x + a * p2.x) / sum;
  out->y = (b * p1.y + a * p2.y) / sum;
  out->z = (b * p1.z + a * p2.z) / sum;
  return 1;
}

int GetInsidePoint2(SPointD& out, double d, SPointD& p1, SPointD& p2) {
  // Copies first: out may be one of the two points.
  const SPointD a = p1;
  const SPointD b = p2;
  SetZero(out);
  if (d < 0.0) return 0;
  const double length = Distance(a, b);
  if (!UsableLength(length)) return 0;
  out.x = ((length - d) * a.x + d * b.x) / length;
  out.y = ((length - d) * a.y + d * b.y) / length;
  out.z = ((length - d) * a.z + d * b.z) / length;
  return 1;
}

int GetInsidePoint3(SPointD* out, double d, SPointD p1, SPointD p2) {
  if (out == nullptr) return 0;
  SetZero(*out);
  if (d == 0.0) return 0;
  const double length = Distance(p1, p2);
  if (!UsableLength(length)) return 0;
  out->x = (d * p1.x + (length - d) * p2.x) / length;
  out->y = (d * p1.y + (length - d) * p2.y) / length;
  out->z = (d * p1.z + (length - d) * p2.z) / length;
  return 1;
}

int GetOutsidePoint(SPointD* out, double d, SPointD p1, SPointD p2) {
  if (out == nullptr) return 0;
  SetZero(*out);
  const double length = Distance(p1, p2);
  if (!UsableLength(length)) return 0;
  out->x = ((length + d) * p2.x - d * p1.x) / length;
  out->y = ((length + d) * p2.y - d * p1.y) / length;
  out->z = ((length + d) * p2.z - d * p1.z) / length;
  return 1;
}

double CosAngle(SPointD& p1, SPointD& p2, SPointD& p3) {
  const double a = Distance(p1, p2);
  const double b = Distance(p2, p3);
  const double s = Distance(p1, p3);
  if (a * b == 0.0) return 0.0;
  const double c = (a * a + b * b - s * s) * 0.5 / (a * b);
  if (c > 1.0) return 1.0;
  if (c < -1.0) return -1.0;
  return c;
}

double CosAngle(SPointD a, SPointD b) {
  Normalization(a);
  Normalization(b);
  return Dot(a, b);
}

double SinAngleLP(SPointD u, SPointD a, SPointD b) {
  SPointD m;
  GetVectorProduct(m, a, b, true);
  Normalization(u);
  return std::fabs(Dot(u, m)) / Distance(m);
}

double CosAngleLP(SPointD& a1, SPointD& b1, SPointD& a2, SPointD& b2) {
  SPointD m1;
  SPointD m2;
  GetVectorProduct(m1, a1, b1, true);
  GetVectorProduct(m2, a2, b2, true);
  return (std::fabs(Dot(m1, m2)) / Distance(m1)) / Distance(m2);
}

int PtInSegment(SPointD p, SPointD a, SPointD b) {
  const double excess = Distance(a, p) + Distance(p, b) - Distance(a, b);
  return std::fabs(excess) < kGeomEpsilon ? 1 : 0;
}

int PtInCylinder(SPointD& p, SPointD& a, SPointD& b, double r, bool bounded,
                 double* dist) {
  const double d = Distance(a, b, p);
  if (dist != nullptr) *dist = d;
  // Written so that a NaN distance (a NaN point, or a == b) is outside.
  if (!(d - r <= kGeomEpsilon)) return 0;
  if (!bounded) return 1;
  // For a point in an end plane the axis distance may exceed the distance
  // to the end by rounding; the foot of the perpendicular is then at the
  // end itself, not at a NaN distance from it.
  const double da = Distance(a, p);
  const double db = Distance(b, p);
  const double ra = da * da - d * d;
  const double rb = db * db - d * d;
  const double t1 = std::sqrt(ra < 0.0 ? 0.0 : ra);
  const double t2 = std::sqrt(rb < 0.0 ? 0.0 : rb);
  return std::fabs(t1 + t2 - Distance(a, b)) <= kGeomEpsilon ? 1 : 0;
}

double GetIntersectParameter(SPointD& dir, SPointD& normal, SPointD& base,
                             SPointD& onPlane) {
  const SPointD w = Sub(onPlane, base);
  return Dot(w, normal) / Dot(normal, dir);
}

int GetIntersectLines(SPointD& d1, SPointD& d2, SPointD& p1, SPointD& p2,
                      SPointD& out) {
  if (IsParallel(d1, d2, kIntersectParallel)) return 0;
  SPointD normal;
  GetVectorProduct(normal, d1, d2, false);
  const double tau = Dot(Sub(p2, p1), normal);
  if (std::fabs(tau) > kIntersectSkew) return 0;  // skew lines
  // Two independent equations of line 1, chosen by a non-zero component of
  // its direction, then one of line 2 at a time until the system solves.
  double a[9] = {};
  double b[3] = {};
  const double yx[4] = {d1.y, -d1.x, 0.0, d1.y * p1.x - d1.x * p1.y};
  const double zx[4] = {d1.z, 0.0, -d1.x, d1.z * p1.x - d1.x * p1.z};
  const double zy[4] = {0.0, d1.z, -d1.y, d1.z * p1.y - d1.y * p1.z};
  const double* row1 = yx;
  const double* row2 = zx;
  if (std::fabs(d1.x) > kGeomEpsilon) {
    row1 = yx;
    row2 = zx;
  } else if (std::fabs(d1.y) > kGeomEpsilon) {
    row1 = yx;
    row2 = zy;
  } else {
    row1 = zy;
    row2 = zx;
  }
  for (int j = 0; j < 3; ++j) {
    a[j] = row1[j];
    a[3 + j] = row2[j];
  }
  b[0] = row1[3];
  b[1] = row2[3];
  const double line2[3][4] = {
      {d2.y, -d2.x, 0.0, d2.y * p2.x - d2.x * p2.y},
      {0.0, d2.z, -d2.y, d2.z * p2.y - d2.y * p2.z},
      {d2.z, 0.0, -d2.x, d2.z * p2.x - d2.x * p2.z},
  };
  for (const auto& row3 : line2) {
    for (int j = 0; j < 3; ++j) a[6 + j] = row3[j];
    b[2] = row3[3];
    double x[3];
    if (Gauss2(3, a, b, x)) {
      // The equations of line 1 are scaled by its direction's components;
      // one that is only rounding noise makes the system near-singular
      // without Gauss2 noticing, so the solution is checked on both lines.
      SPointD solution(x[0], x[1], x[2]);
      if (!SettleIntersection(d1, d2, p1, p2, solution)) return 0;
      out.x = solution.x;
      out.y = solution.y;
      out.z = solution.z;
      return 1;
    }
  }
  return 0;
}

double SquareQuad(double a, double b, double c, double d) {
  const double s = (a + b + c + d) / 2.0;
  return std::sqrt((s - a) * (s - b) * (s - c) * (s - d));
}

double SquareQuad(SPointD p1, SPointD p2, SPointD p3, SPointD p4) {
  return SquareQuad(Distance(p1, p2), Distance(p2, p3), Distance(p3, p4),
                    Distance(p4, p1));
}

double SquareTriangle(SPointD p1, SPointD p2, SPointD p3) {
  return SquareQuad(Distance(p1, p2), Distance(p2, p3), Distance(p3, p1), 0.0);
}
