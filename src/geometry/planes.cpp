// matrix - heights above a plan position: on the plane through three points
// and on the soil surface through three raised points.
#include <matrix/geometry.h>

#include <cmath>

#include "geometry/internal.h"

using matrix::detail::kGeomEpsilon;

namespace {

// Soil points closer than this (plan coordinates, 3-D distances, heights,
// in the host's unit) are taken as one: survey data carries no finer
// detail, and the fallbacks must not hinge on rounding.
constexpr double kSoilCoincide = 1e-10;

double PlanDistance(double x0, double y0, double x1, double y1) {
  return Distance(SPointD(x0, y0, 0.0), SPointD(x1, y1, 0.0));
}

// A survey point with the depth added to it (the raised point).
struct SoilPoint {
  SPointD p;     // the survey point
  double depth;  // the depth to add to its height
  SPointD Raised() const { return SPointD(p.x, p.y, p.z + depth); }
};

// The three survey points by role when they do not span a plane: the two
// farthest apart carry the plan line (`end0`, `end1`), `third` is the one
// left over. Ties keep the second and third given points as the line.
struct SoilLine {
  const SoilPoint* end0;
  const SoilPoint* end1;
  const SoilPoint* third;
};

SoilLine FarthestPair(const SoilPoint (&s)[3]) {
  const double d01 = Distance(s[0].p, s[1].p);
  const double d02 = Distance(s[0].p, s[2].p);
  const double d12 = Distance(s[1].p, s[2].p);
  if (d01 > std::fmax(d02, d12)) return {&s[0], &s[1], &s[2]};
  if (d02 > std::fmax(d01, d12)) return {&s[0], &s[2], &s[1]};
  return {&s[1], &s[2], &s[0]};
}

// True when the three raised points stand at one plan position.
bool AtOnePlanPosition(const SPointD& q0, const SPointD& q1,
                       const SPointD& q2) {
  return std::fabs(q1.x - q0.x) < kSoilCoincide &&
         std::fabs(q1.y - q0.y) < kSoilCoincide &&
         std::fabs(q2.x - q0.x) < kSoilCoincide &&
         std::fabs(q2.y - q0.y) < kSoilCoincide;
}

// A horizontal vector (dx, dy) across the plan line from `a` to `b`, at
// least 1 long; false when the two coincide in plan.
bool AcrossLine(const SPointD& a, const SPointD& b, double& dx, double& dy) {
  const double dir_x = a.x - b.x;
  const double dir_y = a.y - b.y;
  if (std::fabs(dir_x) > kGeomEpsilon) {
    dx = -dir_y / dir_x;
    dy = 1.0;
    return true;
  }
  if (std::fabs(dir_y) > kGeomEpsilon) {
    dx = 1.0;
    dy = -dir_x / dir_y;
    return true;
  }
  return false;
}

// The height at (x, y) of the plane through three points, less `ref`.
bool DepthOnPlane(double x, double y, double ref, SPointD& a, SPointD& b,
                  SPointD& c, double& z) {
  if (!GetZForPointOnPlain(x, y, a, b, c, z)) return false;
  z = z - ref;
  return true;
}

}  // namespace

int GetZForPointOnPlain(double x, double y, SPointD& P0, SPointD& P1,
                        SPointD& P2, double& z) {
  // Copies first: z may be a coordinate of one of the points.
  const SPointD p0 = P0;
  const SPointD p1 = P1;
  const SPointD p2 = P2;
  z = 0.0;
  const SPointD u(p1.x - p0.x, p1.y - p0.y, p1.z - p0.z);
  const SPointD w(p2.x - p0.x, p2.y - p0.y, p2.z - p0.z);
  const double nx = u.y * w.z - u.z * w.y;
  const double ny = u.z * w.x - u.x * w.z;
  const double nz = u.x * w.y - u.y * w.x;
  // A vertical plane has no height at a plan position; three coincident or
  // collinear points span no plane at all.
  if (std::fabs(nz) < kGeomEpsilon) return 0;
  const double p0n = p0.x * nx + p0.y * ny + p0.z * nz;
  z = (p0n - nx * x - ny * y) / nz;
  return 1;
}

int GetZForPointOnPlainForSoil(double x, double y, double ref, SPointD& P0,
                               double d0, SPointD& P1, double d1, SPointD& P2,
                               double d2, double& z) {
  const SoilPoint s[3] = {{P0, d0}, {P1, d1}, {P2, d2}};
  SPointD q0 = s[0].Raised();
  SPointD q1 = s[1].Raised();
  SPointD q2 = s[2].Raised();
  if (DepthOnPlane(x, y, ref, q0, q1, q2, z)) return 1;
  // All three at one plan position: the third point's raised height.
  if (AtOnePlanPosition(q0, q1, q2)) {
    z = s[2].p.z + s[2].depth - ref;
    return 1;
  }
  // The points lie on one plan line: a surface sloping across it, built on
  // the farthest pair and the third point.
  const SoilLine line = FarthestPair(s);
  double dx;
  double dy;
  if (!AcrossLine(line.end0->p, line.end1->p, dx, dy)) {
    return 0;  // z = 0 from the plane test above
  }
  // On the plan segment end0-third the slope towards the third point
  // starts at end0, elsewhere at end1.
  const SPointD& e0 = line.end0->p;
  const SPointD& t = line.third->p;
  const double a = PlanDistance(x, y, e0.x, e0.y);
  const double b = PlanDistance(x, y, t.x, t.y);
  const double e = PlanDistance(e0.x, e0.y, t.x, t.y);
  const SoilPoint& from =
      std::fabs(a + b - e) < kSoilCoincide ? *line.end0 : *line.end1;
  const SPointD f = from.Raised();
  SPointD across(f.x + dx, f.y + dy, f.z);
  SPointD at(f.x, f.y, f.z);
  SPointD third = line.third->Raised();
  SPointD opposite(f.x - dx, f.y - dy, f.z);
  if (DepthOnPlane(x, y, ref, across, at, third, z)) return 1;
  // The third point lies in plan on `from` (or on the point opposite): the
  // plane through the other raised point, `opposite` and the third; failing
  // that, level surfaces at the one height there is.
  auto fallback = [&](SPointD& other, double level) {
    if (DepthOnPlane(x, y, ref, other, opposite, third, z)) return 1;
    if (std::fabs(other.z - opposite.z) < kSoilCoincide &&
        std::fabs(third.z - opposite.z) < kSoilCoincide) {
      z = level - ref;
      return 1;
    }
    return 0;
  };
  if (Distance(at, third) < kSoilCoincide) {
    return fallback(across, line.end0->p.z + line.end0->depth);
  }
  if (Distance(across, third) < kSoilCoincide) {
    return fallback(at, line.end1->p.z + line.end1->depth);
  }
  return 0;
}
