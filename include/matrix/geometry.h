/// \file
/// \ingroup lib_geometry
/// \brief Geometry: points and vectors, view rotation and projection, bends,
/// planes and soil, screen figures.
#ifndef MATRIX_GEOMETRY_H_
#define MATRIX_GEOMETRY_H_

/// \defgroup lib_geometry Geometry (geometry.h)
/// \ingroup libmatrix
/// \brief Geometry: points and vectors, view rotation and projection, bends,
/// planes and soil, screen figures.
///
/// Interface rules: the names, argument lists, results and codes below are
/// the binary interface host programs call and are kept as they are.
///
/// Model coordinates are doubles in the host's length unit, z vertical;
/// screen coordinates are ints, y growing downwards. Functions returning int
/// return 1 for true or success and 0 for false or refusal; functions
/// returning double have no failure value (degenerate input gives infinities
/// or NaN). Functions that write a result point write only its x, y, z.
/// Comparisons use the absolute tolerance 2^-52 unless a comment names
/// another. Every screen coordinate is rounded to the nearest int with exact
/// halves going down (2.5 -> 2, -2.5 -> -3); values beyond the int range
/// saturate at INT_MIN or INT_MAX and NaN rounds to 0.
///
/// Range of magnitudes: lengths, normalisation, cross products and the
/// parallel, perpendicular and angle tests square coordinates, so they hold
/// for coordinates and differences between about 1e-154 and 1e154 in
/// magnitude. Beyond that the squares overflow or underflow: for example
/// Normalization((1e200, 0, 0)) gives (0, 0, 0), IsParallel((1e200, 0, 0),
/// (0, 1e200, 0), 0.1) gives 1 and CosAngle gives NaN. Pipeline coordinates
/// stay far inside the range. A direction shorter than 2^-52 counts as zero:
/// Normalization leaves it as it is, IsPerpendicular finds it perpendicular
/// to every direction, and IsParallel parallel to every direction for any
/// tol >= 2^-104 (the zero direction for any tol >= 0).
/// @{

#include <afxwin.h>
#include <matrix/export.h>

#include <cstddef>
#include <cstdint>

/// \name Points and vectors
/// @{

/// A point or vector in model space. The 24 bytes after z belong to the host:
/// the library never reads, writes, initialises or copies them, so arrays of
/// SPointD have a stride of 48 bytes. Copying copies x, y, z only.
struct SPointD {
  double x;                    ///< x coordinate
  double y;                    ///< y coordinate
  double z;                    ///< z coordinate, vertical
  unsigned char reserved[24];  ///< the host's; never touched

  SPointD() {
    z = 0.0;
    y = 0.0;
    x = 0.0;
  }
  /// The point (x0, y0, z0).
  SPointD(double x0, double y0, double z0) {
    x = x0;
    y = y0;
    z = z0;
  }
  /// Lifts an integer screen point: (x0, y0, 0).
  SPointD(int x0, int y0) {
    x = static_cast<double>(x0);
    y = static_cast<double>(y0);
    z = 0.0;
  }
  /// \copydoc SPointD::SPointD(int, int)
  SPointD(const SPointD& o) {
    x = o.x;
    y = o.y;
    z = o.z;
  }
  /// \copydoc SPointD::SPointD(int, int)
  void operator=(const SPointD& o) {
    x = o.x;
    y = o.y;
    z = o.z;
  }
  /// 0 gives x, 1 gives y, any other index gives z.
  double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  /// \copydoc SPointD::operator[](int)
  const double& operator[](int i) const {
    return i == 0 ? x : (i == 1 ? y : z);
  }
};

static_assert(sizeof(SPointD) == 48, "SPointD arrays have a 48-byte stride");
static_assert(offsetof(SPointD, x) == 0 && offsetof(SPointD, y) == 8 &&
                  offsetof(SPointD, z) == 16 &&
                  offsetof(SPointD, reserved) == 24,
              "SPointD layout is shared with hosts");

