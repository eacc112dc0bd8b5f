// The profile view of the drawing: the ground line and the pipe against
// the chainage, levels exaggerated, as on the profile sheet of a pipeline
// design.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "sheet.h"

namespace pipeline::sheet {

namespace {

constexpr int kLevelWidth = 52;     // the level labels left of the drawing
constexpr int kBelow = 58;          // the chainage ticks, labels and stations
constexpr int kMinLevelGap = 28;    // least drawing units between level ticks
constexpr int kMinStationGap = 64;  // ... and between chainage ticks
// Below this drawn diameter the pipe's top and bottom merge into one line.
constexpr double kMergedPipe = 3.0;
// Most stretches whose least cover is written beside them.
constexpr std::size_t kMaxLabelledStretches = 20;
// The most drawing units the profile's drawing spans across and up: a run
// far longer than its plan is wide (a zig-zag of many nodes), or a pipe far
// wider than its run is long, is drawn at the scale that fits, where the
// plan's scale would take it past the range of the sheet's integers.
constexpr double kMostWidth = 1 << 20;
constexpr double kMostHeight = 1 << 15;
// The plan's view: x to the right, y up the screen; the profile puts the
// chainage on x and the exaggerated level on y.
constexpr SEilerang kFlat = {-90.0, 0.0, 0.0, 0.0, 0.0};

// The least of 1, 2 and 5 times a power of ten that is at least `least`
// and at least `smallest`.
double RoundStep(double least, double smallest) {
  const double want = std::max(least, smallest);
  const double decade = std::pow(10.0, std::floor(std::log10(want)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * decade >= want * (1 - 1e-12)) return m * decade;
  }
  return 10 * decade;
}

std::wstring Text(double value, int digits) {
  return DecodeUtf8(FormatNumber(value, digits, L'.'));
}

// Decimals that tell ticks `step` apart.
int DigitsOf(double step) {
  return step >= 1 ? 0 : step >= 0.1 ? 1 : step >= 0.01 ? 2 : 3;
}

}  // namespace

struct ProfileView::Place {
  int left, right, top, bottom;  // the drawing's area inside the frame
  SEilerang view;
};

ProfileView::ProfileView(const Document& doc, const Results& res, double scale,
                         double exaggeration, bool reversed)
    : doc_(doc),
      res_(res),
      scale_(scale),
      exaggeration_(exaggeration),
      reversed_(reversed) {
  const double half = res.field[kOuterDiameter] / 2;
  double low = 1e300, high = -1e300, pipe_low = 1e300, pipe_high = -1e300;
  for (const ProfilePoint& p : res.profile.points) {
    low = std::min(low, p.axis.z - half);
    high = std::max(high, p.axis.z + half);
    pipe_low = std::min(pipe_low, p.axis.z - half);
    pipe_high = std::max(pipe_high, p.axis.z + half);
    if (!p.known) continue;
    low = std::min(low, p.ground - res.field[kMinCover]);
    high = std::max(high, p.ground);
  }
  // Ground far above or below the pipe is left out of the frame, as the
  // plan leaves out survey points far from the run: it would shrink the
  // pipe to a line.
  const double reach = kDrawnSpan / scale;
  low = std::max(low, pipe_low - reach);
  high = std::min(high, pipe_high + reach);
  if (!(high > low)) high = low + 1;
  scale_ = std::min(scale, kMostWidth / std::max(res.total_length, 1e-9));
  // Said on the sheet as the exaggeration drawn.
  exaggeration_ = std::min(exaggeration, kMostHeight / ((high - low) * scale_));
  const double vertical = scale_ * exaggeration_;
  level_tick_ = RoundStep(kMinLevelGap / vertical, 1e-3);
  low_ = std::floor(low / level_tick_) * level_tick_;
  high_ = std::ceil(high / level_tick_) * level_tick_;
  if (!(high_ > low_)) high_ = low_ + level_tick_;
  station_tick_ = RoundStep(kMinStationGap / scale_, 10.0);
}

CRect ProfileView::Measure() const {
  const double width = res_.total_length * scale_;
  const double height = (high_ - low_) * scale_ * exaggeration_;
  return CRect(0, 0, 2 * kPad + kLevelWidth + static_cast<int>(width + 0.5),
               kTitle + kPad + static_cast<int>(height + 0.5) + kBelow);
}

CPoint ProfileView::At(const Place& place, double station, double level) const {
  SPointD m((reversed_ ? -station : station), (level - low_) * exaggeration_,
            0.0);
  SEilerang view = place.view;
  const SPointI s = PointXYZ(&m, scale_, &view);
  // A level far off the sheet (ground many kilometres up) is drawn at the
  // edge of what any sheet shows, so that the marks and labels placed a few
  // units from it stay within an int.
  constexpr int kFarthest = 1 << 24;
  return CPoint(std::clamp(s.x, -kFarthest, kFarthest),
                std::clamp(s.y, -kFarthest, kFarthest));
}

CRect ProfileView::Draw(CDC& dc, int left, int top) const {
  const CRect size = Measure();
  CRect frame(left, top, left + size.right, top + size.bottom);
  Place place{left + kPad + kLevelWidth, frame.right - kPad,
              top + kTitle + kPad, frame.bottom - kBelow, kFlat};
  place.view.x0 = reversed_ ? place.right : place.left;
  place.view.y0 = place.bottom;
  CPen frame_pen(PS_SOLID, 1, kFrame);
  CPen* old = dc.SelectObject(&frame_pen);
  FrameRect(&dc, frame);
  char title[80];
  std::snprintf(title, sizeof title, "Profile, levels exaggerated %gx",
                exaggeration_);
  dc.SetTextColor(kCaption);
  dc.SetTextAlign(TA_LEFT | TA_TOP);
  dc.TextOutW(left + 6, top + 4, CString(DecodeUtf8(title).c_str()));
  Axes(dc, place);
  Ground(dc, place);
  Pipe(dc, place);
  LowStretches(dc, place);
  Nodes(dc, place);
  dc.SelectObject(old);
  return frame;
}

void ProfileView::Axes(CDC& dc, const Place& place) const {
  CPen grid(PS_SOLID, 1, kGrid);
  CPen axis(PS_SOLID, 1, kFrame);
  dc.SetTextColor(kCaption);
  // Levels up the side, with a faint line across at each.
  dc.SetTextAlign(TA_RIGHT | TA_BASELINE);
  const int count = static_cast<int>(std::lround((high_ - low_) / level_tick_));
  for (int k = 0; k <= count; ++k) {
    const double level = low_ + k * level_tick_;
    const int y = At(place, 0, level).y;
    dc.SelectObject(&grid);
    dc.MoveTo(place.left, y);
    dc.LineTo(place.right, y);
    dc.TextOutW(place.left - 6, y + 4,
                CString(Text(level, DigitsOf(level_tick_)).c_str()));
  }
  dc.SetTextAlign(TA_LEFT | TA_BOTTOM);
  dc.TextOutW(place.left - kLevelWidth, place.top - 12, CString(L"level, m"));
  // Chainage along the bottom, at round stations.
  dc.SelectObject(&axis);
  dc.MoveTo(At(place, 0, low_));
  dc.LineTo(At(place, res_.total_length, low_));
  dc.SetTextAlign(TA_CENTER | TA_TOP);
  const long ticks =
      static_cast<long>(res_.total_length / station_tick_ + 1e-9);
  for (long k = 0; k <= ticks; ++k) {
    const double s = static_cast<double>(k) * station_tick_;
    const CPoint at = At(place, s, low_);
    dc.MoveTo(at.x, at.y);
    dc.LineTo(at.x, at.y + 5);
    dc.TextOutW(at.x, at.y + 7, CString(Text(s, 0).c_str()));
  }
  dc.SetTextAlign(TA_RIGHT | TA_BOTTOM);
  dc.TextOutW(place.right, place.bottom + kBelow - 4, CString(L"chainage, m"));
}

template <typename Level, typename Use>
void ProfileView::Line(CDC& dc, const Place& place, std::size_t first,
                       std::size_t last, Level level, Use use) const {
  bool down = false;
  CPoint previous;
  for (std::size_t k = first; k < last; ++k) {
    const ProfilePoint& p = res_.profile.points[k];
    if (!use(p)) {
      down = false;
      continue;
    }
    const CPoint s = At(place, p.station, level(p));
    if (!down) {
      dc.MoveTo(s);
    } else if (s != previous) {
      dc.LineTo(s);
    }
    previous = s;
    down = true;
  }
}

void ProfileView::Ground(CDC& dc, const Place& place) const {
  const std::vector<ProfilePoint>& pts = res_.profile.points;
  auto known = [](const ProfilePoint& p) { return p.known; };
  const double min_cover = res_.field[kMinCover];
  if (min_cover > 0) {
    CPen least(PS_DASH, 1, kLeastCover);
    dc.SelectObject(&least);
    Line(
        dc, place, 0, pts.size(),
        [min_cover](const ProfilePoint& p) { return p.ground - min_cover; },
        known);
  }
  CPen ground(PS_SOLID, 2, kGroundLine);
  dc.SelectObject(&ground);
  Line(
      dc, place, 0, pts.size(), [](const ProfilePoint& p) { return p.ground; },
      known);
  if (doc_.ground.empty()) return;
  // Where the survey does not reach the ground is left out: say so in
  // every gap wide enough to hold the words.
  dc.SetTextColor(kCaption);
  dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
  for (std::size_t k = 0; k < pts.size();) {
    if (pts[k].known) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end + 1 < pts.size() && !pts[end + 1].known) ++end;
    if ((pts[end].station - pts[k].station) * scale_ >= 90) {
      const double middle = (pts[k].station + pts[end].station) / 2;
      dc.TextOutW(At(place, middle, 0).x, place.top + 16,
                  CString(L"no ground survey"));
    }
    k = end + 1;
  }
}

