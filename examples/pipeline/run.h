// The pipeline host: a pipe run read from a JSON document, computed with the
// library, reported and drawn. The stages are separate so that tests and the
// benchmark reach each of them.
#ifndef MATRIX_EXAMPLES_PIPELINE_RUN_H_
#define MATRIX_EXAMPLES_PIPELINE_RUN_H_

#include <matrix/matrix.h>

#include <array>
#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace pipeline {

// A document that cannot be computed: one line naming the field or node
// and the reason. The program exits with status 2 for it.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An output that cannot be written: the path and the system's reason. The
// program exits with status 1 for it.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The fields of a run, in the order in which their formulas may refer to
// each other: field k's formula reads the fields before it as #0 .. #k-1.
enum Field {
  kOuterDiameter,  // m
  kWall,           // m
  kBendRadius,     // m, centre line
  kPressure,       // MPa, design pressure
  kDensity,        // kg/m3 of the pipe's material
  kMinCover,       // m, least depth of soil over the pipe's top
  kCycles,         // load cycles over the run's life
  kAmplitude,      // stress amplitude, in the fatigue curves' unit
  kFieldCount
};
extern const std::array<const char*, kFieldCount> kFieldNames;

struct Point3 {
  double x = 0, y = 0, z = 0;
};

// A value as the document gives it: a formula text or a number.
struct Entry {
  bool is_number = false;
  double number = 0;
  std::wstring formula;
};

// What the document holds, as read.
struct Document {
  std::string title;
  std::array<Entry, kFieldCount> fields;
  std::array<bool, kFieldCount> present{};
  std::string fatigue_curve = "1";  // "1", "1a", "2" or "2a"
  std::vector<Point3> nodes;        // pipe axis; z is its elevation
  std::vector<Point3> ground;       // survey points of the ground surface
  // node number (1-based) -> arc length from the bend's start at which a
  // node is inserted on the bend, as typed (a formula or a number).
  std::map<int, Entry> splits;
  // The longest distance between two samples of the profile, m, when the
  // document gives one (at most 1; without it every metre).
  bool profile_step_given = false;
  double profile_step = 0;
};

// Reads a document through JsonParse. Throws InputError for a text that
// does not parse, an unknown or misspelt name, a value of the wrong kind, a
// missing field or coordinate, a bad node number.
Document ReadDocument(const std::wstring& text);

// Evaluates one formula with CompileStrV over the values before it. Returns
// true with *value set, or false with *fault holding GetLastErrorM's text
// (or why a reference could not be read).
bool EvaluateFormula(const std::wstring& formula,
                     const std::vector<double>& before, double* value,
                     std::string* fault);

struct Bend {
  int node = 0;       // 0-based node index of the corner
  bool fits = false;  // false: the corner stays sharp, `problem` says why
  std::string problem;
  double turn = 0;        // turn angle beta, radians
  double tangent = 0;     // tangent length T, m
  double arc = 0;         // arc length R*beta, m
  Point3 t1, t2, centre;  // tangent points and the arc's centre
};

struct Split {
  int node = 0;   // 0-based corner index
  double at = 0;  // arc length from the bend's start, m
  Point3 point, corner1, corner2;
  double dist1 = 0, dist2 = 0;  // new corners' distances from the neighbours
  double station = 0;           // chainage of the inserted node, m
  double cover = 0;
  bool cover_known = false;
};

struct NodeCover {
  double ground = 0;  // ground level above the node, m
  double cover = 0;   // ground minus the pipe's top, m
  bool known = false;
  bool too_little = false;
};

// A sample of the longitudinal profile: a point of the pipe's axis.
struct ProfilePoint {
  double station = 0;  // chainage: m along the axis from the first node
  Point3 axis;         // the axis point; z is its level
  bool known = false;  // false: the survey does not reach here, no ground
  double ground = 0;   // ground level above the axis point, m
  double cover = 0;    // ground less the pipe's top, m
};

// A stretch of consecutive samples whose cover is below min_cover.
struct LowStretch {
  double from = 0, to = 0;   // stations of its first and last sample, m
  double least = 0, at = 0;  // its least cover, m, and that sample's station
};

struct Profile {
  double step = 1;  // the longest distance between two samples, m
  // By station, from the first node (0) to the last (the run's length).
  std::vector<ProfilePoint> points;
  std::vector<std::size_t> node_point;   // per node: its sample in points
  std::vector<LowStretch> low;           // in station order
  bool any_known = false;                // ground found at some sample
  double least_cover = 0, least_at = 0;  // over the samples with ground
  double unknown_length = 0;  // m of the route between samples without ground
  // Nodes whose sample (a bend's middle, not its corner) has ground and
  // less cover than min_cover: they lie inside the stretches of `low`.
  int low_nodes = 0;
};

struct Results {
  std::array<double, kFieldCount> field{};
  double inner_diameter = 0;    // m
  double second_moment = 0;     // IxP, m4
  double weight_per_metre = 0;  // kg/m
  double hoop_stress = 0;       // MPa
  std::vector<Bend> bends;      // one per corner node 1 .. n-2 that turns
  std::vector<Split> splits;
  double straight_length = 0, arc_length = 0, total_length = 0;   // m
  double straight_weight = 0, bend_weight = 0, total_weight = 0;  // kg
  std::vector<NodeCover> cover;  // one per node; empty without survey
  int low_cover_nodes = 0;
  double min_cover = 0, max_cover = 0;
  Profile profile;
  double allowable_amplitude = 0;
  bool fatigue_ok = false;
};

// Evaluates the fields and computes the run, its profile and the cover
// along it. Throws InputError for a formula fault (naming the field and
// GetLastErrorM's text), a value out of range, fewer than two nodes,
// coincident neighbours, a split that names no bend or lies beyond it, a
// profile step out of range or one that would take too many samples.
Results Compute(const Document& doc);

// kBoth is the plan and the isometric view; kAll adds the profile.
enum class View { kPlan, kIso, kBoth, kProfile, kAll };

struct DrawOptions {
  View view = View::kAll;
  double exaggeration = 10;  // the profile's vertical scale over the plan's
};

// Draws the run on `dc`: the chosen views, each framed (the plan, the
// profile under it, the isometric view), with a legend. The profile's
// chainage runs as the plan's run does and its levels are drawn at
// `exaggeration` times the plan's scale. REQUIRES: exaggeration > 0.
void Draw(const Document& doc, const Results& res, const DrawOptions& options,
          CDC& dc);
// The same with the default exaggeration.
void Draw(const Document& doc, const Results& res, View view, CDC& dc);

// The drawing as an SVG document (UTF-8) titled `title`: each view drawn
// through CSvgDC into a group whose id is "plan", "profile" or "iso".
std::string DrawSvg(const Document& doc, const Results& res,
                    const DrawOptions& options, const std::wstring& title);

// The report as UTF-8 text; numbers use `decimal` as the separator.
std::string Report(const Document& doc, const Results& res,
                   const std::string& source, wchar_t decimal);
// The few lines of the report's summary.
std::string Summary(const Document& doc, const Results& res, wchar_t decimal);

// A number with `digits` decimals and `decimal` as the separator.
std::string FormatNumber(double value, int digits, wchar_t decimal);

// UTF-8 to a wide string; throws InputError naming the byte offset of an
// invalid sequence. The way back is matrix::platform::ToUtf8.
std::wstring DecodeUtf8(const std::string& bytes);

}  // namespace pipeline

#endif  // MATRIX_EXAMPLES_PIPELINE_RUN_H_
