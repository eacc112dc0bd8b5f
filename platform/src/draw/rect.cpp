// Platform layer - Win32's rectangle functions.
#include <atltypes.h>
#include <windef.h>

#include <algorithm>

using matrix::platform::WrapAdd;
using matrix::platform::WrapSub;

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT destination, const RECT* source) {
  if (destination == nullptr || source == nullptr) return FALSE;
  *destination = *source;
  return TRUE;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left = WrapAdd(rect->left, dx);
  rect->right = WrapAdd(rect->right, dx);
  rect->top = WrapAdd(rect->top, dy);
  rect->bottom = WrapAdd(rect->bottom, dy);
  return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy) {
  if (rect == nullptr) return FALSE;
  rect->left = WrapSub(rect->left, dx);
  rect->right = WrapAdd(rect->right, dx);
  rect->top = WrapSub(rect->top, dy);
  rect->bottom = WrapAdd(rect->bottom, dy);
  return TRUE;
}

BOOL PtInRect(const RECT* rect, POINT point) {
  if (rect == nullptr) return FALSE;
  return point.x >= rect->left && point.x < rect->right &&
         point.y >= rect->top && point.y < rect->bottom;
}

BOOL IsRectEmpty(const RECT* rect) {
  if (rect == nullptr) return TRUE;
  return rect->right <= rect->left || rect->bottom <= rect->top;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  if (a == nullptr || b == nullptr) return FALSE;
  return a->left == b->left && a->top == b->top && a->right == b->right &&
         a->bottom == b->bottom;
}

BOOL IntersectRect(LPRECT destination, const RECT* a, const RECT* b) {
  if (destination == nullptr || a == nullptr || b == nullptr) return FALSE;
  const RECT r{std::max(a->left, b->left), std::max(a->top, b->top),
               std::min(a->right, b->right), std::min(a->bottom, b->bottom)};
  if (IsRectEmpty(a) || IsRectEmpty(b) || IsRectEmpty(&r)) {
    SetRectEmpty(destination);
    return FALSE;
  }
  *destination = r;
  return TRUE;
}

BOOL UnionRect(LPRECT destination, const RECT* a, const RECT* b) {
  if (destination == nullptr || a == nullptr || b == nullptr) return FALSE;
  const bool a_empty = IsRectEmpty(a);
  const bool b_empty = IsRectEmpty(b);
  if (a_empty && b_empty) {
    SetRectEmpty(destination);
    return FALSE;
  }
  if (a_empty) {
    *destination = *b;
  } else if (b_empty) {
    *destination = *a;
  } else {
    *destination =
        RECT{std::min(a->left, b->left), std::min(a->top, b->top),
             std::max(a->right, b->right), std::max(a->bottom, b->bottom)};
  }
  return TRUE;
}
