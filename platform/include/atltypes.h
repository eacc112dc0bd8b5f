/// \file
/// \ingroup draw_atltypes
/// \brief The framework's integer value types CSize, CPoint and CRect over
/// Win32's SIZE, POINT and RECT.
#ifndef MATRIX_PLATFORM_ATLTYPES_H_
#define MATRIX_PLATFORM_ATLTYPES_H_

/// \defgroup draw_atltypes atltypes.h: CSize, CPoint, CRect
/// \ingroup draw
/// \brief The framework's integer value types CSize, CPoint and CRect over
/// Win32's SIZE, POINT and RECT.
/// @{

#include <windef.h>

#include <cstdint>

namespace matrix::platform {

/// Sum and difference of coordinates, wrapping round at 32 bits as Win32's
/// arithmetic does, without the undefined behaviour of a signed overflow.
inline LONG WrapAdd(LONG a, LONG b) {
  return static_cast<LONG>(static_cast<std::uint32_t>(a) +
                           static_cast<std::uint32_t>(b));
}
/// \copydoc matrix::platform::WrapAdd(LONG, LONG)
inline LONG WrapSub(LONG a, LONG b) {
  return static_cast<LONG>(static_cast<std::uint32_t>(a) -
                           static_cast<std::uint32_t>(b));
}
/// The midpoint, rounded toward zero, computed without overflow.
inline LONG Mid(LONG a, LONG b) {
  return static_cast<LONG>((static_cast<std::int64_t>(a) + b) / 2);
}

}  // namespace matrix::platform

class CPoint;
class CRect;

/// An extent or offset (cx, cy).
class CSize : public tagSIZE {
 public:
  /// (0, 0).
  CSize() : tagSIZE{0, 0} {}
  /// (cx0, cy0).
  CSize(int cx0, int cy0) : tagSIZE{cx0, cy0} {}
  /// A copy of `size`.
  CSize(SIZE size) : tagSIZE(size) {}  // NOLINT: implicit, as in the framework
  /// (point.x, point.y).
  explicit CSize(POINT point) : tagSIZE{point.x, point.y} {}

  /// Sets (cx0, cy0).
  void SetSize(int cx0, int cy0) {
    cx = cx0;
    cy = cy0;
  }
  /// Comparison with a SIZE, and an exact overload for two CSize values so
  /// that C++20's reversed candidates do not make `a == b` ambiguous.
  bool operator==(SIZE o) const { return cx == o.cx && cy == o.cy; }
  /// \copydoc CSize::operator==(SIZE) const
  bool operator!=(SIZE o) const { return !(*this == o); }
  /// \copydoc CSize::operator==(SIZE) const
  bool operator==(const CSize& o) const { return *this == SIZE(o); }
  /// \copydoc CSize::operator==(SIZE) const
  bool operator!=(const CSize& o) const { return !(*this == o); }
  /// \copydoc CSize::operator==(SIZE) const
  void operator+=(SIZE o) {
    cx = matrix::platform::WrapAdd(cx, o.cx);
    cy = matrix::platform::WrapAdd(cy, o.cy);
  }
  /// \copydoc CSize::operator==(SIZE) const
  void operator-=(SIZE o) {
    cx = matrix::platform::WrapSub(cx, o.cx);
    cy = matrix::platform::WrapSub(cy, o.cy);
  }
  /// \copydoc CSize::operator==(SIZE) const
  CSize operator+(SIZE o) const {
    CSize r(*this);
    r += o;
    return r;
  }
  /// \copydoc CSize::operator==(SIZE) const
  CSize operator-(SIZE o) const {
    CSize r(*this);
    r -= o;
    return r;
  }
  /// \copydoc CSize::operator==(SIZE) const
  CSize operator-() const {
    return CSize(matrix::platform::WrapSub(0, cx),
                 matrix::platform::WrapSub(0, cy));
  }
  /// The point moved by this size (+) or by its negation (-).
  CPoint operator+(POINT point) const;
  /// \copydoc CSize::operator+(POINT) const
  CPoint operator-(POINT point) const;
  /// The rectangle moved by this size (+) or by its negation (-).
  CRect operator+(const RECT* rect) const;
  /// \copydoc CSize::operator+(const RECT*) const
  CRect operator-(const RECT* rect) const;
};