/// Normalises `v` in place to unit length and returns a copy of it. A vector
/// shorter than 2^-52 (zero included) or within 2^-52 of unit length is left
/// as it is.
MATRIX_API SPointD Normalization(SPointD& v);

/// out = a x b (right-handed cross product). With `normalize` the copies of
/// a and b are normalised first; the result itself is never normalised.
MATRIX_API void GetVectorProduct(SPointD& out, SPointD a, SPointD b,
                                 bool normalize);
/// out = (p2 - p1) x (p4 - p3), as the two-vector form.
MATRIX_API void GetVectorProduct(SPointD& out, SPointD& p1, SPointD& p2,
                                 SPointD& p3, SPointD& p4, bool normalize);

/// 1 when the directions p2 - p1 and p4 - p3 are parallel or antiparallel:
/// tol bounds the square of the sine of the angle between them. A direction
/// of zero length counts as parallel to everything (for tol >= 0).
MATRIX_API int IsParallel(SPointD& p1, SPointD& p2, SPointD& p3, SPointD& p4,
                          double tol);
/// The same for the directions a and b.
MATRIX_API int IsParallel(const SPointD& a, const SPointD& b, double tol);

/// 1 when |cos| of the angle between a and b is below 2^-52.
MATRIX_API int IsPerpendicular(SPointD a, SPointD b);

/// Length of v.
MATRIX_API double Distance(const SPointD& v);
/// Distance between the points a and b.
MATRIX_API double Distance(const SPointD& a, const SPointD& b);
/// Distance from p to the line through a and b; NaN when a == b.
MATRIX_API double Distance(SPointD& a, SPointD& b, SPointD& p);

/// *out = the point that divides p1 -> p2 in the ratio a : b (a next to p1),
/// (b*p1 + a*p2) / (a + b). Returns 0 when out is null (nothing written) or
/// a + b == 0 (*out = 0, 0, 0).
MATRIX_API int GetInsidePoint(SPointD* out, double a, double b, SPointD p1,
                              SPointD p2);
/// out = the point at distance d from p1 towards p2 (beyond p2 when d > |p1 -
/// p2|). Returns 0 with out = (0, 0, 0) when d < 0, p1 == p2 or |p1 - p2| is
/// not finite (a coordinate that is not). out may be p1 or p2.
MATRIX_API int GetInsidePoint2(SPointD& out, double d, SPointD& p1,
                               SPointD& p2);
/// *out = the point at distance d from p2 towards p1 (negative d: beyond p2).
/// Returns 0 when out is null (nothing written), or d == 0, p1 == p2 or
/// |p1 - p2| is not finite (*out = 0, 0, 0).
MATRIX_API int GetInsidePoint3(SPointD* out, double d, SPointD p1, SPointD p2);
/// *out = the point on the extension of p1 -> p2 at distance d beyond p2
/// (negative d: back towards p1). Returns 0 when out is null (nothing
/// written), or p1 == p2 or |p1 - p2| is not finite (*out = 0, 0, 0).
MATRIX_API int GetOutsidePoint(SPointD* out, double d, SPointD p1, SPointD p2);

/// Cosine of the angle at the vertex p2 of p1 p2 p3, by the law of cosines,
/// clamped to [-1, 1]; 0.0 when p1 == p2 or p2 == p3.
MATRIX_API double CosAngle(SPointD& p1, SPointD& p2, SPointD& p3);
/// Cosine of the angle between the vectors a and b (not clamped); 0 when
/// either is zero.
MATRIX_API double CosAngle(SPointD a, SPointD b);
/// Sine (>= 0) of the angle between the direction u and the plane spanned by
/// a and b; NaN when a and b are parallel.
MATRIX_API double SinAngleLP(SPointD u, SPointD a, SPointD b);
/// Cosine (>= 0) of the angle between the plane spanned by a1, b1 and the
/// plane spanned by a2, b2; NaN when either pair is parallel. The arguments
/// are not changed.
MATRIX_API double CosAngleLP(SPointD& a1, SPointD& b1, SPointD& a2,
                             SPointD& b2);

