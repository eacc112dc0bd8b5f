// Drawing a pipe run on a CDC: the plan and an isometric view, each in its
// frame, with legs, bends, node markers, labels and a legend. Screen
// coordinates are the library's: integers, y growing downwards.
#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "run.h"
#include "sheet.h"
#include "values.h"

namespace pipeline {

namespace sheet {

void Marker(CDC& dc, CPoint c, int r) {
  CPoint pts[kMarkerPoints];
  if (!TraceEllipse(CPoint(c.x - r, c.y - r), CPoint(c.x + r, c.y - r),
                    CPoint(c.x + r, c.y + r), CPoint(c.x + r, c.y),
                    CPoint(c.x + r, c.y), kMarkerPoints, pts)) {
    return;
  }
  dc.MoveTo(pts[0]);
  for (int k = 1; k < kMarkerPoints; ++k) dc.LineTo(pts[k]);
}

}  // namespace sheet

namespace {

using namespace sheet;

struct ViewSpec {
  const wchar_t* name;
  SEilerang angles;  // x0, y0 set per drawing
};

// Plan: looking down the vertical, x to the right and y up the screen.
// Isometric: turned 45 degrees about the vertical and tilted so that the
// three axes are drawn equally foreshortened.
const ViewSpec kPlanView = {L"Plan", {-90.0, 0.0, 0.0, 0.0, 0.0}};
const ViewSpec kIsoView = {L"Isometric",
                           {-35.264389682754654, 45.0, 0.0, 0.0, 0.0}};

CPoint Screen(const Point3& p, double scale, SEilerang* view) {
  SPointD m = P(p);
  const SPointI s = PointXYZ(&m, scale, view);
  return CPoint(s.x, s.y);
}

class Drawer {
 public:
  Drawer(const Document& doc, const Results& res) : doc_(doc), res_(res) {
    const int n = static_cast<int>(doc.nodes.size());
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    for (const Point3& p : doc.nodes) {
      const double c[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], c[k]);
        hi[k] = std::max(hi[k], c[k]);
      }
    }
    double span = 0;
    for (int k = 0; k < 3; ++k) span = std::max(span, hi[k] - lo[k]);
    scale_ = kDrawnSpan / std::max(span, 1e-9);
    // Drawn about the run's centre: coordinates of a survey (millions of
    // metres, say) would otherwise scale beyond the screen's integers.
    centre_ =
        Point3{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    reach_ = std::max(span, 1e-9);
    bend_of_.assign(static_cast<std::size_t>(n), -1);
    for (std::size_t b = 0; b < res.bends.size(); ++b) {
      bend_of_[static_cast<std::size_t>(res.bends[b].node)] =
          static_cast<int>(b);
    }
    // Arcs as fine as they can be seen: a run of many nodes shows each
    // bend only a few units long.
    arc_points_ = n > 20000 ? 4 : 9;
  }

  // The frame a view takes: its size (left, top at 0, 0) and where the
  // model origin falls with the view's origin at (0, 0).
  CRect Measure(const ViewSpec& spec, bool plan, CPoint* low) const {
    SEilerang view = spec.angles;
    int min_x = INT_MAX, min_y = INT_MAX, max_x = INT_MIN, max_y = INT_MIN;
    auto cover = [&](const Point3& p) {
      const CPoint s = At(p, &view);
      min_x = std::min(min_x, s.x);
      min_y = std::min(min_y, s.y);
      max_x = std::max(max_x, s.x);
      max_y = std::max(max_y, s.y);
    };
    for (const Point3& p : doc_.nodes) cover(p);
    if (Survey(plan)) {
      for (const Point3& g : doc_.ground) {
        if (NearRun(g)) cover(g);
      }
    }
    *low = CPoint(min_x, min_y);
    return CRect(0, 0, (max_x - min_x) + 2 * kPad,
                 (max_y - min_y) + 2 * kPad + kTitle);
  }

  bool Survey(bool plan) const {
    return plan && !doc_.ground.empty() &&
           static_cast<int>(doc_.ground.size()) <= kMaxMarkedNodes;
  }