/// An integer point (x, y).
class CPoint : public tagPOINT {
 public:
  /// (0, 0).
  CPoint() : tagPOINT{0, 0} {}
  /// (x0, y0).
  CPoint(int x0, int y0) : tagPOINT{x0, y0} {}
  /// A copy of `point`.
  CPoint(POINT point) : tagPOINT(point) {}  // NOLINT: implicit, as there
  /// (size.cx, size.cy).
  explicit CPoint(SIZE size) : tagPOINT{size.cx, size.cy} {}

  /// Sets (x0, y0).
  void SetPoint(int x0, int y0) {
    x = x0;
    y = y0;
  }
  /// Moves the point by (dx, dy), by a POINT or by a SIZE.
  void Offset(int dx, int dy) {
    x = matrix::platform::WrapAdd(x, dx);
    y = matrix::platform::WrapAdd(y, dy);
  }
  /// \copydoc CPoint::Offset(int, int)
  void Offset(POINT point) { Offset(point.x, point.y); }
  /// \copydoc CPoint::Offset(int, int)
  void Offset(SIZE size) { Offset(size.cx, size.cy); }

  /// With a POINT, and exactly with a CPoint (see CSize).
  bool operator==(POINT o) const { return x == o.x && y == o.y; }
  /// \copydoc CPoint::operator==(POINT) const
  bool operator!=(POINT o) const { return !(*this == o); }
  /// \copydoc CPoint::operator==(POINT) const
  bool operator==(const CPoint& o) const { return *this == POINT(o); }
  /// \copydoc CPoint::operator==(POINT) const
  bool operator!=(const CPoint& o) const { return !(*this == o); }
  /// \copydoc CPoint::operator==(POINT) const
  void operator+=(SIZE size) { Offset(size); }
  /// \copydoc CPoint::operator==(POINT) const
  void operator-=(SIZE size) {
    x = matrix::platform::WrapSub(x, size.cx);
    y = matrix::platform::WrapSub(y, size.cy);
  }
  /// \copydoc CPoint::operator==(POINT) const
  void operator+=(POINT point) { Offset(point); }
  /// \copydoc CPoint::operator==(POINT) const
  void operator-=(POINT point) {
    x = matrix::platform::WrapSub(x, point.x);
    y = matrix::platform::WrapSub(y, point.y);
  }
  /// \copydoc CPoint::operator==(POINT) const
  CPoint operator+(SIZE size) const {
    CPoint r(*this);
    r += size;
    return r;
  }
  /// \copydoc CPoint::operator==(POINT) const
  CPoint operator-(SIZE size) const {
    CPoint r(*this);
    r -= size;
    return r;
  }
  /// \copydoc CPoint::operator==(POINT) const
  CPoint operator+(POINT point) const {
    CPoint r(*this);
    r += point;
    return r;
  }
  /// The difference of two points is a size.
  CSize operator-(POINT point) const {
    return CSize(matrix::platform::WrapSub(x, point.x),
                 matrix::platform::WrapSub(y, point.y));
  }
  /// \copydoc CPoint::operator-(POINT) const
  CPoint operator-() const {
    return CPoint(matrix::platform::WrapSub(0, x),
                  matrix::platform::WrapSub(0, y));
  }
  /// The rectangle moved by this point (+) or by its negation (-).
  CRect operator+(const RECT* rect) const;
  /// \copydoc CPoint::operator+(const RECT*) const
  CRect operator-(const RECT* rect) const;
};

/// An integer rectangle (left, top, right, bottom); the right and bottom
/// edges are outside it. Like the framework's, the members that compare or
/// combine rectangles (Width, Height, IsRectEmpty, PtInRect, the & and |
/// operators...) expect a normalised rectangle (left <= right, top <=
/// bottom); NormalizeRect makes one.
class CRect : public tagRECT {
 public:
  /// (0, 0, 0, 0).
  CRect() : tagRECT{0, 0, 0, 0} {}
  /// The edges left `l`, top `t`, right `r`, bottom `b`.
  CRect(int l, int t, int r, int b) : tagRECT{l, t, r, b} {}
  /// A copy of `rect` (of `*rect`).
  CRect(const RECT& rect) : tagRECT(rect) {}  // NOLINT: implicit, as there
  /// \copydoc CRect::CRect(const RECT&)
  CRect(LPCRECT rect) : tagRECT(*rect) {}  // NOLINT: implicit, as there
  /// The rectangle of `size` whose top left corner is `point`.
  CRect(POINT point, SIZE size)
      : tagRECT{point.x, point.y, matrix::platform::WrapAdd(point.x, size.cx),
                matrix::platform::WrapAdd(point.y, size.cy)} {}
  /// The rectangle with the corners `top_left` and `bottom_right`.
  CRect(POINT top_left, POINT bottom_right)
      : tagRECT{top_left.x, top_left.y, bottom_right.x, bottom_right.y} {}

