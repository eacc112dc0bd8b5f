// matrix - bends: fitting a circular arc into a polyline corner, tracing it
// in model space and on the screen, tangent points, and splitting a bend at
// an inserted node.
#include <afx.h>
#include <matrix/geometry.h>

#include <cmath>
#include <vector>

#include "geometry/internal.h"

using matrix::detail::kPi;

namespace {

// Legs whose directions make sin^2 of their angle at most this are a
// straight run or a fold-back, where no bend fits.
constexpr double kArcParallel = 1e-7;
// The same for a single tangent point, which the hosts ask for on legs
// drawn less precisely.
constexpr double kSideParallel = 3.045e-6;
// A corner whose cosine reaches 1 - 2^-52 is folded back completely.
constexpr double kSideFoldedCos = 0.9999999999999998;

// A per-call work array of n zeroed points. Exhausted memory is reported
// as the framework reports it.
std::vector<SPointD> WorkPoints(int n) {
  return matrix::platform::WithFrameworkMemory(
      [n] { return std::vector<SPointD>(static_cast<std::size_t>(n)); });
}

// The construction of an arc of radius R in the corner b between the legs
// towards p1 and p2: the corner angle, the tangent points and the centre.
struct ArcFrame {
  double phi = 0.0;
  SPointD t1;
  SPointD t2;
  SPointD centre;
};

// Builds the frame, or returns false for what the arc refuses before any
// point is traced: parallel legs, a zero corner angle, a zero radius, or a
// tangent point or centre that cannot be placed (a point that is not
// finite, say).
bool FrameArc(double R, const SPointD& p1, const SPointD& b, const SPointD& p2,
              ArcFrame& frame) {
  // R = 0 puts both tangent points on the corner; checked here, not left to
  // the tangent points, because a NaN corner angle would let it through.
  if (R == 0.0) return false;
  SPointD q1 = p1;
  SPointD c = b;
  SPointD q2 = p2;
  if (IsParallel(q1, c, c, q2, kArcParallel)) return false;
  const double phi = std::acos(CosAngle(q1, c, q2));
  if (phi == 0.0) return false;
  const double d = R / std::tan(phi / 2.0);
  if (!GetInsidePoint3(&frame.t1, d, q1, c)) return false;
  if (!GetInsidePoint3(&frame.t2, d, q2, c)) return false;
  SPointD mid;
  if (!GetInsidePoint(&mid, 0.5, 0.5, frame.t1, frame.t2)) return false;
  if (!GetOutsidePoint(&frame.centre, R * std::sin(phi / 2.0), c, mid)) {
    return false;
  }
  frame.phi = phi;
  return true;
}

// Whether the evenly spaced trace of n >= 3 points is sure to refuse its
// first interior point once the frame stands: that point is placed at
// R·tan of an angle in (0, pi/2) (n > 3) or at -R·tan of an angle in
// (pi/2, pi) (n = 3) from a tangent point, a negative distance for every
// negative radius.
bool EvenTraceRefused(double R) { return R < 0.0; }

}  // namespace

int InsertArc(double R, SPointD N1, SPointD B, SPointD N2, int n,
              SPointD* out) {
  if (IsParallel(N1, B, B, N2, kArcParallel)) return 0;
  const double cos_phi = CosAngle(N1, B, N2);
  const double s = std::sqrt((1.0 - cos_phi) * 0.5);
  const double c = std::sqrt((cos_phi + 1.0) * 0.5);
  if (c == 0.0) return 0;
  const double t = R * c / s;
  const double l1 = Distance(N1, B);
  if (l1 <= t) return 0;
  const double l2 = Distance(B, N2);
  if (l2 <= t) return 0;
  if (n == 0) return 1;  // only asked whether the bend fits
  // A negative count or a missing buffer would send the tangent points to
  // memory that is not the caller's.
  if (n < 0 || out == nullptr) return 0;
  GetInsidePoint(out, t, l1 - t, B, N1);
  GetInsidePoint(&out[n - 1], t, l2 - t, B, N2);
  if (n == 2) return 1;
  return TraceArc(R, out[0], B, out[n - 1], nullptr, n, out, nullptr);
}

int TraceArc(double R, SPointD& P1, SPointD& B, SPointD& P2, double* angles,
             int n, SPointD* out, SPointD* centre) {
  if (n < 3 || out == nullptr) return 0;
  // P1 and P2 may be out[0] and out[n-1]: the frame reads them before
  // anything is written.
  ArcFrame frame;
  if (!FrameArc(R, P1, B, P2, frame)) return 0;
  SPointD b = B;
  const double phi = frame.phi;
  SPointD t1 = frame.t1;
  SPointD t2 = frame.t2;
  SPointD z = frame.centre;
  if (centre != nullptr) *centre = z;
  out[0] = t1;
  out[n - 1] = t2;
  const double arc = kPi - phi;
  const double step = arc / (n - 1);
  double running = step;
  for (int i = 1; i <= n - 2; ++i) {
    const double theta = angles != nullptr ? angles[i - 1] : running;
    running += step;
    SPointD q;
    double t;
    int placed;
    if (arc / 2.0 > theta) {
      t = R * std::tan(theta);
      if (angles != nullptr && t < 0.0) t = 0.0;
      placed = GetInsidePoint2(q, t, t1, b);
    } else {
      t = -R * std::tan(theta + phi);
      if (angles != nullptr && t < 0.0) t = 0.0;
      placed = GetInsidePoint2(q, t, t2, b);
    }
    if (!placed) return 0;
    if (!GetInsidePoint2(out[i], R, z, q)) return 0;
  }
  return 1;
}