/// 1 when p lies on the segment a-b: | |a-p| + |p-b| - |a-b| | < 2^-52.
MATRIX_API int PtInSegment(SPointD p, SPointD a, SPointD b);

/// 1 when p lies within radius r (+2^-52) of the axis through a and b and,
/// when `bounded`, between the planes through a and b across the axis.
/// *dist (when dist is not null) receives the distance from p to the axis,
/// also when the result is 0.
MATRIX_API int PtInCylinder(SPointD& p, SPointD& a, SPointD& b, double r,
                            bool bounded, double* dist);

/// The parameter t at which the line base + t*dir meets the plane through
/// onPlane with the normal vector `normal`; infinite or NaN when the line is
/// parallel to the plane.
MATRIX_API double GetIntersectParameter(SPointD& dir, SPointD& normal,
                                        SPointD& base, SPointD& onPlane);

/// out = the intersection of the line through p1 with direction d1 and the
/// line through p2 with direction d2. Returns 0, leaving out alone, when the
/// directions are parallel (sin^2 <= 3.045e-7), the lines are skew
/// (|(p2 - p1) . (d1 x d2)| > 1e-4) or no set of equations solves. The
/// solution is checked on both lines: when it is farther from line 1 than
/// the lines' own distance g, or from line 2 than 16·g, by more than 2^-26
/// times the largest coordinate magnitude (of p1, p2 and the solution), it
/// is replaced by the midpoint of the lines' points of closest approach;
/// 0 when even that is farther than g plus that margin from either line
/// (coordinates that are not finite, say).
MATRIX_API int GetIntersectLines(SPointD& d1, SPointD& d2, SPointD& p1,
                                 SPointD& p2, SPointD& out);

/// Area of a quadrilateral inscribed in a circle from its four sides
/// (Brahmagupta; an approximation for other quadrilaterals). NaN when the
/// sides cannot form one.
MATRIX_API double SquareQuad(double a, double b, double c, double d);
/// The same on the sides |p1-p2|, |p2-p3|, |p3-p4|, |p4-p1|.
MATRIX_API double SquareQuad(SPointD p1, SPointD p2, SPointD p3, SPointD p4);
/// Area of the triangle p1 p2 p3 (Heron).
MATRIX_API double SquareTriangle(SPointD p1, SPointD p2, SPointD p3);
/// @}

/// \name Euler rotation and projection
/// @{

/// The view of a 3-D drawing: Euler angles in degrees (theta tilts about the
/// x axis, psi turns about the vertical z axis, phi rotates about the z
/// axis) and the screen position (x0, y0) of the model origin.
struct SEilerang {
  double theta;  ///< tilt about the x axis, degrees
  double psi;    ///< turn about the vertical z axis, degrees
  double phi;    ///< rotation about the z axis, degrees
  double x0;     ///< screen x of the model origin
  double y0;     ///< screen y of the model origin
};

static_assert(sizeof(SEilerang) == 40, "SEilerang is five doubles");

/// An integer screen point; z is the depth along the viewing direction.
struct SPointI {
  std::int32_t x;  ///< screen x
  std::int32_t y;  ///< screen y, growing downwards
  std::int32_t z;  ///< depth along the viewing direction

  SPointI() {
    z = 0;
    y = 0;
    x = 0;
  }
};

static_assert(sizeof(SPointI) == 12 && offsetof(SPointI, y) == 4 &&
                  offsetof(SPointI, z) == 8,
              "SPointI is three 32-bit ints");

/// out[0..8] (row-major 3x3) = M = Rz(psi) Rx(theta) Rz(phi) of the view.
/// Degrees are turned into radians with the factor 0.017453292519944444.
MATRIX_API void MatrixEiler(SEilerang* view, double* out);
/// out = M Q, Q with rows (1, 0, 0), (0, 0, 1), (0, -1, 0): the vertical and
/// depth axes exchanged.
MATRIX_API void MatrixEiler2(SEilerang* view, double* out);
/// out = the transpose (inverse) of M.
MATRIX_API void MatrixEilerBack(SEilerang* view, double* out);
/// out = the transpose (inverse) of M Q: model to screen.
MATRIX_API void MatrixEilerBack2(SEilerang* view, double* out);