  // Draws one view with its frame's top left corner at (left, top); returns
  // the frame.
  CRect DrawView(const ViewSpec& spec, int left, int top, bool plan) {
    SEilerang view = spec.angles;
    CPoint low;
    const CRect size = Measure(spec, plan, &low);
    view.x0 = left + kPad - low.x;
    view.y0 = top + kPad + kTitle - low.y;
    CRect frame(left, top, left + size.right, top + size.bottom);
    CPen frame_pen(PS_SOLID, 1, kFrame);
    CPen* old = dc_->SelectObject(&frame_pen);
    FrameRect(dc_, frame);
    dc_->SetTextColor(kCaption);
    dc_->SetTextAlign(TA_LEFT | TA_TOP);
    dc_->TextOutW(left + 6, top + 4, CString(spec.name));
    if (Survey(plan)) SurveyPoints(&view);
    Pipe(&view);
    Markers(&view);
    Labels(&view);
    dc_->SelectObject(old);
    return frame;
  }

  // The surface the views are drawn on from now on.
  void SetSurface(CDC* dc) { dc_ = dc; }
  // The plan's drawing units per metre.
  double Scale() const { return scale_; }

 private:
  // Survey points as small crosses.
  void SurveyPoints(SEilerang* view) {
    CPen ground(PS_SOLID, 1, kGround);
    CPen* old = dc_->SelectObject(&ground);
    for (const Point3& g : doc_.ground) {
      if (!NearRun(g)) continue;
      const CPoint s = At(g, view);
      dc_->MoveTo(s.x - 3, s.y);
      dc_->LineTo(s.x + 4, s.y);
      dc_->MoveTo(s.x, s.y - 3);
      dc_->LineTo(s.x, s.y + 4);
    }
    dc_->SelectObject(old);
  }

  // Legs, from the end of one bend to the start of the next, then the
  // bends, traced on the screen by the library.
  void Pipe(SEilerang* view) {
    const int n = static_cast<int>(doc_.nodes.size());
    CPen pipe(PS_SOLID, 2, kPipe);
    CPen* old = dc_->SelectObject(&pipe);
    for (int i = 0; i + 1 < n; ++i) {
      dc_->MoveTo(At(LegEnd(i, true), view));
      dc_->LineTo(At(LegEnd(i + 1, false), view));
    }
    CPen bend_pen(PS_SOLID, 3, kBendColor);
    dc_->SelectObject(&bend_pen);
    std::vector<CPoint> pts(static_cast<std::size_t>(arc_points_));
    const double R = res_.field[kBendRadius];
    for (const Bend& b : res_.bends) {
      if (!b.fits) continue;
      const std::size_t i = static_cast<std::size_t>(b.node);
      if (!TraceArc(R, P(Shifted(doc_.nodes[i - 1])), P(Shifted(doc_.nodes[i])),
                    P(Shifted(doc_.nodes[i + 1])), arc_points_, pts.data(),
                    scale_, view)) {
        continue;
      }
      dc_->MoveTo(pts[0]);
      for (int k = 1; k < arc_points_; ++k)
        dc_->LineTo(pts[static_cast<std::size_t>(k)]);
    }
    dc_->SelectObject(old);
  }

  // Markers: nodes, flagged nodes, corners whose bend does not fit, nodes
  // inserted on bends.
  void Markers(SEilerang* view) {
    const int n = static_cast<int>(doc_.nodes.size());
    CPen node_pen(PS_SOLID, 1, kNodeColor);
    CPen low_pen(PS_SOLID, 2, kLowCover);
    CPen* old = dc_->GetCurrentPen();
    if (n <= kMaxMarkedNodes) {
      for (int i = 0; i < n; ++i) {
        const bool low = !res_.cover.empty() &&
                         res_.cover[static_cast<std::size_t>(i)].too_little;
        dc_->SelectObject(low ? &low_pen : &node_pen);
        Marker(*dc_, At(doc_.nodes[static_cast<std::size_t>(i)], view),
               low ? kMarker + 1 : kMarker);
      }
    }
    CPen misfit(PS_SOLID, 2, kNoFit);
    dc_->SelectObject(&misfit);
    for (const Bend& b : res_.bends) {
      if (!b.fits)
        Marker(*dc_, At(doc_.nodes[static_cast<std::size_t>(b.node)], view), 7);
    }
    CPen split_pen(PS_SOLID, 2, kSplitColor);
    dc_->SelectObject(&split_pen);
    for (const Split& s : res_.splits) Marker(*dc_, At(s.point, view), 5);
    dc_->SelectObject(old);
  }

