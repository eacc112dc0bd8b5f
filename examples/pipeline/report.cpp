// The report of a computed run, and the host's reading of UTF-8 input.
#include <utf8codec.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include "run.h"

namespace pipeline {

namespace {

constexpr double kDegree = 57.29577951308232;  // degrees per radian

std::string Pad(std::string text, std::size_t width) {
  // Widths count characters, not bytes: UTF-8 continuation bytes take none.
  std::size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  if (chars < width) text.insert(0, width - chars, ' ');
  return text;
}

std::string Line(const std::string& label, const std::string& value,
                 const std::string& unit) {
  std::string out = "  " + label;
  if (out.size() < 34) out.append(34 - out.size(), ' ');
  return out + value + (unit.empty() ? "" : " " + unit) + "\n";
}

}  // namespace

std::string FormatNumber(double value, int digits, wchar_t decimal) {
  if (!std::isfinite(value))
    return std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf";
  // Room for the largest double in fixed notation (309 digits) and the
  // decimals.
  char text[400];
  auto r = std::to_chars(text, text + sizeof text, value,
                         std::chars_format::fixed, std::min(digits, 60));
  std::string out(text, r.ptr);
  if (out == "-0" || out.find_first_not_of("-0.") == std::string::npos) {
    if (out[0] == '-') out.erase(0, 1);  // no "-0.00"
  }
  const std::size_t point = out.find('.');
  if (point != std::string::npos && decimal != L'.') {
    out.replace(point, 1,
                matrix::platform::ToUtf8(std::wstring_view(&decimal, 1)));
  }
  return out;
}

namespace {

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The summary's line on the soil cover along the route.
std::string CoverLine(const Document& doc, const Results& res,
                      wchar_t decimal) {
  auto f = [decimal](double v, int d) { return FormatNumber(v, d, decimal); };
  const Profile& pr = res.profile;
  if (doc.ground.empty()) return "  cover: no survey points\n";
  if (!pr.any_known) return "  cover: the survey does not reach the route\n";
  std::string s = "  least cover " + f(pr.least_cover, 2) + " m at chainage " +
                  f(pr.least_at, 1) + " m; " + std::to_string(pr.low_nodes) +
                  " of " + Count(doc.nodes.size(), "node", "nodes") + " and " +
                  Count(pr.low.size(), "stretch", "stretches") + " below " +
                  f(res.field[kMinCover], 2) + " m";
  if (pr.unknown_length > 0)
    s += "; no ground over " + f(pr.unknown_length, 1) + " m";
  return s + "\n";
}

}  // namespace

std::string Summary(const Document& doc, const Results& res, wchar_t decimal) {
  auto f = [decimal](double v, int d) { return FormatNumber(v, d, decimal); };
  int misfits = 0, fitted = 0;
  std::string where;
  for (const Bend& b : res.bends) {
    (b.fits ? fitted : misfits) += 1;
    if (!b.fits && misfits <= 5)
      where += (misfits > 1 ? ", " : "") + std::to_string(b.node + 1);
  }
  if (misfits > 5) where += ", ...";
  std::string s;
  s += (doc.title.empty() ? std::string("Pipe run") : doc.title) + "\n";
  s += "  nodes " + std::to_string(doc.nodes.size()) + ", bends " +
       std::to_string(fitted);
  if (misfits) {
    s += "; no room for the bend at " +
         std::string(misfits > 1 ? "nodes " : "node ") + where;
  }
  if (!res.splits.empty()) {
    s += "; " + std::to_string(res.splits.size()) +
         (res.splits.size() > 1 ? " nodes" : " node") + " inserted on a bend";
  }
  s += "\n";
  s += "  length " + f(res.total_length, 3) + " m (straight " +
       f(res.straight_length, 3) + " m, bends " + f(res.arc_length, 3) +
       " m)\n";
  s += "  weight " + f(res.weight_per_metre, 2) + " kg/m, " +
       f(res.total_weight, 1) + " kg in all\n";
  s += CoverLine(doc, res, decimal);
  s += "  fatigue: amplitude " + f(res.field[kAmplitude], 0) + " of " +
       f(res.allowable_amplitude, 0) + " allowed for " +
       f(res.field[kCycles], 0) + " cycles (curve " + doc.fatigue_curve +
       "): " + (res.fatigue_ok ? "OK" : "EXCEEDED") + "\n";
  return s;
}

namespace {

// Formats numbers with the report's decimal separator.
struct Fmt {
  wchar_t decimal;
  std::string operator()(double v, int digits) const {
    return FormatNumber(v, digits, decimal);
  }
};

std::string PipeSection(const Results& res, const Fmt& f) {
  std::string r = "Pipe\n----\n";
  r += Line("outer diameter", f(res.field[kOuterDiameter], 4), "m");
  r += Line("wall thickness", f(res.field[kWall], 4), "m");
  r += Line("inner diameter", f(res.inner_diameter, 4), "m");
  r += Line("bend radius", f(res.field[kBendRadius], 3), "m");
  r +=
      Line("second moment of area (IxP)", f(res.second_moment * 1e8, 1), "cm4");
  r += Line("material density", f(res.field[kDensity], 0), "kg/m3");
  r += Line("weight per metre (TorWeight)", f(res.weight_per_metre, 3), "kg/m");
  r += Line("design pressure", f(res.field[kPressure], 3), "MPa");
  r += Line("hoop stress p*d/(2t)", f(res.hoop_stress, 2), "MPa");
  return r + "\n";
}

std::string LengthSection(const Results& res, const Fmt& f) {
  std::string r = "Length and weight\n-----------------\n";
  r += Line("straight", f(res.straight_length, 3), "m");
  r += Line("bends", f(res.arc_length, 3), "m");
  r += Line("total", f(res.total_length, 3), "m");
  r += Line("weight of the straights", f(res.straight_weight, 1), "kg");
  r += Line("weight of the bends", f(res.bend_weight, 1), "kg");
  r += Line("weight in all", f(res.total_weight, 1), "kg");
  return r + "\n";
}

std::string BendSection(const Results& res, const Fmt& f) {
  std::string r = "Bends\n-----\n";
  if (res.bends.empty()) r += "  none: the run is straight\n";
  if (!res.bends.empty()) {
    r += "  node    turn deg   tangent m     arc m   centre x, y, z\n";
  }
  for (const Bend& b : res.bends) {
    r += Pad(std::to_string(b.node + 1), 6);
    if (!b.fits) {
      r += "   does not fit: " + b.problem + "\n";
      continue;
    }
    r += Pad(f(b.turn * kDegree, 2), 12) + Pad(f(b.tangent, 3), 12) +
         Pad(f(b.arc, 3), 10) + "   " + f(b.centre.x, 3) + ", " +
         f(b.centre.y, 3) + ", " + f(b.centre.z, 3) + "\n";
  }
  return r + "\n";
}

std::string SplitSection(const Results& res, const Fmt& f) {
  if (res.splits.empty()) return std::string();
  std::string r = "Nodes inserted on bends\n-----------------------\n";
  for (const Split& s : res.splits) {
    r += "  bend at node " + std::to_string(s.node + 1) + ", " + f(s.at, 3) +
         " m along the arc: node at " + f(s.point.x, 3) + ", " +
         f(s.point.y, 3) + ", " + f(s.point.z, 3) + ", station " +
         f(s.station, 3) + " m";
    if (s.cover_known) r += ", cover " + f(s.cover, 2) + " m";
    r += "\n    new corners " + f(s.corner1.x, 3) + ", " + f(s.corner1.y, 3) +
         ", " + f(s.corner1.z, 3) + " (" + f(s.dist1, 3) + " m from node " +
         std::to_string(s.node) + ") and " + f(s.corner2.x, 3) + ", " +
         f(s.corner2.y, 3) + ", " + f(s.corner2.z, 3) + " (" + f(s.dist2, 3) +
         " m from node " + std::to_string(s.node + 2) + ")\n";
  }
  return r + "\n";
}

std::string NodeSection(const Document& doc, const Results& res, const Fmt& f) {
  std::string r = "Nodes and soil cover\n--------------------\n";
  r += "  node           x           y           z    ground     cover\n";
  for (std::size_t i = 0; i < doc.nodes.size(); ++i) {
    const Point3& p = doc.nodes[i];
    r += Pad(std::to_string(i + 1), 6) + Pad(f(p.x, 3), 12) +
         Pad(f(p.y, 3), 12) + Pad(f(p.z, 3), 12);
    if (!res.cover.empty() && res.cover[i].known) {
      r += Pad(f(res.cover[i].ground, 3), 10) +
           Pad(f(res.cover[i].cover, 3), 10);
      if (res.cover[i].too_little) r += "  too little cover";
    } else if (!res.cover.empty()) {
      r += "         no ground surface here";
    }
    r += "\n";
  }
  return r + "\n";
}

std::string ProfileSection(const Document& doc, const Results& res,
                           const Fmt& f) {
  const Profile& pr = res.profile;
  std::string r = "Profile\n-------\n";
  r += "  " + std::to_string(pr.points.size()) + " samples along " +
       f(res.total_length, 3) + " m, at most " + f(pr.step, 3) +
       " m apart: every node, every tangent point and between\n";
  r += "  node   station m      axis z    ground     cover\n";
  for (std::size_t i = 0; i < doc.nodes.size(); ++i) {
    const ProfilePoint& p = pr.points[pr.node_point[i]];
    r += Pad(std::to_string(i + 1), 6) + Pad(f(p.station, 3), 12) +
         Pad(f(p.axis.z, 3), 12);
    if (p.known) {
      r += Pad(f(p.ground, 3), 10) + Pad(f(p.cover, 3), 10);
    } else {
      r += doc.ground.empty() ? "         no survey points"
                              : "         no ground surface here";
    }
    r += "\n";
  }
  if (doc.ground.empty()) return r + "\n";
  r += "  cover below " + f(res.field[kMinCover], 2) + " m:";
  if (pr.low.empty()) r += pr.any_known ? " nowhere" : " not known";
  r += "\n";
  for (const LowStretch& s : pr.low) {
    r += "    chainage " + f(s.from, 1) + " to " + f(s.to, 1) + " m, least " +
         f(s.least, 2) + " m at " + f(s.at, 1) + " m\n";
  }
  if (pr.unknown_length > 0)
    r += "  no ground over " + f(pr.unknown_length, 1) + " m of the route\n";
  return r + "\n";
}

std::string FatigueSection(const Document& doc, const Results& res,
                           const Fmt& f) {
  std::string r = "Fatigue\n-------\n";
  r += Line("load cycles", f(res.field[kCycles], 0), "");
  r += Line("allowable amplitude, curve " + doc.fatigue_curve,
            f(res.allowable_amplitude, 1), "");
  r += Line("amplitude", f(res.field[kAmplitude], 1), "");
  r +=
      Line("utilisation", f(res.field[kAmplitude] / res.allowable_amplitude, 3),
           res.fatigue_ok ? "OK" : "EXCEEDED");
  return r;
}

}  // namespace

std::string Report(const Document& doc, const Results& res,
                   const std::string& source, wchar_t decimal) {
  const Fmt f{decimal};
  std::string r;
  r.reserve(256 + doc.nodes.size() * 128 + res.profile.low.size() * 64);
  r += "Pipe run report\n===============\n\n";
  r += "Document: " + source + "\n\n";
  r += "Summary\n-------\n" + Summary(doc, res, decimal) + "\n";
  r += PipeSection(res, f);
  r += LengthSection(res, f);
  r += BendSection(res, f);
  r += SplitSection(res, f);
  r += NodeSection(doc, res, f);
  r += ProfileSection(doc, res, f);
  r += FatigueSection(doc, res, f);
  return r;
}

std::wstring DecodeUtf8(const std::string& bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  const auto* begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = begin + bytes.size();
  for (const unsigned char* p = begin; p < end;) {
    char32_t c = 0;
    const int length = matrix::platform::ReadUtf8(p, end, c);
    if (length < 0) {
      // -1 - length: where in the sequence the fault shows.
      const auto offset = static_cast<std::size_t>(p - begin) +
                          static_cast<std::size_t>(-1 - length);
      throw InputError("the document is not UTF-8 (byte " +
                       std::to_string(offset) + ")");
    }
    out += static_cast<wchar_t>(c);
    p += static_cast<std::size_t>(length);
  }
  return out;
}

}  // namespace pipeline