void ProfileView::Pipe(CDC& dc, const Place& place) const {
  const std::vector<ProfilePoint>& pts = res_.profile.points;
  const double half = res_.field[kOuterDiameter] / 2;
  const bool merged = 2 * half * scale_ * exaggeration_ < kMergedPipe;
  auto all = [](const ProfilePoint&) { return true; };
  auto top = [half](const ProfilePoint& p) { return p.axis.z + half; };
  auto bottom = [half](const ProfilePoint& p) { return p.axis.z - half; };
  auto axis = [](const ProfilePoint& p) { return p.axis.z; };
  auto draw = [&](std::size_t first, std::size_t last) {
    if (merged) {
      Line(dc, place, first, last, axis, all);
    } else {
      Line(dc, place, first, last, top, all);
      Line(dc, place, first, last, bottom, all);
    }
  };
  CPen pipe(PS_SOLID, merged ? 2 : 1, kPipe);
  dc.SelectObject(&pipe);
  draw(0, pts.size());
  // The bends over it, each from its first tangent point to its second:
  // a vertical bend shows as an arc.
  CPen bend(PS_SOLID, merged ? 3 : 2, kBendColor);
  dc.SelectObject(&bend);
  auto by_station = [](const ProfilePoint& p, double s) {
    return p.station < s;
  };
  for (const Bend& b : res_.bends) {
    if (!b.fits) continue;
    const double middle =
        pts[res_.profile.node_point[static_cast<std::size_t>(b.node)]].station;
    const auto first = std::lower_bound(pts.begin(), pts.end(),
                                        middle - b.arc / 2 - 1e-9, by_station);
    const auto last = std::lower_bound(first, pts.end(),
                                       middle + b.arc / 2 + 1e-9, by_station);
    draw(static_cast<std::size_t>(first - pts.begin()),
         static_cast<std::size_t>(last - pts.begin()));
  }
}