  // Node numbers, where there are few enough to read.
  void Labels(SEilerang* view) {
    const int n = static_cast<int>(doc_.nodes.size());
    if (n > kMaxLabelledNodes) return;
    dc_->SetTextColor(kNodeColor);
    dc_->SetTextAlign(TA_LEFT | TA_BOTTOM);
    for (int i = 0; i < n; ++i) {
      const CPoint s = At(doc_.nodes[static_cast<std::size_t>(i)], view);
      dc_->TextOutW(s.x + 5, s.y - 4, CString(std::to_wstring(i + 1).c_str()));
    }
  }

  // The point where the pipe leaves node i (leaving) or reaches it: the
  // node itself, or the tangent point of its bend.
  Point3 LegEnd(int i, bool leaving) const {
    const int b = bend_of_[static_cast<std::size_t>(i)];
    if (b < 0 || !res_.bends[static_cast<std::size_t>(b)].fits)
      return doc_.nodes[static_cast<std::size_t>(i)];
    const Bend& bend = res_.bends[static_cast<std::size_t>(b)];
    return leaving ? bend.t2 : bend.t1;
  }

  Point3 Shifted(const Point3& p) const {
    return Point3{p.x - centre_.x, p.y - centre_.y, p.z - centre_.z};
  }

  CPoint At(const Point3& p, SEilerang* view) const {
    return Screen(Shifted(p), scale_, view);
  }

  // Survey points farther from the run than its own size are left out of
  // the drawing: they would shrink the run to a dot.
  bool NearRun(const Point3& p) const {
    const Point3 q = Shifted(p);
    return std::fabs(q.x) <= reach_ && std::fabs(q.y) <= reach_ &&
           std::fabs(q.z) <= reach_;
  }

  const Document& doc_;
  const Results& res_;
  CDC* dc_ = nullptr;
  double scale_ = 1;
  Point3 centre_;
  double reach_ = 1;
  std::vector<int> bend_of_;
  int arc_points_ = 9;
};

struct LegendItem {
  COLORREF color;
  int width;
  int kind;  // 0 line, 1 marker, 2 cross, 3 dashed line
  std::wstring text;
};

// The legend of the views drawn, in rows no wider than `right`.
void Legend(CDC& dc, const std::vector<LegendItem>& items, int left, int top,
            int right) {
  int x = left;
  dc.SetTextColor(RGB(60, 60, 60));
  dc.SetTextAlign(TA_LEFT | TA_TOP);
  for (const LegendItem& item : items) {
    const CString text(item.text.c_str());
    const int width = 28 + static_cast<int>(7.5 * text.GetLength()) + 18;
    if (x > left && x + width - 18 > right) {
      x = left;
      top += 20;
    }
    CPen pen(item.kind == 3 ? PS_DASH : PS_SOLID, item.width, item.color);
    CPen* old = dc.SelectObject(&pen);
    const int cy = top + 7;
    if (item.kind == 0 || item.kind == 3) {
      dc.MoveTo(x, cy);
      dc.LineTo(x + 22, cy);
    } else if (item.kind == 1) {
      Marker(dc, CPoint(x + 11, cy), 4);
    } else {
      dc.MoveTo(x + 8, cy);
      dc.LineTo(x + 15, cy);
      dc.MoveTo(x + 11, cy - 3);
      dc.LineTo(x + 11, cy + 4);
    }
    dc.SelectObject(old);
    dc.TextOutW(x + 28, top, text);
    x += width;
  }
}

std::vector<LegendItem> LegendItems(const Results& res, bool plan_or_iso,
                                    bool profile) {
  const std::wstring least =
      DecodeUtf8(FormatNumber(res.field[kMinCover], 2, L'.')) + L" m";
  std::vector<LegendItem> items = {{kPipe, 2, 0, L"pipe"},
                                   {kBendColor, 3, 0, L"bend"},
                                   {kNodeColor, 1, 1, L"node"}};
  if (plan_or_iso) {
    items.push_back({kLowCover, 2, 1, L"cover below " + least});
    items.push_back({kNoFit, 2, 1, L"bend does not fit"});
    items.push_back({kSplitColor, 2, 1, L"node on a bend"});
    items.push_back({kGround, 1, 2, L"survey point"});
  }
  if (profile) {
    items.push_back({kGroundLine, 2, 0, L"ground"});
    items.push_back({kLeastCover, 1, 3, L"ground less " + least});
    items.push_back({kLowCover, 4, 0, L"stretch with cover below " + least});
  }
  return items;
}

// Each view is a group of its own on a surface that keeps groups (the SVG
// surface: <g id="plan">, "profile", "iso"); other surfaces just draw.
class ViewGroup {
 public:
  ViewGroup(CDC& dc, const wchar_t* id) : svg_(DYNAMIC_DOWNCAST(CSvgDC, &dc)) {
    if (svg_) svg_->BeginGroup(CString(id));
  }
  ~ViewGroup() {
    if (svg_) svg_->EndGroup();
  }
  ViewGroup(const ViewGroup&) = delete;
  ViewGroup& operator=(const ViewGroup&) = delete;