  /// The rectangle as a RECT pointer, for the Win32 calls.
  operator LPRECT() { return this; }  // NOLINT: as there
  /// The rectangle as a constant RECT pointer.
  operator LPCRECT() const { return this; }  // NOLINT: as there

  /// right - left.
  int Width() const { return matrix::platform::WrapSub(right, left); }
  /// bottom - top.
  int Height() const { return matrix::platform::WrapSub(bottom, top); }
  /// (Width(), Height()).
  CSize Size() const { return CSize(Width(), Height()); }
  /// The corners, as copies: assign them through SetRect or the edges (the
  /// framework returns references into the rectangle, which C++ allows
  /// only by reading a RECT as a POINT).
  const CPoint TopLeft() const { return CPoint(left, top); }
  /// \copydoc CRect::TopLeft() const
  const CPoint BottomRight() const { return CPoint(right, bottom); }
  /// The midpoint of the edges, each coordinate rounded toward zero.
  CPoint CenterPoint() const {
    return CPoint(matrix::platform::Mid(left, right),
                  matrix::platform::Mid(top, bottom));
  }

  /// ::IsRectEmpty: TRUE when the rectangle has no area.
  BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
  /// TRUE when all four edges are 0.
  BOOL IsRectNull() const {
    return left == 0 && top == 0 && right == 0 && bottom == 0;
  }
  /// ::PtInRect: TRUE when `point` lies inside.
  BOOL PtInRect(POINT point) const { return ::PtInRect(this, point); }
  /// ::EqualRect: TRUE when the four edges equal `rect`'s.
  BOOL EqualRect(LPCRECT rect) const { return ::EqualRect(this, rect); }

  /// Sets the edges.
  void SetRect(int l, int t, int r, int b) { ::SetRect(this, l, t, r, b); }
  /// \copydoc CRect::SetRect(int, int, int, int)
  void SetRect(POINT top_left, POINT bottom_right) {
    ::SetRect(this, top_left.x, top_left.y, bottom_right.x, bottom_right.y);
  }
  /// Sets all four edges to 0.
  void SetRectEmpty() { ::SetRectEmpty(this); }
  /// Copies `*rect`.
  void CopyRect(LPCRECT rect) { ::CopyRect(this, rect); }

  /// Moves the rectangle by (dx, dy), by a POINT or by a SIZE.
  void OffsetRect(int dx, int dy) { ::OffsetRect(this, dx, dy); }
  /// \copydoc CRect::OffsetRect(int, int)
  void OffsetRect(POINT point) { ::OffsetRect(this, point.x, point.y); }
  /// \copydoc CRect::OffsetRect(int, int)
  void OffsetRect(SIZE size) { ::OffsetRect(this, size.cx, size.cy); }

  /// Moves every edge outwards: left and right by dx, top and bottom by dy;
  /// or each edge by its own amount (the RECT's edges or l, t, r, b).
  void InflateRect(int dx, int dy) { ::InflateRect(this, dx, dy); }
  /// \copydoc CRect::InflateRect(int, int)
  void InflateRect(SIZE size) { ::InflateRect(this, size.cx, size.cy); }
  /// \copydoc CRect::InflateRect(int, int)
  void InflateRect(LPCRECT rect) {
    InflateRect(rect->left, rect->top, rect->right, rect->bottom);
  }
  /// \copydoc CRect::InflateRect(int, int)
  void InflateRect(int l, int t, int r, int b) {
    left = matrix::platform::WrapSub(left, l);
    top = matrix::platform::WrapSub(top, t);
    right = matrix::platform::WrapAdd(right, r);
    bottom = matrix::platform::WrapAdd(bottom, b);
  }
  /// The same inwards.
  void DeflateRect(int dx, int dy) {
    ::InflateRect(this, matrix::platform::WrapSub(0, dx),
                  matrix::platform::WrapSub(0, dy));
  }
  /// \copydoc CRect::DeflateRect(int, int)
  void DeflateRect(SIZE size) { DeflateRect(size.cx, size.cy); }
  /// \copydoc CRect::DeflateRect(int, int)
  void DeflateRect(LPCRECT rect) {
    DeflateRect(rect->left, rect->top, rect->right, rect->bottom);
  }
  /// \copydoc CRect::DeflateRect(int, int)
  void DeflateRect(int l, int t, int r, int b) {
    left = matrix::platform::WrapAdd(left, l);
    top = matrix::platform::WrapAdd(top, t);
    right = matrix::platform::WrapSub(right, r);
    bottom = matrix::platform::WrapSub(bottom, b);
  }

