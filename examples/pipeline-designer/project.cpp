// The pipeline designer's one adapter to the pipeline host's stages
// (examples/pipeline, run.h and host.h): reading, computing, drawing and
// reporting a run, and writing the document back in the host's format.
#include "project.h"

#include <afxwin.h>
#include <utf8codec.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "host.h"
#include "run.h"

namespace designer {

struct Project::State {
  pipeline::Document doc;
  pipeline::Results res;  // of the last computation that succeeded
};

namespace {

constexpr std::array<const wchar_t*, Project::kFieldCount> kLabels = {
    L"Outer diameter, m",   L"Wall, m",
    L"Bend radius, m",      L"Design pressure, MPa",
    L"Density, kg/m\u00B3", L"Least cover, m",
    L"Load cycles",         L"Stress amplitude"};

// The shortest text that reads back as the same double.
std::string Number(double value) {
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

// A JSON string of UTF-8 text.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string EntryJson(const pipeline::Entry& e) {
  return e.is_number ? Number(e.number)
                     : Quoted(matrix::platform::ToUtf8(e.formula));
}

std::string PointsJson(const std::vector<pipeline::Point3>& points) {
  std::string out = "[";
  for (std::size_t i = 0; i < points.size(); ++i) {
    const pipeline::Point3& p = points[i];
    out += (i ? ",\n    " : "\n    ");
    out += "{\"x\": " + Number(p.x) + ", \"y\": " + Number(p.y) +
           ", \"z\": " + Number(p.z) + "}";
  }
  return out + (points.empty() ? "]" : "\n  ]");
}

}  // namespace

const char* Project::FieldName(int field) {
  return pipeline::kFieldNames[static_cast<std::size_t>(field)];
}

const wchar_t* Project::FieldLabel(int field) {
  return kLabels[static_cast<std::size_t>(field)];
}

std::vector<std::wstring> Project::Curves() {
  return {L"1", L"1a", L"2", L"2a"};
}

Project::Project(std::unique_ptr<State> state) : state_(std::move(state)) {}
Project::Project(const Project& other)
    : state_(std::make_unique<State>(*other.state_)) {}
Project& Project::operator=(const Project& other) {
  *state_ = *other.state_;
  return *this;
}
Project::~Project() = default;

Project Project::Read(const std::string& json) {
  auto state = std::make_unique<State>();
  try {
    state->doc = pipeline::ReadDocument(pipeline::DecodeUtf8(json));
    state->res = pipeline::Compute(state->doc);
  } catch (const pipeline::InputError& e) {
    throw DocumentError(e.what());
  }
  return Project(std::move(state));
}

std::string Project::Write() const {
  const pipeline::Document& d = state_->doc;
  std::string out = "{\n  \"title\": " + Quoted(d.title) + ",\n  \"fields\": {";
  for (int k = 0; k < kFieldCount; ++k) {
    out += (k ? ",\n    " : "\n    ");
    out += Quoted(FieldName(k)) + ": " + EntryJson(d.fields[k]);
  }
  out += "\n  },\n  \"fatigue_curve\": " + Quoted(d.fatigue_curve);
  out += ",\n  \"nodes\": " + PointsJson(d.nodes);
  if (!d.splits.empty()) {
    out += ",\n  \"split\": {";
    bool first = true;
    for (const auto& [node, entry] : d.splits) {
      out += (first ? "\n    " : ",\n    ");
      out += Quoted(std::to_string(node)) + ": " + EntryJson(entry);
      first = false;
    }
    out += "\n  }";
  }
  if (!d.ground.empty()) out += ",\n  \"ground\": " + PointsJson(d.ground);
  if (d.profile_step_given)
    out += ",\n  \"profile_step\": " + Number(d.profile_step);
  return out + "\n}\n";
}

std::string Project::Title() const { return state_->doc.title; }

std::wstring Project::Field(int field) const {
  const pipeline::Entry& e = state_->doc.fields[field];
  if (!e.is_number) return e.formula;
  const std::string text = Number(e.number);
  return std::wstring(text.begin(), text.end());
}

void Project::SetField(int field, const std::wstring& text) {
  pipeline::Entry& e = state_->doc.fields[field];
  e = pipeline::Entry{};
  // A plain number stays a number in the document; anything else is kept
  // as the formula it is.
  const std::string narrow = matrix::platform::ToUtf8(text);
  double value = 0;
  const auto [end, error] =
      std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
  if (!narrow.empty() && error == std::errc() &&
      end == narrow.data() + narrow.size()) {
    e.is_number = true;
    e.number = value;
  } else {
    e.formula = text;
  }
  state_->doc.present[field] = true;
}

std::wstring Project::Curve() const {
  const std::string& c = state_->doc.fatigue_curve;
  return std::wstring(c.begin(), c.end());
}

void Project::SetCurve(const std::wstring& curve) {
  state_->doc.fatigue_curve = matrix::platform::ToUtf8(curve);
}

std::vector<Node> Project::Nodes() const {
  std::vector<Node> nodes;
  for (const pipeline::Point3& p : state_->doc.nodes) {
    nodes.push_back({p.x, p.y, p.z});
  }
  return nodes;
}

void Project::SetNodes(const std::vector<Node>& nodes) {
  state_->doc.nodes.clear();
  for (const Node& n : nodes) state_->doc.nodes.push_back({n.x, n.y, n.z});
}

void Project::RemoveNode(std::size_t index) {
  pipeline::Document& d = state_->doc;
  if (index >= d.nodes.size()) return;
  d.nodes.erase(d.nodes.begin() + static_cast<std::ptrdiff_t>(index));
  // Splits are keyed by node number (from 1).
  const int removed = static_cast<int>(index) + 1;
  std::map<int, pipeline::Entry> kept;
  for (const auto& [node, entry] : d.splits) {
    if (node != removed) kept.emplace(node > removed ? node - 1 : node, entry);
  }
  d.splits = std::move(kept);
}

bool Project::Evaluate(const std::wstring& text,
                       const std::vector<double>& before, double* value,
                       std::string* fault) {
  return pipeline::EvaluateFormula(text, before, value, fault);
}

bool Project::Compute(std::string* problem) {
  try {
    state_->res = pipeline::Compute(state_->doc);
    return true;
  } catch (const pipeline::InputError& e) {
    *problem = e.what();
    return false;
  }
}

double Project::Value(int field) const { return state_->res.field[field]; }

std::string Project::Svg() const {
  CSvgDC dc;
  dc.SetTitle(CString(pipeline::DecodeUtf8(state_->doc.title).c_str()));
  pipeline::Draw(state_->doc, state_->res, pipeline::View::kAll, dc);
  return dc.GetSvg();
}

std::string Project::Report(const std::string& source) const {
  return pipeline::Report(state_->doc, state_->res, source,
                          pipeline::DecimalSeparator());
}

}  // namespace designer