 private:
  CSvgDC* svg_;
};

void DrawSheet(const Document& doc, const Results& res,
               const DrawOptions& options, CDC& sheet) {
  const View v = options.view;
  const bool plan = v == View::kPlan || v == View::kBoth || v == View::kAll;
  const bool iso = v == View::kIso || v == View::kBoth || v == View::kAll;
  const bool profile = v == View::kProfile || v == View::kAll;
  Drawer drawer(doc, res);
  drawer.SetSurface(&sheet);
  if (!doc.title.empty()) {
    sheet.SetTextColor(RGB(20, 20, 20));
    sheet.SetTextAlign(TA_LEFT | TA_TOP);
    sheet.TextOutW(0, -26, CString(DecodeUtf8(doc.title).c_str()));
  }
  CRect plan_frame(0, 0, 0, 0);
  int bottom = 0, right = 0;
  auto placed = [&](const CRect& frame) {
    bottom = std::max(bottom, static_cast<int>(frame.bottom));
    right = std::max(right, static_cast<int>(frame.right));
  };
  if (plan) {
    const ViewGroup group(sheet, L"plan");
    plan_frame = drawer.DrawView(kPlanView, 0, 0, true);
    placed(plan_frame);
  }
  CPoint low;
  const bool beside =
      plan && iso &&
      drawer.Measure(kIsoView, false, &low).Width() <= plan_frame.Width();
  if (beside) {
    const ViewGroup group(sheet, L"iso");
    placed(drawer.DrawView(kIsoView, plan_frame.right + kGap, 0, false));
  }
  if (profile) {
    // Chainage runs the way the plan's run goes, as on a plan-and-profile
    // sheet.
    const bool reversed = doc.nodes.back().x < doc.nodes.front().x;
    const ProfileView view(doc, res, drawer.Scale(), options.exaggeration,
                           reversed);
    const ViewGroup group(sheet, L"profile");
    placed(view.Draw(sheet, 0, bottom > 0 ? bottom + kGap : 0));
  }
  if (iso && !beside) {
    const ViewGroup group(sheet, L"iso");
    placed(drawer.DrawView(kIsoView, 0, bottom > 0 ? bottom + kGap : 0, false));
  }
  Legend(sheet, LegendItems(res, plan || iso, profile), 0, bottom + 14, right);
}

}  // namespace

void Draw(const Document& doc, const Results& res, const DrawOptions& options,
          CDC& dc) {
  DrawSheet(doc, res, options, dc);
}

void Draw(const Document& doc, const Results& res, View view, CDC& dc) {
  DrawOptions options;
  options.view = view;
  Draw(doc, res, options, dc);
}

std::string DrawSvg(const Document& doc, const Results& res,
                    const DrawOptions& options, const std::wstring& title) {
  CSvgDC dc;
  dc.SetTitle(CString(title.c_str()));
  Draw(doc, res, options, dc);
  return dc.GetSvg();
}

}  // namespace pipeline