int InsertArc(double R, SPointD N1, SPointD B, SPointD N2, int n, CPoint* pts,
              double scale, SEilerang* view) {
  // Everything the model form refuses before tracing is checked before the
  // work array is allocated, so that a refusal never costs memory: the fit
  // (n = 0 asks only that), n = 1, and for n >= 3 the arc's frame between
  // the tangent points.
  if (n < 0 || n == 1) return 0;
  if (!InsertArc(R, N1, B, N2, 0, nullptr)) return 0;
  if (n >= 3) {
    SPointD ends[2];
    InsertArc(R, N1, B, N2, 2, ends);
    ArcFrame frame;
    if (!FrameArc(R, ends[0], B, ends[1], frame) || EvenTraceRefused(R)) {
      return 0;
    }
  }
  std::vector<SPointD> work = WorkPoints(n);
  const int done = InsertArc(R, N1, B, N2, n, work.data());
  if (done) {
    for (int i = 0; i < n; ++i) {
      const SPointI s = PointXYZ(&work[i], scale, view);
      pts[i] = CPoint(s.x, s.y);
    }
  }
  return done;
}

int TraceArc(double R, SPointD P1, SPointD B, SPointD P2, int n, CPoint* pts,
             double scale, SEilerang* view) {
  // What the model form refuses is checked before the work array is
  // allocated, so that a refusal never costs memory.
  if (n < 3) return 0;
  ArcFrame frame;
  if (!FrameArc(R, P1, B, P2, frame) || EvenTraceRefused(R)) return 0;
  std::vector<SPointD> work = WorkPoints(n);
  const int done = TraceArc(R, P1, B, P2, nullptr, n, work.data(), nullptr);
  if (done) {
    for (int i = 0; i < n; ++i) {
      if (scale != 0.0 && view != nullptr) {
        const SPointI s = PointXYZ(&work[i], scale, view);
        pts[i] = CPoint(s.x, s.y);
      } else {
        pts[i] = CPoint(matrix::detail::RoundHalfDown(work[i].x),
                        matrix::detail::RoundHalfDown(work[i].y));
      }
    }
  }
  return done;
}

int GetPointOnSide(double R, SPointD N1, SPointD B, SPointD N2, int side,
                   SPointD* out) {
  if (IsParallel(N1, B, B, N2, kSideParallel)) return 0;
  const double cos_phi = CosAngle(N1, B, N2);
  if (cos_phi >= kSideFoldedCos) return 0;
  const double t =
      (R / std::sqrt((1.0 - cos_phi) * 0.5)) * std::sqrt((1.0 + cos_phi) * 0.5);
  if (side != 0) {
    const double l = Distance(B, N2);
    if (l <= t) return 0;
    GetInsidePoint(out, t, l - t, B, N2);
  } else {
    const double l = Distance(N1, B);
    if (l <= t) return 0;
    GetInsidePoint(out, t, l - t, B, N1);
  }
  return 1;
}

int GetPointsByInsertNodeInBend(double s, double R, SPointD N1, SPointD B,
                                SPointD N2, double& dist1, double& dist2,
                                SPointD& newCorner1, SPointD& newCorner2,
                                SPointD& node, SPointD* centre) {
  const double phi = std::acos(CosAngle(N1, B, N2));
  const double beta = kPi - phi;
  const double t = std::tan(beta / 2.0) * R;
  const double l1 = Distance(N1, B);
  SPointD t1;
  GetInsidePoint(&t1, l1 - t, t, N1, B);
  const double l2 = Distance(N2, B);
  SPointD t2;
  GetInsidePoint(&t2, l2 - t, t, N2, B);
  SPointD mid;
  GetInsidePoint(&mid, 0.5, 0.5, t1, t2);
  SPointD z;
  GetOutsidePoint(&z, std::cos(beta / 2.0) * R, B, mid);
  if (centre != nullptr) *centre = z;
  const double gamma = s / R;
  const double e = std::sin(gamma) * R / std::cos(beta / 2.0 - gamma);
  SPointD x;
  GetInsidePoint(&x, e, Distance(t1, t2) - e, t1, t2);
  SPointD on_arc;
  GetOutsidePoint(&on_arc, R - Distance(z, x), z, x);
  // The outputs are written last, so that none of them can alias a value
  // still needed.
  const double d1 = Distance(t1, on_arc);
  const double h1 = R * d1 / std::sqrt(4.0 * R * R - d1 * d1);
  const double run1 = (l1 - t) + h1;
  SPointD corner1;
  GetInsidePoint(&corner1, run1, t - h1, N1, B);
  const double d2 = Distance(t2, on_arc);
  const double h2 = R * d2 / std::sqrt(4.0 * R * R - d2 * d2);
  const double run2 = (l2 - t) + h2;
  SPointD corner2;
  GetInsidePoint(&corner2, run2, t - h2, N2, B);
  dist1 = run1;
  dist2 = run2;
  newCorner1 = corner1;
  newCorner2 = corner2;
  node = on_arc;
  return 1;
}
