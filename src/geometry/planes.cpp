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
  const SPointD p[3] = {P0, P1, P2};
  const double h[3] = {d0, d1, d2};
  SPointD q0(p[0].x, p[0].y, p[0].z + h[0]);
  SPointD q1(p[1].x, p[1].y, p[1].z + h[1]);
  SPointD q2(p[2].x, p[2].y, p[2].z + h[2]);
  if (GetZForPointOnPlain(x, y, q0, q1, q2, z)) {
    z = z - ref;
    return 1;
  }
  // All three at one plan position: the third point's raised height.
  const double ux = q1.x - q0.x;
  const double uy = q1.y - q0.y;
  const double wx = q2.x - q0.x;
  const double wy = q2.y - q0.y;
  if (std::fabs(ux) < kSoilCoincide && std::fabs(uy) < kSoilCoincide &&
      std::fabs(wx) < kSoilCoincide && std::fabs(wy) < kSoilCoincide) {
    z = p[2].z + h[2] - ref;
    return 1;
  }
  // The plan line runs between the two given points farthest apart; ties
  // take P1 and P2.
  const double d01 = Distance(p[0], p[1]);
  const double d02 = Distance(p[0], p[2]);
  const double d12 = Distance(p[1], p[2]);
  int i0 = 1;
  int i1 = 2;
  int i2 = 0;
  if (d01 > std::fmax(d02, d12)) {
    i0 = 0;
    i1 = 1;
    i2 = 2;
  } else if (d02 > std::fmax(d01, d12)) {
    i0 = 0;
    i1 = 2;
    i2 = 1;
  }
  const SPointD& s0 = p[i0];
  const SPointD& s1 = p[i1];
  const SPointD& s2 = p[i2];
  const double h0 = h[i0];
  const double h1 = h[i1];
  const double h2 = h[i2];
  // A horizontal vector across the plan line, at least 1 long.
  const double dir_x = s0.x - s1.x;
  const double dir_y = s0.y - s1.y;
  double dx;
  double dy;
  if (std::fabs(dir_x) > kGeomEpsilon) {
    dx = -dir_y / dir_x;
    dy = 1.0;
  } else if (std::fabs(dir_y) > kGeomEpsilon) {
    dx = 1.0;
    dy = -dir_x / dir_y;
  } else {
    return 0;  // z = 0 from the plane test above
  }
  // On the plan segment S0-S2 the slope towards S2 starts at S0, elsewhere
  // at S1.
  const double a = PlanDistance(x, y, s0.x, s0.y);
  const double b = PlanDistance(x, y, s2.x, s2.y);
  const double e = PlanDistance(s0.x, s0.y, s2.x, s2.y);
  const bool on_first = std::fabs(a + b - e) < kSoilCoincide;
  const SPointD& s = on_first ? s0 : s1;
  const double hs = on_first ? h0 : h1;
  SPointD r0(s.x + dx, s.y + dy, s.z + hs);
  SPointD r1(s.x, s.y, s.z + hs);
  SPointD r2(s2.x, s2.y, s2.z + h2);
  SPointD k(s.x - dx, s.y - dy, s.z + hs);
  if (GetZForPointOnPlain(x, y, r0, r1, r2, z)) {
    z = z - ref;
    return 1;
  }
  // S2 lies in plan on S (or on the point opposite): the plane through the
  // other raised point, k and r2; failing that, level surfaces at the one
  // height there is.
  auto fallback = [&](SPointD& p, double level) {
    if (GetZForPointOnPlain(x, y, p, k, r2, z)) {
      z = z - ref;
      return 1;
    }
    if (std::fabs(p.z - k.z) < kSoilCoincide &&
        std::fabs(r2.z - k.z) < kSoilCoincide) {
      z = level - ref;
      return 1;
    }
    return 0;
  };
  if (Distance(r1, r2) < kSoilCoincide) return fallback(r0, s0.z + h0);
  if (Distance(r0, r2) < kSoilCoincide) return fallback(r1, s1.z + h1);
  return 0;
}