/// Projects the model point *p to the screen: each component of
/// MatrixEilerBack2 * p is scaled (screen units per model unit), shifted by
/// (x0, y0, 0) and rounded. With all angles 0: (x, -z, y) * scale + origin.
MATRIX_API SPointI PointXYZ(SPointD* p, double scale, SEilerang* view);
/// Maps the screen point *s (depth included) back to model space; the
/// inverse of the form above up to its rounding. scale 0 gives inf or NaN.
MATRIX_API SPointD PointXYZ(SPointI* s, double scale, SEilerang* view);
/// @}

/// \name Arcs and bends
///
/// A bend of radius R replaces the corner B of a polyline N1 -> B -> N2 by a
/// circular arc tangent to both legs at the tangent points T1 (on B-N1) and
/// T2 (on B-N2), each at distance R*cot(phi/2) from B, phi being the corner
/// angle. Legs count as parallel (straight run or fold-back) when the square
/// of the sine of their angle is at most 1e-7 (InsertArc, TraceArc) or
/// 3.045e-6 (GetPointOnSide).
/// @{

/// Writes n points along the bend at B into out: out[0] = T1, out[n-1] = T2
/// and n - 2 points evenly spaced in angle between them. n = 0 only tests
/// that the bend fits and writes nothing. Returns 0 for parallel legs, a
/// bend that does not fit strictly inside both legs, n = 1, n < 0 or a null
/// out (n > 0). When the arc itself cannot be traced, out[0] and out[n-1]
/// keep the tangent points.
MATRIX_API int InsertArc(double R, SPointD N1, SPointD B, SPointD N2, int n,
                         SPointD* out);
/// The same as screen points: each point projected by PointXYZ with scale and
/// *view (which must be valid), depth dropped. pts is untouched on refusal.
MATRIX_API int InsertArc(double R, SPointD N1, SPointD B, SPointD N2, int n,
                         CPoint* pts, double scale, SEilerang* view);

/// Fills out[0..n-1] with points along the arc of radius R in the corner B;
/// P1 and P2 give only the directions of the legs (they may be out[0] and
/// out[n-1]). angles (null: evenly spaced) holds the n - 2 angles in radians
/// of the interior points, measured at the centre from T1; angles outside
/// 0 .. pi - phi give T1 or T2. *centre (when not null) receives the centre.
/// Returns 0 when n < 3, out is null, the legs are parallel, R = 0, or an
/// interior point fails (the points written so far stay).
MATRIX_API int TraceArc(double R, SPointD& P1, SPointD& B, SPointD& P2,
                        double* angles, int n, SPointD* out, SPointD* centre);
/// The same as screen points, evenly spaced: projected by PointXYZ when
/// scale != 0 and view is not null, else the model x and y rounded (a plan
/// view). pts is untouched on refusal.
MATRIX_API int TraceArc(double R, SPointD P1, SPointD B, SPointD P2, int n,
                        CPoint* pts, double scale, SEilerang* view);

/// *out = the tangent point of a bend of radius R at B on the leg towards N2
/// (side != 0) or towards N1 (side == 0). Returns 0 for parallel legs, a
/// corner cosine >= 1 - 2^-52, or a tangent length not shorter than the leg.
/// Returns 1 without writing when out is null.
MATRIX_API int GetPointOnSide(double R, SPointD N1, SPointD B, SPointD N2,
                              int side, SPointD* out);

/// Inserts a node on the arc of the bend at B, at arc length s from T1, and
/// splits the bend into two bends of radius R: node, the new corners on the
/// legs (at distances dist1 from N1 and dist2 from N2) and, when centre is
/// not null, the old bend's centre. Validates nothing and returns 1:
/// REQUIRES a real bend that fits both legs and 0 <= s <= arc length.
MATRIX_API int GetPointsByInsertNodeInBend(double s, double R, SPointD N1,
                                           SPointD B, SPointD N2, double& dist1,
                                           double& dist2, SPointD& newCorner1,
                                           SPointD& newCorner2, SPointD& node,
                                           SPointD* centre);
