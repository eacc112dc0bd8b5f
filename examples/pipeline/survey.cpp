// The ground surface from survey points: a grid index for the nearest
// points and the convex hull that bounds where the survey reaches.
#include "survey.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>

#include "values.h"

namespace pipeline {

namespace {

// Positions this close to the hull in plan count as on it: a node placed on
// the survey's edge, give or take the rounding of its coordinates.
constexpr double kReach = 1e-6;  // m

// Three survey points whose third lies closer to the line of the other two
// than this share of their distance span no plane worth the name: its
// slope across them is their levels' difference over a sliver's width, so
// that a few metres off the sliver the "ground" lies kilometres up or
// down. Such a sliver is taken as the line between its two farthest points,
// level across; so are two points.
constexpr double kSliver = 0.02;

double Cross(const Point3& o, const Point3& a, const Point3& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

double PlanLength(const Point3& a, const Point3& b) {
  return std::hypot(b.x - a.x, b.y - a.y);
}

// Makes a sliver of three points (see kSliver) the line between its two
// farthest points: the third becomes the middle of that line, at the mean
// of their levels, which the soil surface takes as a line, level across.
void DropSliver(Point3 t[3]) {
  const double side[3] = {PlanLength(t[0], t[1]), PlanLength(t[1], t[2]),
                          PlanLength(t[2], t[0])};
  const int k = static_cast<int>(std::max_element(side, side + 3) - side);
  if (!(side[k] > 0)) return;  // one plan position: the surface is level
  // Twice the area over the longest side: the third point's distance from it.
  if (std::fabs(Cross(t[0], t[1], t[2])) / side[k] >= kSliver * side[k]) return;
  const Point3& p = t[k];
  const Point3& q = t[(k + 1) % 3];
  t[(k + 2) % 3] = Point3{(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2};
}

constexpr double kInf = std::numeric_limits<double>::infinity();

// The (up to) three survey points nearest a position found so far, nearest
// first, with their squared distances in plan.
struct Best {
  double d[3] = {kInf, kInf, kInf};
  std::size_t index[3] = {0, 0, 0};
  int found = 0;
};

// Takes point i among the three nearest if it is nearer than the third, or
// as near and listed earlier in the survey: the three do not depend on the
// order in which a search meets the points.
[[gnu::always_inline]] inline void Offer(const std::vector<Point3>& pts,
                                         std::size_t i, double x, double y,
                                         Best* best) {
  const double dx = pts[i].x - x, dy = pts[i].y - y;
  const double d = dx * dx + dy * dy;
  auto before = [&](int k) {
    return d < best->d[k] || (d == best->d[k] && i < best->index[k]);
  };
  int at = std::min(best->found, 3);
  if (at == 3 && !before(2)) return;
  if (at == 3) --at;
  while (at > 0 && before(at - 1)) {
    best->d[at] = best->d[at - 1];
    best->index[at] = best->index[at - 1];
    --at;
  }
  best->d[at] = d;
  best->index[at] = i;
  best->found = std::min(best->found + 1, 3);
}

// The three survey points nearest in plan to a position, through a k-d tree
// over the points' plan positions: slower than the grid where the points
// lie evenly, but it prunes empty space at any scale.
class Tree {
 public:
  explicit Tree(const std::vector<Point3>& pts)
      : pts_(pts), order_(pts.size()), axis_(pts.size(), 0), box_(pts.size()) {
    for (std::size_t i = 0; i < pts.size(); ++i) order_[i] = i;
    Build(0, pts.size());
  }

  // Indices of the (up to) three nearest points, nearest first; of points
  // as near, the one listed first in the survey.
  void Nearest3(double x, double y, Best* best) const {
    Search(0, pts_.size(), x, y, best);
  }

 private:
  // Ranges this short are searched point by point.
  static constexpr std::size_t kLeaf = 8;

  // A subtree's plan extent.
  struct Box {
    double min_x, max_x, min_y, max_y;
  };

  double Coord(std::size_t i, int axis) const {
    return axis == 0 ? pts_[i].x : pts_[i].y;
  }

  // Makes order_[lo, hi) a subtree: its middle entry splits it across the
  // axis along which the range spreads widest (so that a survey along a
  // line is cut along the line), the lower half before it.
  void Build(std::size_t lo, std::size_t hi) {
    if (hi - lo <= kLeaf) return;
    double min_x = kInf, max_x = -kInf, min_y = kInf, max_y = -kInf;
    for (std::size_t k = lo; k < hi; ++k) {
      const Point3& p = pts_[order_[k]];
      min_x = std::min(min_x, p.x);
      max_x = std::max(max_x, p.x);
      min_y = std::min(min_y, p.y);
      max_y = std::max(max_y, p.y);
    }
    const int axis = max_y - min_y > max_x - min_x ? 1 : 0;
    const std::size_t mid = lo + (hi - lo) / 2;
    box_[mid] = Box{min_x, max_x, min_y, max_y};
    std::nth_element(order_.begin() + static_cast<std::ptrdiff_t>(lo),
                     order_.begin() + static_cast<std::ptrdiff_t>(mid),
                     order_.begin() + static_cast<std::ptrdiff_t>(hi),
                     [this, axis](std::size_t a, std::size_t b) {
                       return Coord(a, axis) < Coord(b, axis);
                     });
    axis_[mid] = static_cast<unsigned char>(axis);
    Build(lo, mid);
    Build(mid + 1, hi);
  }

  void Search(std::size_t lo, std::size_t hi, double x, double y,
              Best* best) const {
    if (hi - lo <= kLeaf) {
      for (std::size_t k = lo; k < hi; ++k) Offer(pts_, order_[k], x, y, best);
      return;
    }
    const std::size_t mid = lo + (hi - lo) / 2;
    // A subtree farther off than the third found holds none of the three
    // (one as far may, if it is listed earlier).
    const Box& b = box_[mid];
    const double off_x = std::max({b.min_x - x, 0.0, x - b.max_x}),
                 off_y = std::max({b.min_y - y, 0.0, y - b.max_y});
    if (off_x * off_x + off_y * off_y > best->d[2]) return;
    const std::size_t i = order_[mid];
    const int axis = axis_[mid];
    const double across = (axis == 0 ? x : y) - Coord(i, axis);
    Offer(pts_, i, x, y, best);
    // The side of the split that holds the position first: the other is
    // then most often too far off to be searched.
    if (across < 0) {
      Search(lo, mid, x, y, best);
      Search(mid + 1, hi, x, y, best);
    } else {
      Search(mid + 1, hi, x, y, best);
      Search(lo, mid, x, y, best);
    }
  }

  const std::vector<Point3>& pts_;
  std::vector<std::size_t> order_;
  // Per subtree, at its middle entry: the axis it is split across (0 x,
  // 1 y) and its extent.
  std::vector<unsigned char> axis_;
  std::vector<Box> box_;
};

}  // namespace

// The three survey points nearest in plan to a position, found through a
// uniform grid over the survey's plan extent, or where the grid is empty
// around the position, through the k-d tree.
class Survey::Index {
 public:
  explicit Index(const std::vector<Point3>& pts) : pts_(pts) {
    if (pts.empty()) return;
    min_x_ = max_x_ = pts[0].x;
    min_y_ = max_y_ = pts[0].y;
    for (const Point3& p : pts) {
      min_x_ = std::min(min_x_, p.x);
      max_x_ = std::max(max_x_, p.x);
      min_y_ = std::min(min_y_, p.y);
      max_y_ = std::max(max_y_, p.y);
    }
    const double w = max_x_ - min_x_, h = max_y_ - min_y_;
    // About two points per cell; a survey along a line gets a line of cells.
    const double area = std::max(w * h, std::max(w, h) * 1e-3);
    const double count = static_cast<double>(pts.size());
    cell_ = std::sqrt(area * 2.0 / count);
    // At most four cells a point along either side: the grid's memory stays
    // in proportion to the survey, and so does the work of a look-up, where
    // a fixed cap on the cells let the points per cell grow with the survey.
    cell_ = std::max(cell_, std::max(w, h) / (4.0 * count));
    if (!(cell_ > 0)) cell_ = 1.0;
    cols_ = static_cast<long>(w / cell_) + 1;
    rows_ = static_cast<long>(h / cell_) + 1;
    cell_ = std::max(w / static_cast<double>(cols_),
                     h / static_cast<double>(rows_));
    if (!(cell_ > 0)) cell_ = 1.0;
    start_.assign(static_cast<std::size_t>(cols_ * rows_) + 1, 0);
    for (const Point3& p : pts)
      ++start_[static_cast<std::size_t>(CellOf(p.x, p.y)) + 1];
    for (std::size_t i = 1; i < start_.size(); ++i) start_[i] += start_[i - 1];
    order_.resize(pts.size());
    std::vector<long> fill(start_.begin(), start_.end() - 1);
    for (std::size_t i = 0; i < pts.size(); ++i) {
      order_[static_cast<std::size_t>(
          fill[static_cast<std::size_t>(CellOf(pts[i].x, pts[i].y))]++)] = i;
    }
  }

  // Indices of the (up to) three nearest points, nearest first; of points
  // as near, the one listed first in the survey.
  int Nearest3(double x, double y, std::size_t out[3]) const {
    if (pts_.empty()) return 0;
    Best best = Rings(x, y);
    if (best.found < 3 && static_cast<std::size_t>(best.found) < pts_.size()) {
      // Built when first needed: most surveys never need it.
      std::call_once(tree_built_,
                     [this] { tree_ = std::make_unique<const Tree>(pts_); });
      best = Best();
      tree_->Nearest3(x, y, &best);
    }
    for (int k = 0; k < best.found; ++k) out[k] = best.index[k];
    return best.found;
  }

 private:
  // Rings of cells searched before the tree is asked: where the grid is
  // empty around a position (inside a ring of survey points, between the
  // two sides of a surveyed corridor) the rings out to the nearest points
  // would hold as many cells as the survey has points.
  static constexpr long kMostRings = 3;

  // The three nearest through the grid; fewer found when kMostRings rings
  // did not settle them.
  Best Rings(double x, double y) const {
    Best best;
    const long qc = Col(x), qr = Row(y);
    // Rings of cells around the position's cell, from the first that
    // touches the grid; a ring r + 1 lies at least r cells away.
    const long gap =
        std::max({0L, -qc, qc - (cols_ - 1), -qr, qr - (rows_ - 1)});
    const long last = gap + std::max(cols_, rows_);
    for (long r = gap; r <= last; ++r) {
      if (r - gap > kMostRings) return Best();
      const long row_lo = std::max(qr - r, 0L),
                 row_hi = std::min(qr + r, rows_ - 1);
      for (long row = row_lo; row <= row_hi; ++row) {
        if (row == qr - r || row == qr + r) {
          const long col_lo = std::max(qc - r, 0L),
                     col_hi = std::min(qc + r, cols_ - 1);
          for (long col = col_lo; col <= col_hi; ++col) {
            Visit(row * cols_ + col, x, y, &best);
          }
        } else {
          if (qc - r >= 0 && qc - r < cols_)
            Visit(row * cols_ + qc - r, x, y, &best);
          if (qc + r >= 0 && qc + r < cols_)
            Visit(row * cols_ + qc + r, x, y, &best);
        }
      }
      // Beyond: only points farther than the third (or as far, when it
      // is exactly as far, since one listed earlier would come first).
      if (static_cast<double>(r) * cell_ > std::sqrt(best.d[2])) break;
    }
    return best;
  }

  long Col(double x) const {
    const double c = std::floor((x - min_x_) / cell_);
    return static_cast<long>(std::clamp(c, -1e12, 1e12));
  }
  long Row(double y) const {
    const double r = std::floor((y - min_y_) / cell_);
    return static_cast<long>(std::clamp(r, -1e12, 1e12));
  }
  long CellOf(double x, double y) const {
    return std::clamp(Row(y), 0L, rows_ - 1) * cols_ +
           std::clamp(Col(x), 0L, cols_ - 1);
  }

  void Visit(long cell, double x, double y, Best* best) const {
    for (long k = start_[static_cast<std::size_t>(cell)];
         k < start_[static_cast<std::size_t>(cell) + 1]; ++k)
      Offer(pts_, order_[static_cast<std::size_t>(k)], x, y, best);
  }

  const std::vector<Point3>& pts_;
  double min_x_ = 0, max_x_ = 0, min_y_ = 0, max_y_ = 0, cell_ = 1;
  long cols_ = 1, rows_ = 1;
  std::vector<long> start_;
  std::vector<std::size_t> order_;
  mutable std::once_flag tree_built_;
  mutable std::unique_ptr<const Tree> tree_;
};

// The plan hull of the survey points, counter-clockwise, without collinear
// vertices.
class Survey::Extent {
 public:
  explicit Extent(const std::vector<Point3>& pts) {
    std::vector<Point3> p(pts);
    std::sort(p.begin(), p.end(), [](const Point3& a, const Point3& b) {
      return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    p.erase(std::unique(p.begin(), p.end(),
                        [](const Point3& a, const Point3& b) {
                          return a.x == b.x && a.y == b.y;
                        }),
            p.end());
    if (p.size() < 3) {
      hull_ = p;
      return;
    }
    // Andrew's monotone chain: the lower hull, then the upper.
    std::vector<Point3> h(2 * p.size());
    std::size_t k = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
      while (k >= 2 && Cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
      h[k++] = p[i];
    }
    for (std::size_t i = p.size() - 1, low = k + 1; i-- > 0;) {
      while (k >= low && Cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
      h[k++] = p[i];
    }
    h.resize(k - 1);
    hull_ = std::move(h);
  }

  bool Reaches(double x, double y) const {
    const Point3 q{x, y, 0};
    const std::size_t n = hull_.size();
    if (n == 0) return false;
    if (n == 1) return PlanLength(hull_[0], q) <= kReach;
    if (n == 2) return ToSegment(hull_[0], hull_[1], q) <= kReach;
    // The wedge at vertex 0 that holds q, by bisection, then q's side of
    // the edge that closes the wedge.
    const Point3& o = hull_[0];
    if (Cross(o, hull_[1], q) < -kReach * PlanLength(o, hull_[1])) return false;
    if (Cross(o, hull_[n - 1], q) > kReach * PlanLength(o, hull_[n - 1]))
      return false;
    std::size_t lo = 1, hi = n - 1;
    while (hi - lo > 1) {
      const std::size_t mid = (lo + hi) / 2;
      (Cross(o, hull_[mid], q) >= 0 ? lo : hi) = mid;
    }
    return Cross(hull_[lo], hull_[hi], q) >=
           -kReach * PlanLength(hull_[lo], hull_[hi]);
  }

 private:
  static double ToSegment(const Point3& a, const Point3& b, const Point3& q) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double t = std::clamp(
        ((q.x - a.x) * dx + (q.y - a.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(a.x + t * dx - q.x, a.y + t * dy - q.y);
  }

  std::vector<Point3> hull_;
};

Survey::Survey(const std::vector<Point3>& points)
    : points_(points),
      index_(std::make_unique<const Index>(points)),
      extent_(std::make_unique<const Extent>(points)) {}

Survey::~Survey() = default;

bool Survey::Reaches(double x, double y) const {
  return extent_->Reaches(x, y);
}

bool Survey::CoverAt(const Point3& at, double top, double* cover) const {
  if (!Reaches(at.x, at.y)) return false;
  std::size_t near[3] = {0, 0, 0};
  const int found = index_->Nearest3(at.x, at.y, near);
  if (found == 0) return false;
  for (int k = found; k < 3; ++k) near[k] = near[found - 1];
  Point3 t[3] = {points_[near[0]], points_[near[1]], points_[near[2]]};
  DropSliver(t);
  SPointD g0 = P(t[0]), g1 = P(t[1]), g2 = P(t[2]);
  double z = 0;
  if (!GetZForPointOnPlainForSoil(at.x, at.y, top, g0, 0.0, g1, 0.0, g2, 0.0,
                                  z) ||
      !std::isfinite(z)) {
    return false;
  }
  *cover = z;
  return true;
}

}  // namespace pipeline
