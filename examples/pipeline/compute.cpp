// Computing a pipe run with the library: the fields by the formula engine,
// the bends, lengths, section and weight, the soil cover and the fatigue
// check.
#include <utf8codec.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "profile.h"
#include "run.h"
#include "survey.h"
#include "values.h"

namespace pipeline {

namespace {

constexpr double kPi = 3.141592653589793;
// Neighbouring nodes closer than this are one point: no leg runs between
// them, and the corner angle at either is undefined.
constexpr double kCoincident = 1e-6;  // m
// Points traced along each bend for the tangent points and the drawing.
constexpr int kArcPoints = 9;
// Legs count as straight or folded back when the square of the sine of their
// angle is at most this; the bend functions use the same bound.
constexpr double kParallel = 1e-7;

// The value of an entry: a number as it stands, a formula by the engine
// over `before` (#0 .. #k-1). Throws InputError naming `what`.
double Evaluate(const Entry& entry, const std::vector<double>& before,
                const std::string& what) {
  double value = entry.number;
  if (!entry.is_number) {
    std::string fault;
    if (!EvaluateFormula(entry.formula, before, &value, &fault)) {
      throw InputError(what + ": " + fault);
    }
  }
  if (!std::isfinite(value)) {
    throw InputError(what + ": the value is not a finite number");
  }
  return value;
}

void Require(bool ok, const std::string& what, double value, const char* rule) {
  if (!ok)
    throw InputError("fields: " + what + " = " + Number(value) + " " + rule);
}

// Fields in their order; each formula sees the values before it. Returns
// the values, for the formulas of the splits.
std::vector<double> EvaluateFields(const Document& doc, Results* res) {
  std::vector<double> values;
  for (int k = 0; k < kFieldCount; ++k) {
    const double v = Evaluate(doc.fields[k], values,
                              std::string("fields: ") + kFieldNames[k]);
    res->field[k] = v;
    values.push_back(v);
  }
  return values;
}

void CheckFields(const Results& res) {
  const double D = res.field[kOuterDiameter], t = res.field[kWall];
  Require(D > 0, "outer_diameter", D, "must be positive");
  Require(t > 0, "wall", t, "must be positive");
  Require(2 * t < D, "wall", t,
          "leaves no bore (twice the wall reaches the outer diameter)");
  Require(res.field[kBendRadius] > 0, "bend_radius", res.field[kBendRadius],
          "must be positive");
  Require(res.field[kPressure] >= 0, "pressure", res.field[kPressure],
          "must not be negative");
  Require(res.field[kDensity] > 0, "density", res.field[kDensity],
          "must be positive");
  Require(res.field[kMinCover] >= 0, "min_cover", res.field[kMinCover],
          "must not be negative");
  Require(res.field[kCycles] > 0, "cycles", res.field[kCycles],
          "must be positive");
  Require(res.field[kAmplitude] > 0, "amplitude", res.field[kAmplitude],
          "must be positive");
}

// The length of every leg; throws for fewer than two nodes or coincident
// neighbours.
std::vector<double> LegLengths(const std::vector<Point3>& nodes) {
  const int n = static_cast<int>(nodes.size());
  if (n < 2) {
    throw InputError("nodes: " + std::to_string(n) +
                     (n == 1 ? " node" : " nodes") +
                     "; a run needs at least two");
  }
  std::vector<double> leg(static_cast<std::size_t>(n - 1));
  for (std::size_t i = 0; i < leg.size(); ++i) {
    leg[i] = Distance(P(nodes[i]), P(nodes[i + 1]));
    if (leg[i] < kCoincident) {
      throw InputError("nodes " + std::to_string(i + 1) + " and " +
                       std::to_string(i + 2) + " coincide");
    }
  }
  return leg;
}

// Section and weight: the pipe's weight per metre is that of a torus of
// unit centre-line length.
void Section(Results* res) {
  const double D = res->field[kOuterDiameter], t = res->field[kWall];
  const double d = D - 2 * t;
  res->inner_diameter = d;
  res->second_moment = IxP(D, d);
  res->weight_per_metre =
      TorWeight(1.0 / (2 * kPi), D, d, res->field[kDensity]);
  res->hoop_stress = res->field[kPressure] * d / (2 * t);
}

// The bend at corner i, whose leg before holds `before` m of the previous
// bend's tangent. A bend must fit inside both legs and leave room for the
// bend before it on the leg they share; one that does not says why.
Bend FitBend(const std::vector<Point3>& nodes, const std::vector<double>& leg,
             std::size_t i, double before, double R) {
  SPointD a = P(nodes[i - 1]), b = P(nodes[i]), c = P(nodes[i + 1]);
  Bend bend;
  bend.node = static_cast<int>(i);
  bend.turn = kPi - std::acos(CosAngle(a, b, c));
  const double need = R * std::tan(bend.turn / 2);
  SPointD arc[kArcPoints];
  if (!InsertArc(R, a, b, c, 0, static_cast<SPointD*>(nullptr))) {
    bend.problem = "a bend of radius " + Number(R) + " m needs " +
                   Number(need) + " m of each leg; the legs are " +
                   Number(leg[i - 1]) + " and " + Number(leg[i]) + " m";
  } else if (before + need > leg[i - 1]) {
    bend.problem = "overlaps the bend at node " + std::to_string(i) +
                   " on the " + Number(leg[i - 1]) + " m leg between them (" +
                   Number(before) + " + " + Number(need) + " m)";
  } else if (InsertArc(R, a, b, c, kArcPoints, arc)) {
    SPointD centre;
    SPointD trace[3];
    if (TraceArc(R, a, b, c, nullptr, 3, trace, &centre)) {
      bend.fits = true;
      bend.t1 = Q(arc[0]);
      bend.t2 = Q(arc[kArcPoints - 1]);
      bend.centre = Q(centre);
      bend.tangent = Distance(b, arc[0]);
      bend.arc = R * bend.turn;
    }
  }
  if (!bend.fits && bend.problem.empty())
    bend.problem = "the arc cannot be traced";
  return bend;
}

// Bends, corner by corner, with the lengths and weights they give the run.
// Returns for every node the index of its fitted bend in res->bends, or -1.
std::vector<int> FitBends(const std::vector<Point3>& nodes,
                          const std::vector<double>& leg, Results* res) {
  const std::size_t n = nodes.size();
  const double R = res->field[kBendRadius], D = res->field[kOuterDiameter];
  std::vector<double> tangent_at(n, 0.0);
  std::vector<int> bend_at(n, -1);
  for (std::size_t i = 1; i + 1 < n; ++i) {
    SPointD a = P(nodes[i - 1]), b = P(nodes[i]), c = P(nodes[i + 1]);
    if (IsParallel(a, b, b, c, kParallel)) {
      if (CosAngle(a, b, c) < 0) continue;  // straight on: no bend
      Bend bend;
      bend.node = static_cast<int>(i);
      bend.problem = "the run turns back on itself";
      res->bends.push_back(bend);
      continue;
    }
    const Bend bend = FitBend(nodes, leg, i, tangent_at[i - 1], R);
    if (bend.fits) {
      tangent_at[i] = bend.tangent;
      bend_at[i] = static_cast<int>(res->bends.size());
      res->arc_length += bend.arc;
      res->bend_weight += TorWeight(R * bend.turn / (2 * kPi), D,
                                    res->inner_diameter, res->field[kDensity]);
    }
    res->bends.push_back(bend);
  }
  for (std::size_t i = 0; i + 1 < n; ++i)
    res->straight_length += leg[i] - tangent_at[i] - tangent_at[i + 1];
  res->total_length = res->straight_length + res->arc_length;
  res->straight_weight = res->weight_per_metre * res->straight_length;
  res->total_weight = res->straight_weight + res->bend_weight;
  return bend_at;
}

// Nodes inserted on bends, each at its arc length from the bend's start.
void InsertSplits(const Document& doc, const std::vector<double>& values,
                  const std::vector<int>& bend_at, Results* res) {
  const int n = static_cast<int>(doc.nodes.size());
  for (const auto& [number, entry] : doc.splits) {
    const std::string what = "split " + std::to_string(number);
    if (number > n) {
      throw InputError(what + ": the run has " + std::to_string(n) + " nodes");
    }
    const std::size_t i = static_cast<std::size_t>(number - 1);
    if (bend_at[i] < 0) {
      throw InputError(what + ": node " + std::to_string(number) +
                       " has no bend");
    }
    const Bend& bend = res->bends[static_cast<std::size_t>(bend_at[i])];
    Split split;
    split.node = static_cast<int>(i);
    split.at = Evaluate(entry, values, what);
    if (!(split.at > 0 && split.at < bend.arc)) {
      throw InputError(what + ": " + Number(split.at) +
                       " m is not inside the bend's arc of " +
                       Number(bend.arc) + " m");
    }
    SPointD a = P(doc.nodes[i - 1]), b = P(doc.nodes[i]),
            c = P(doc.nodes[i + 1]);
    SPointD c1, c2, at, centre;
    GetPointsByInsertNodeInBend(split.at, res->field[kBendRadius], a, b, c,
                                split.dist1, split.dist2, c1, c2, at, &centre);
    split.point = Q(at);
    split.corner1 = Q(c1);
    split.corner2 = Q(c2);
    res->splits.push_back(split);
  }
}

// Soil cover over the pipe's top at every node and inserted node.
void NodeCovers(const Document& doc, const Survey& survey, Results* res) {
  const double half = res->field[kOuterDiameter] / 2;
  res->cover.resize(doc.nodes.size());
  bool first = true;
  for (std::size_t i = 0; i < doc.nodes.size(); ++i) {
    NodeCover& nc = res->cover[i];
    const Point3& p = doc.nodes[i];
    const double top = p.z + half;
    nc.known = survey.CoverAt(p, top, &nc.cover);
    if (!nc.known) continue;
    nc.ground = nc.cover + top;
    nc.too_little = nc.cover < res->field[kMinCover];
    if (nc.too_little) ++res->low_cover_nodes;
    res->min_cover = first ? nc.cover : std::min(res->min_cover, nc.cover);
    res->max_cover = first ? nc.cover : std::max(res->max_cover, nc.cover);
    first = false;
  }
  for (Split& s : res->splits)
    s.cover_known = survey.CoverAt(s.point, s.point.z + half, &s.cover);
}

// Fatigue: the allowable amplitude for the run's load cycles.
void Fatigue(const std::string& curve, Results* res) {
  const double cycles = res->field[kCycles];
  res->allowable_amplitude = curve == "1a"   ? CurveCyclys_1a(cycles)
                             : curve == "2"  ? CurveCyclys_2(cycles)
                             : curve == "2a" ? CurveCyclys_2a(cycles)
                                             : CurveCyclys_1(cycles);
  res->fatigue_ok = res->field[kAmplitude] <= res->allowable_amplitude;
}

}  // namespace

Results Compute(const Document& doc) {
  Results res;
  const std::vector<double> values = EvaluateFields(doc, &res);
  CheckFields(res);
  const std::vector<double> leg = LegLengths(doc.nodes);
  Section(&res);
  const std::vector<int> bend_at = FitBends(doc.nodes, leg, &res);
  InsertSplits(doc, values, bend_at, &res);
  std::unique_ptr<const Survey> survey;
  if (!doc.ground.empty()) {
    survey = std::make_unique<const Survey>(doc.ground);
    NodeCovers(doc, *survey, &res);
  }
  ComputeProfile(doc, bend_at, survey.get(), &res);
  Fatigue(doc.fatigue_curve, &res);
  return res;
}

// The one place that catches the formula engine's faults.
bool EvaluateFormula(const std::wstring& formula,
                     const std::vector<double>& before, double* value,
                     std::string* fault) {
  // A reference must name a value before this one: the engine appends its
  // intermediate values to the same array, so a later #k would silently
  // read one of them. The engine reads the number after '#' as strtol does
  // in the C locale: blanks first, then a sign, so "# 2" and "#+2" are #2.
  auto blank = [](wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
  };
  for (std::size_t i = 0; i < formula.size(); ++i) {
    if (formula[i] != L'#') continue;
    std::size_t j = i + 1;
    while (j < formula.size() && blank(formula[j])) ++j;
    if (j < formula.size() && formula[j] == L'+') ++j;
    const std::size_t digits_at = j;
    std::size_t k = 0;
    while (j < formula.size() && formula[j] >= L'0' && formula[j] <= L'9' &&
           k < 1000000) {
      k = k * 10 + static_cast<std::size_t>(formula[j] - L'0');
      ++j;
    }
    if (j > digits_at && k >= before.size()) {
      fault->assign(1, '#');
      fault->append(std::to_string(k));
      fault->append(" does not name a field before this one");
      return false;
    }
  }
  CString text(formula.c_str());
  CArray<double, double const&> array;
  for (double v : before) array.Add(v);
  try {
    *value = CompileStrV(text, array, 1);
    return true;
  } catch (CUserException* e) {
    e->Delete();
    CString message;
    GetLastErrorM(message);
    *fault = matrix::platform::ToUtf8(message.GetString());
  } catch (CInvalidArgException* e) {
    e->Delete();
    *fault = "a reference does not name a field before this one";
  } catch (CMemoryException* e) {
    e->Delete();
    *fault = "out of memory";
  }
  return false;
}

}  // namespace pipeline