/// @}

/// \name Planes and soil surface
/// @{

/// z = the height at the plan position (x, y) of the plane through P0, P1,
/// P2. Returns 0 with z = 0 when the plane is vertical or undefined (normal's
/// z component below 2^-52).
MATRIX_API int GetZForPointOnPlain(double x, double y, SPointD& P0, SPointD& P1,
                                   SPointD& P2, double& z);

/// z = the height at (x, y) of the soil surface through the points Pi raised
/// by di, minus ref. When the raised points span no usable plane it falls
/// back to: the third point's raised height (all at one plan position); a
/// surface along the line to the third point, level across it; a level
/// surface at one end's raised height. Returns 0 with z = 0 when all fail.
MATRIX_API int GetZForPointOnPlainForSoil(double x, double y, double ref,
                                          SPointD& P0, double d0, SPointD& P1,
                                          double d1, SPointD& P2, double d2,
                                          double& z);
/// @}

/// \name Screen figures
/// @{

/// n points of the ellipse inscribed in the rectangle with the consecutive
/// corners p1, p2, p3, counter-clockwise on the screen from the direction of
/// p4 to that of p5 (p4 == p5: the whole ellipse, first point repeated).
/// Returns 0 when n < 3 (nothing written).
MATRIX_API int TraceEllipse(CPoint p1, CPoint p2, CPoint p3, CPoint p4,
                            CPoint p5, int n, CPoint* out);
/// n points of the ellipse inscribed in the axis-parallel rect, starting in
/// the direction of p4 and sweeping counter-clockwise to that of p5 (a whole
/// turn when p4 == p5). Returns 0 when n < 3 (nothing written). p4 at the
/// centre has no direction: every point is then (0, 0).
MATRIX_API int FTraceEllipse(CRect rect, CPoint p4, CPoint p5, int n,
                             CPoint* out);

/// The four corners, in order around the band, of the band of half-width w
/// around the segment a-b: c1 at a and c4 at b on the side of the normal
/// (b.y - a.y, a.x - b.x), c2 at a and c3 at b on the other side. Null
/// pointers are skipped. a == b has no band: the corners are then (0, 0).
MATRIX_API void RectShell(CPoint* c1, CPoint* c2, CPoint* c3, CPoint* c4,
                          CPoint a, CPoint b, int w);

/// Rotates pts[0..count-1] in place by `angle` radians about centre (the
/// plain rotation formulas on screen coordinates: clockwise on the screen).
/// count <= 0 does nothing. Returns 1.
MATRIX_API int RotatePoints(CPoint* pts, int count, CPoint centre,
                            double angle);

/// 1 when pt lies within tol of the polyline pts[0..count-1]: within tol of
/// a segment's line and no farther from either end than the segment is long.
/// 0 otherwise, also for count < 2; zero-length segments never hit.
MATRIX_API int DistancePointToPoints(CPoint pt, CPoint* pts, int count,
                                     double tol);

/// Draws the outline of r on dc: move to (left, top), lines to (right, top),
/// (right, bottom), (left, bottom) and back to (left, top). A null dc draws
/// nothing.
MATRIX_API void FrameRect(CDC* dc, CRect& r);

/// Records available widths in a table of six tracks per unit (track k of
/// unit u at table[6u + k]) for the unit pair b, e: from each track of the
/// lower unit the run to the end of the higher one, from each track of the
/// higher unit the run to its end; entries only grow. Leaves the table
/// unchanged when it is null, units <= 0 or > INT_MAX / 6, or b or e lies
/// outside 0 .. units-1.
MATRIX_API void GetMaxWidth(int* table, int units, int b, int e);
/// @}

/// @}

#endif  // MATRIX_GEOMETRY_H_