  /// Swaps left and right when left > right, and top and bottom when top >
  /// bottom.
  void NormalizeRect() {
    if (left > right) {
      const LONG t = left;
      left = right;
      right = t;
    }
    if (top > bottom) {
      const LONG t = top;
      top = bottom;
      bottom = t;
    }
  }

  /// ::IntersectRect and ::UnionRect into this rectangle.
  BOOL IntersectRect(LPCRECT a, LPCRECT b) {
    return ::IntersectRect(this, a, b);
  }
  /// \copydoc CRect::IntersectRect(LPCRECT, LPCRECT)
  BOOL UnionRect(LPCRECT a, LPCRECT b) { return ::UnionRect(this, a, b); }

  /// Copies `rect`.
  CRect& operator=(const RECT& rect) {
    ::CopyRect(this, &rect);
    return *this;
  }
  /// Comparison by EqualRect: the four edges.
  bool operator==(const RECT& rect) const {
    return ::EqualRect(this, &rect) != FALSE;
  }
  /// \copydoc CRect::operator==(const RECT&) const
  bool operator!=(const RECT& rect) const { return !(*this == rect); }
  /// \copydoc CRect::operator==(const RECT&) const
  bool operator==(const CRect& rect) const {
    return *this == static_cast<const RECT&>(rect);
  }
  /// \copydoc CRect::operator==(const RECT&) const
  bool operator!=(const CRect& rect) const { return !(*this == rect); }

  /// + and - move by a point or a size, or inflate and deflate by a RECT's
  /// four edges; & is the intersection and | the union.
  void operator+=(POINT point) { OffsetRect(point); }
  /// \copydoc CRect::operator+=(POINT)
  void operator+=(SIZE size) { OffsetRect(size); }
  /// \copydoc CRect::operator+=(POINT)
  void operator+=(LPCRECT rect) { InflateRect(rect); }
  /// \copydoc CRect::operator+=(POINT)
  void operator-=(POINT point) {
    OffsetRect(matrix::platform::WrapSub(0, point.x),
               matrix::platform::WrapSub(0, point.y));
  }
  /// \copydoc CRect::operator+=(POINT)
  void operator-=(SIZE size) {
    OffsetRect(matrix::platform::WrapSub(0, size.cx),
               matrix::platform::WrapSub(0, size.cy));
  }
  /// \copydoc CRect::operator+=(POINT)
  void operator-=(LPCRECT rect) { DeflateRect(rect); }
  /// \copydoc CRect::operator+=(POINT)
  void operator&=(const RECT& rect) { ::IntersectRect(this, this, &rect); }
  /// \copydoc CRect::operator+=(POINT)
  void operator|=(const RECT& rect) { ::UnionRect(this, this, &rect); }

  /// A copy moved by a point or a size, or inflated (+) or deflated (-) by a
  /// RECT's four edges; & gives the intersection and | the union with `rect`.
  CRect operator+(POINT point) const {
    CRect r(*this);
    r += point;
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator+(SIZE size) const {
    CRect r(*this);
    r += size;
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator+(LPCRECT rect) const {
    CRect r(*this);
    r += rect;
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator-(POINT point) const {
    CRect r(*this);
    r -= point;
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator-(SIZE size) const {
    CRect r(*this);
    r -= size;
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator-(LPCRECT rect) const {
    CRect r(*this);
    r -= rect;
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator&(const RECT& rect) const {
    CRect r;
    ::IntersectRect(&r, this, &rect);
    return r;
  }
  /// \copydoc CRect::operator+(POINT) const
  CRect operator|(const RECT& rect) const {
    CRect r;
    ::UnionRect(&r, this, &rect);
    return r;
  }
};

inline CPoint CSize::operator+(POINT point) const {
  return CPoint(point) + *this;
}
inline CPoint CSize::operator-(POINT point) const {
  return CPoint(point) - *this;
}
inline CRect CSize::operator+(const RECT* rect) const {
  return CRect(rect) + *this;
}
inline CRect CSize::operator-(const RECT* rect) const {
  return CRect(rect) - *this;
}
inline CRect CPoint::operator+(const RECT* rect) const {
  return CRect(rect) + *this;
}
inline CRect CPoint::operator-(const RECT* rect) const {
  return CRect(rect) - *this;
}

/// @}

#endif  // MATRIX_PLATFORM_ATLTYPES_H_
