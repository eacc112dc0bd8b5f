// What the views of the drawing share: sizes, colours, the node marker and
// the profile view.
#ifndef MATRIX_EXAMPLES_PIPELINE_SHEET_H_
#define MATRIX_EXAMPLES_PIPELINE_SHEET_H_

#include <vector>

#include "run.h"

namespace pipeline::sheet {

// The plan draws the run's longest side this many units long.
constexpr double kDrawnSpan = 720.0;
constexpr int kMarkerPoints = 13;
constexpr int kPad = 28;    // frame to the drawing
constexpr int kGap = 24;    // between two views
constexpr int kTitle = 14;  // the view's title above its drawing
constexpr int kMarker = 3;  // node marker radius
// Beyond these counts markers and labels would only cover the line.
constexpr int kMaxMarkedNodes = 2000;
constexpr int kMaxLabelledNodes = 60;

inline const COLORREF kPipe = RGB(31, 95, 191);
inline const COLORREF kBendColor = RGB(0, 150, 136);
inline const COLORREF kNodeColor = RGB(40, 40, 40);
inline const COLORREF kLowCover = RGB(214, 39, 40);
inline const COLORREF kNoFit = RGB(255, 127, 14);
inline const COLORREF kSplitColor = RGB(148, 103, 189);
inline const COLORREF kGround = RGB(44, 160, 44);
inline const COLORREF kGroundLine = RGB(140, 86, 40);
inline const COLORREF kLeastCover = RGB(214, 150, 60);
inline const COLORREF kFrame = RGB(150, 150, 150);
inline const COLORREF kGrid = RGB(228, 228, 228);
inline const COLORREF kCaption = RGB(90, 90, 90);

// A circle of radius r about c, traced by the library.
void Marker(CDC& dc, CPoint c, int r);

// The longitudinal profile: chainage along the bottom at the plan's scale,
// levels up the side at `exaggeration` times it, the ground, the pipe, the
// least-cover line, the stretches below it and the nodes' stations.
class ProfileView {
 public:
  // `scale`: the plan's drawing units per metre. `reversed`: station 0 at
  // the right, as when the plan's run goes from right to left. A profile
  // that would be drawn past 2^20 units across or 2^15 up is drawn at the
  // scale, or the exaggeration, that fits.
  ProfileView(const Document& doc, const Results& res, double scale,
              double exaggeration, bool reversed);

  // The frame's size, its top left corner at (0, 0).
  CRect Measure() const;
  // Draws the view with its frame's top left corner at (left, top);
  // returns the frame.
  CRect Draw(CDC& dc, int left, int top) const;

 private:
  struct Place;
  CPoint At(const Place& place, double station, double level) const;
  void Axes(CDC& dc, const Place& place) const;
  void Ground(CDC& dc, const Place& place) const;
  void Pipe(CDC& dc, const Place& place) const;
  void LowStretches(CDC& dc, const Place& place) const;
  void Nodes(CDC& dc, const Place& place) const;
  // Draws `level(point)` along the samples first .. last - 1 that `use`
  // accepts, broken where it does not.
  template <typename Level, typename Use>
  void Line(CDC& dc, const Place& place, std::size_t first, std::size_t last,
            Level level, Use use) const;

  const Document& doc_;
  const Results& res_;
  double scale_, exaggeration_;
  bool reversed_;
  double low_ = 0, high_ = 1;  // levels at the bottom and top, m
  double level_tick_ = 1;      // m between level ticks
  double station_tick_ = 10;   // m between chainage ticks
};

}  // namespace pipeline::sheet

#endif  // MATRIX_EXAMPLES_PIPELINE_SHEET_H_
