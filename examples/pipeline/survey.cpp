// The ground surface from survey points: a grid index for the nearest
// points and the convex hull that bounds where the survey reaches.
#include "survey.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

}  // namespace

// The three survey points nearest in plan to a position, found through a
// uniform grid over the survey's plan extent.
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

  // Indices of the (up to) three nearest points, nearest first.
  int Nearest3(double x, double y, std::size_t out[3]) const {
    if (pts_.empty()) return 0;
    double best[3] = {kInf, kInf, kInf};
    int found = 0;
    const long qc = Col(x), qr = Row(y);
    // Rings of cells around the position's cell, from the first that
    // touches the grid; a ring r + 1 lies at least r cells away.
    const long gap =
        std::max({0L, -qc, qc - (cols_ - 1), -qr, qr - (rows_ - 1)});
    const long last = gap + std::max(cols_, rows_);
    for (long r = gap; r <= last; ++r) {
      const long row_lo = std::max(qr - r, 0L),
                 row_hi = std::min(qr + r, rows_ - 1);
      for (long row = row_lo; row <= row_hi; ++row) {
        if (row == qr - r || row == qr + r) {
          const long col_lo = std::max(qc - r, 0L),
                     col_hi = std::min(qc + r, cols_ - 1);
          for (long col = col_lo; col <= col_hi; ++col) {
            Visit(row * cols_ + col, x, y, best, out, &found);
          }
        } else {
          if (qc - r >= 0 && qc - r < cols_)
            Visit(row * cols_ + qc - r, x, y, best, out, &found);
          if (qc + r >= 0 && qc + r < cols_)
            Visit(row * cols_ + qc + r, x, y, best, out, &found);
        }
      }
      if (found >= 3 && static_cast<double>(r) * cell_ >= std::sqrt(best[2]))
        break;
    }
    return found;
  }

 private:
  static constexpr double kInf = std::numeric_limits<double>::infinity();

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

  void Visit(long cell, double x, double y, double best[3], std::size_t out[3],
             int* found) const {
    for (long k = start_[static_cast<std::size_t>(cell)];
         k < start_[static_cast<std::size_t>(cell) + 1]; ++k) {
      const std::size_t i = order_[static_cast<std::size_t>(k)];
      const double dx = pts_[i].x - x, dy = pts_[i].y - y;
      const double d = dx * dx + dy * dy;
      int at = std::min(*found, 3);
      while (at > 0 && best[at - 1] > d) {
        if (at < 3) {
          best[at] = best[at - 1];
          out[at] = out[at - 1];
        }
        --at;
      }
      if (at < 3) {
        best[at] = d;
        out[at] = i;
        *found = std::min(*found + 1, 3);
      }
    }
  }

  const std::vector<Point3>& pts_;
  double min_x_ = 0, max_x_ = 0, min_y_ = 0, max_y_ = 0, cell_ = 1;
  long cols_ = 1, rows_ = 1;
  std::vector<long> start_;
  std::vector<std::size_t> order_;
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
