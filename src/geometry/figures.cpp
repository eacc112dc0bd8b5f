// matrix - screen figures: ellipses and elliptic arcs, the band around a
// segment, rotated point sets, hit test against a polyline, outline
// rectangles and the table of available widths.
#include <matrix/geometry.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "geometry/internal.h"

using matrix::detail::OffsetRounded;
using matrix::detail::RoundHalfDown;

namespace {

// A whole turn for the ellipses through three corners.
constexpr double kTurn = 6.283185307179586;
// A whole turn for the axis-parallel ellipses, as their drawings were made
// (12 digits), so that stored figures keep their exact pixels.
constexpr double kTurnAxisParallel = 6.28318530718;
// Tracks per unit of the width table.
constexpr int kTracks = 6;

// The integer midpoint of two ints, truncated towards zero, without the
// overflow of a + b.
int Mid(int a, int b) {
  return static_cast<int>((static_cast<std::int64_t>(a) + b) / 2);
}

// Differences of screen coordinates are taken in double, where they are
// exact and cannot overflow.
double Diff(int a, int b) {
  return static_cast<double>(a) - static_cast<double>(b);
}

}  // namespace

int TraceEllipse(CPoint p1, CPoint p2, CPoint p3, CPoint p4, CPoint p5, int n,
                 CPoint* out) {
  if (n < 3) return 0;
  const int mx = Mid(p1.x, p3.x);
  const int my = Mid(p1.y, p3.y);
  const double a = Distance(SPointD(p1.x, p1.y), SPointD(p2.x, p2.y)) * 0.5;
  const double b = Distance(SPointD(p2.x, p2.y), SPointD(p3.x, p3.y)) * 0.5;
  const double rho = std::atan2(Diff(p1.y, p2.y), Diff(p2.x, p1.x));
  double d;
  double e;
  if (p4 != p5) {
    d = std::atan2(Diff(my, p4.y), Diff(p4.x, mx)) - rho;
    e = std::atan2(Diff(my, p5.y), Diff(p5.x, mx)) - rho;
    // Both lie within two turns of each other: at most two additions.
    while (e <= d) e = e + kTurn;
  } else {
    d = 0.0;
    e = kTurn;
  }
  const double cr = std::cos(rho);
  const double sr = std::sin(rho);
  for (int i = 0; i < n; ++i) {
    const double g = d + i * (e - d) / (n - 1);
    const double r = a * std::cos(g);
    const double t = -b * std::sin(g);
    out[i].x = OffsetRounded(mx, cr * r + sr * t);
    out[i].y = OffsetRounded(my, -r * sr + cr * t);
  }
  return 1;
}

int FTraceEllipse(CRect rect, CPoint p4, CPoint p5, int n, CPoint* out) {
  if (n < 3) return 0;
  const int mx = Mid(rect.left, rect.right);
  const int my = Mid(rect.top, rect.bottom);
  const double rx = Diff(rect.right, rect.left) / 2.0;
  const double ry = Diff(rect.bottom, rect.top) / 2.0;
  double s;
  double f;
  if (p4 != p5) {
    s = std::atan2(Diff(my, p4.y), Diff(p4.x, mx));
    f = std::atan2(Diff(my, p5.y), Diff(p5.x, mx));
    while (f <= s) f = f + kTurnAxisParallel;  // runs at most once
  } else {
    s = 0.0;
    f = kTurnAxisParallel;
  }
  const double dx = Diff(p4.x, mx);
  const double dy = Diff(my, p4.y);
  const double l = std::sqrt(dy * dy + dx * dx);
  for (int i = 0; i < n; ++i) {
    const double theta = i * (f - s) / (n - 1);
    const double ux = (dx * std::cos(theta) - dy * std::sin(theta)) / l;
    const double uy = (dy * std::cos(theta) + dx * std::sin(theta)) / l;
    out[i].x = RoundHalfDown(rx * ux + mx);
    out[i].y = RoundHalfDown(-ry * uy + my);
  }
  return 1;
}

void RectShell(CPoint* c1, CPoint* c2, CPoint* c3, CPoint* c4, CPoint a,
               CPoint b, int w) {
  const double dxp = Diff(a.x, b.x);
  const double dyp = Diff(b.y, a.y);
  const double g =
      static_cast<double>(a.y) * b.x - static_cast<double>(a.x) * b.y;
  const double h = dyp * dyp + dxp * dxp;
  const double root = std::sqrt(h);
  auto corner = [&](CPoint* c, CPoint q, double s) {
    if (c == nullptr) return;
    const double mq = q.y * dyp - q.x * dxp;
    const double shifted = s * root - g;
    c->x = RoundHalfDown((shifted * dyp - mq * dxp) / h);
    c->y = RoundHalfDown((mq * dyp + shifted * dxp) / h);
  };
  const double plus = static_cast<double>(w);
  corner(c1, a, plus);
  corner(c2, a, -plus);
  corner(c3, b, -plus);
  corner(c4, b, plus);
}

int RotatePoints(CPoint* pts, int count, CPoint centre, double angle) {
  const double ca = std::cos(angle);
  const double sa = std::sin(angle);
  for (int i = 0; i < count; ++i) {
    const double dx = Diff(pts[i].x, centre.x);
    const double dy = Diff(pts[i].y, centre.y);
    pts[i].x = OffsetRounded(centre.x, dx * ca - dy * sa);
    pts[i].y = OffsetRounded(centre.y, dx * sa + dy * ca);
  }
  return 1;
}

int DistancePointToPoints(CPoint pt, CPoint* pts, int count, double tol) {
  SPointD p(pt.x, pt.y);
  for (int i = 0; i + 1 < count; ++i) {
    SPointD a(pts[i].x, pts[i].y);
    SPointD b(pts[i + 1].x, pts[i + 1].y);
    if (tol >= Distance(a, b, p)) {
      const double da = Distance(a, p);
      const double db = Distance(b, p);
      const double s = Distance(a, b);
      if (s >= std::max(da, db)) return 1;
    }
  }
  return 0;
}

void FrameRect(CDC* dc, CRect& r) {
  if (dc == nullptr) return;
  dc->MoveTo(r.left, r.top);
  dc->LineTo(r.right, r.top);
  dc->LineTo(r.right, r.bottom);
  dc->LineTo(r.left, r.bottom);
  dc->LineTo(r.left, r.top);
}

void GetMaxWidth(int* table, int units, int b, int e) {
  // Indexes outside the table would write into the caller's other memory;
  // more than INT_MAX tracks cannot be counted in an int.
  if (table == nullptr || units <= 0 || units > INT_MAX / kTracks) return;
  if (b < 0 || b >= units || e < 0 || e >= units) return;
  const int tracks = kTracks * units;
  const int d = (std::abs(e - b) + 1) * kTracks;
  const int lo = std::min(b, e);
  const int hi = std::max(b, e);
  for (int k = 0; k < kTracks; ++k) {
    int t = kTracks * lo + k;
    int v = std::min(d - k, tracks - t);
    if (table[t] < v) table[t] = v;
    t = kTracks * hi + k;
    v = std::min(kTracks - k, tracks - t);
    if (table[t] < v) table[t] = v;
  }
}