void ProfileView::LowStretches(CDC& dc, const Place& place) const {
  const std::vector<ProfilePoint>& pts = res_.profile.points;
  const double half = res_.field[kOuterDiameter] / 2;
  CPen low(PS_SOLID, 4, kLowCover);
  CPen thin(PS_SOLID, 1, kLowCover);
  dc.SetTextColor(kLowCover);
  dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
  auto by_station = [](const ProfilePoint& p, double s) {
    return p.station < s;
  };
  auto top = [half](const ProfilePoint& p) { return p.axis.z + half; };
  for (const LowStretch& s : res_.profile.low) {
    const auto first =
        std::lower_bound(pts.begin(), pts.end(), s.from - 1e-9, by_station);
    const auto last =
        std::lower_bound(first, pts.end(), s.to + 1e-9, by_station);
    const ProfilePoint& least =
        *std::lower_bound(first, last, s.at - 1e-9, by_station);
    dc.SelectObject(&low);
    const CPoint from = At(place, s.from, least.axis.z + half);
    if (last - first < 2) {
      dc.MoveTo(from.x - 2, from.y);  // one sample: a short mark
      dc.LineTo(from.x + 2, from.y);
    }
    Line(dc, place, static_cast<std::size_t>(first - pts.begin()),
         static_cast<std::size_t>(last - pts.begin()), top,
         [](const ProfilePoint&) { return true; });
    // The least cover: from the pipe's top up to the ground.
    dc.SelectObject(&thin);
    const CPoint ground = At(place, least.station, least.ground);
    dc.MoveTo(At(place, least.station, least.axis.z + half));
    dc.LineTo(ground);
    if (res_.profile.low.size() <= kMaxLabelledStretches)
      dc.TextOutW(ground.x, ground.y - 3, CString(Text(s.least, 2).c_str()));
  }
}

void ProfileView::Nodes(CDC& dc, const Place& place) const {
  const std::size_t n = doc_.nodes.size();
  const std::vector<ProfilePoint>& pts = res_.profile.points;
  CPen node(PS_SOLID, 1, kNodeColor);
  CPen guide(PS_DOT, 1, kFrame);
  const bool labelled = n <= static_cast<std::size_t>(kMaxLabelledNodes);
  for (std::size_t i = 0; i < n && n <= kMaxMarkedNodes; ++i) {
    const ProfilePoint& p = pts[res_.profile.node_point[i]];
    const CPoint axis = At(place, p.station, p.axis.z);
    dc.SelectObject(&node);
    Marker(dc, axis, kMarker);
    if (!labelled) continue;
    // A guide down to the chainage, the station under the round ones
    // (in two rows, so that near nodes stay apart) and the number above.
    dc.SelectObject(&guide);
    dc.MoveTo(axis.x, axis.y + kMarker + 2);
    dc.LineTo(axis.x, place.bottom);
    dc.SetTextColor(kNodeColor);
    dc.SetTextAlign(TA_CENTER | TA_TOP);
    dc.TextOutW(axis.x, place.bottom + 22 + 14 * static_cast<int>(i % 2),
                CString(Text(p.station, 1).c_str()));
    const double above = p.known ? std::max(p.ground, p.axis.z) : p.axis.z;
    dc.SetTextAlign(TA_CENTER | TA_BOTTOM);
    dc.TextOutW(axis.x, At(place, p.station, above).y - 6,
                CString(std::to_wstring(i + 1).c_str()));
  }
}

}  // namespace pipeline::sheet
