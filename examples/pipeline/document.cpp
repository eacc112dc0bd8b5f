// Reading a pipe-run document through JsonParse. The walker reports each
// string and number with its name and a parent name, by rules fixed per
// depth; the document is laid out so that those two names say everything:
//
//   depth 1  "title": "...", "fatigue_curve": "1a",     (name, no parent)
//            "profile_step": 0.5
//   depth 2  "fields": { "wall": "0.008", ... }          (name, parent
//   "fields")
//            "split":  { "3": "0.5*#2" }                 (name, parent "split")
//   depth 3  "nodes":  [ {"x": 0, "y": 0, "z": -1.2}, ...]
//            "ground": [ {"x": 0, "y": 0, "z": 0.3}, ...]
//                               (name x/y/z, parent "nodes" or "ground")
//
// Elements of an array come in order, so the records of "nodes" and
// "ground" follow each other; a key that the record being filled already
// holds starts the next one. Every record holds exactly x, y and z.
#include <utf8codec.h>

#include <cmath>
#include <cstdint>
#include <cwchar>
#include <set>
#include <string>

#include "run.h"

namespace pipeline {

const std::array<const char*, kFieldCount> kFieldNames = {
    "outer_diameter", "wall",      "bend_radius", "pressure",
    "density",        "min_cover", "cycles",      "amplitude"};

namespace {

constexpr unsigned short kString = 8;
constexpr unsigned short kInteger = 22;

std::string Narrow(const wchar_t* text) {
  return text ? matrix::platform::ToUtf8(text) : std::string("(none)");
}

// Fills records of x, y and z from the reports of one array.
class RecordReader {
 public:
  RecordReader(const char* what, std::vector<Point3>* out)
      : what_(what), out_(out) {}

  // Returns an empty string, or the fault.
  std::string Add(const std::wstring& key, bool is_number, double value,
                  const wchar_t* text) {
    int slot = key == L"x" ? 0 : key == L"y" ? 1 : key == L"z" ? 2 : -1;
    const int number = static_cast<int>(out_->size()) + (open_ ? 0 : 1);
    if (slot < 0) {
      return std::string(what_) + " " + std::to_string(number) +
             ": unknown field \"" + matrix::platform::ToUtf8(key) +
             "\" (a point has x, y and z)";
    }
    if (open_ && (seen_ & (1u << slot))) {
      std::string fault = Close();
      if (!fault.empty()) return fault;
    }
    if (!open_) {
      out_->push_back(Point3{});
      open_ = true;
      seen_ = 0;
    }
    const int index = static_cast<int>(out_->size());
    if (!is_number) {
      return std::string(what_) + " " + std::to_string(index) + ": " +
             matrix::platform::ToUtf8(key) + " is not a number (\"" +
             Narrow(text) + "\")";
    }
    if (!std::isfinite(value) || std::fabs(value) > 1e9) {
      return std::string(what_) + " " + std::to_string(index) + ": " +
             matrix::platform::ToUtf8(key) + " is beyond +-1e9 m";
    }
    double* coord[3] = {&out_->back().x, &out_->back().y, &out_->back().z};
    *coord[slot] = value;
    seen_ |= 1u << slot;
    return std::string();
  }

  // Ends the record being filled; a missing coordinate is a fault.
  std::string Close() {
    if (!open_) return std::string();
    open_ = false;
    static const char* kNames[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
      if (!(seen_ & (1u << i))) {
        return std::string(what_) + " " + std::to_string(out_->size()) +
               ": no " + kNames[i] + " (or it is not a number)";
      }
    }
    return std::string();
  }

 private:
  const char* what_;
  std::vector<Point3>* out_;
  bool open_ = false;
  unsigned seen_ = 0;
};

struct Reader {
  Document doc;
  RecordReader nodes{"node", &doc.nodes};
  RecordReader ground{"ground point", &doc.ground};
  std::string fault;  // the first fault; the rest of the walk is ignored
  std::size_t calls = 0;
  std::set<std::wstring> seen_top;

  void Take(const wchar_t* name, const wchar_t* text, DWORD int_value,
            double double_value, unsigned short type, const wchar_t* parent) {
    ++calls;
    if (!fault.empty()) return;
    const bool is_number = type != kString;
    const double value =
        type == kInteger
            ? static_cast<double>(static_cast<std::int32_t>(int_value))
            : double_value;
    const std::wstring key = name;
    if (parent == nullptr) {
      TakeTop(key, is_number, value, text);
      return;
    }
    const std::wstring up = parent;
    if (up == key) {
      // A number straight inside an array at the top: its name and parent
      // are both the array's.
      fault = matrix::platform::ToUtf8(key) + ": " +
              (key == L"nodes" || key == L"ground"
                   ? "an element is a number; each point is an object with x, "
                     "y and z"
                   : "expected an object, found an array");
    } else if (up == L"nodes") {
      fault = nodes.Add(key, is_number, value, text);
    } else if (up == L"ground") {
      fault = ground.Add(key, is_number, value, text);
    } else if (up == L"fields") {
      TakeField(key, is_number, value, text);
    } else if (up == L"split") {
      TakeSplit(key, is_number, value, text);
    } else {
      fault = "unknown field \"" + matrix::platform::ToUtf8(key) + "\" in \"" +
              matrix::platform::ToUtf8(up) + "\"";
    }
  }

  void TakeTop(const std::wstring& key, bool is_number, double value,
               const wchar_t* text) {
    // A second value would silently replace the first, as a field's would.
    if ((key == L"profile_step" || key == L"title" ||
         key == L"fatigue_curve") &&
        !seen_top.insert(key).second) {
      fault = matrix::platform::ToUtf8(key) + " is given twice";
      return;
    }
    if (key == L"profile_step") {
      if (!is_number) {
        fault = "profile_step: expected a number of metres, found a text";
        return;
      }
      doc.profile_step_given = true;
      doc.profile_step = value;
      return;
    }
    if (key == L"title" || key == L"fatigue_curve") {
      if (is_number) {
        fault =
            matrix::platform::ToUtf8(key) + ": expected a text, found a number";
        return;
      }
      if (key == L"title") {
        doc.title = matrix::platform::ToUtf8(text);
      } else {
        doc.fatigue_curve = matrix::platform::ToUtf8(text);
        if (doc.fatigue_curve != "1" && doc.fatigue_curve != "1a" &&
            doc.fatigue_curve != "2" && doc.fatigue_curve != "2a") {
          fault = "fatigue_curve: \"" + doc.fatigue_curve +
                  "\" is not one of 1, 1a, 2, 2a";
        }
      }
      return;
    }
    if (key.empty()) {
      fault = "the document is an array; expected an object";
      return;
    }
    if (key == L"fields" || key == L"split" || key == L"nodes" ||
        key == L"ground") {
      fault = matrix::platform::ToUtf8(key) + ": expected " +
              (key == L"nodes" || key == L"ground" ? "an array of points"
                                                   : "an object") +
              ", found a " + (is_number ? "number" : "text");
      return;
    }
    fault = "unknown field \"" + matrix::platform::ToUtf8(key) + "\"";
  }

  void TakeField(const std::wstring& key, bool is_number, double value,
                 const wchar_t* text) {
    for (int k = 0; k < kFieldCount; ++k) {
      if (key == DecodeUtf8(kFieldNames[k])) {
        if (doc.present[k]) {
          fault =
              "fields: " + matrix::platform::ToUtf8(key) + " is given twice";
          return;
        }
        doc.present[k] = true;
        doc.fields[k] = MakeEntry(is_number, value, text);
        return;
      }
    }
    fault = "fields: unknown field \"" + matrix::platform::ToUtf8(key) + "\"";
  }

  void TakeSplit(const std::wstring& key, bool is_number, double value,
                 const wchar_t* text) {
    // The key is the number of a node, as the report counts them from 1.
    int node = 0;
    bool ok = !key.empty() && key.size() <= 9;
    for (wchar_t c : key) {
      if (c < L'0' || c > L'9') ok = false;
      if (ok) node = node * 10 + (c - L'0');
    }
    if (!ok || node < 1) {
      fault = "split: \"" + matrix::platform::ToUtf8(key) +
              "\" is not a node number";
      return;
    }
    doc.splits[node] = MakeEntry(is_number, value, text);
  }

  static Entry MakeEntry(bool is_number, double value, const wchar_t* text) {
    Entry e;
    e.is_number = is_number;
    e.number = value;
    if (!is_number) e.formula = text;
    return e;
  }
};

thread_local Reader* g_reader = nullptr;

int Report(const wchar_t* name, const wchar_t* text, DWORD int_value,
           double double_value, DWORD, unsigned short type,
           const wchar_t* parent) {
  if (g_reader != nullptr) {
    g_reader->Take(name, text, int_value, double_value, type, parent);
  }
  return 0;
}

}  // namespace

Document ReadDocument(const std::wstring& text) {
  Reader reader;
  // The walker's context is 32 bits, too narrow for a pointer: the reader
  // is found through this thread's slot, emptied on every way out.
  struct Slot {
    explicit Slot(Reader* r) { g_reader = r; }
    ~Slot() { g_reader = nullptr; }
  } slot(&reader);
  const int walked = JsonParse(text.c_str(), Report, 0, true);
  if (!walked) {
    throw InputError(reader.calls == 0
                         ? "the document does not parse as JSON (or nests "
                           "deeper than eight levels)"
                         : "the document nests deeper than a pipe run does");
  }
  if (reader.fault.empty()) reader.fault = reader.nodes.Close();
  if (reader.fault.empty()) reader.fault = reader.ground.Close();
  if (!reader.fault.empty()) throw InputError(reader.fault);
  for (int k = 0; k < kFieldCount; ++k) {
    if (!reader.doc.present[k]) {
      throw InputError(std::string("fields: ") + kFieldNames[k] +
                       " is missing");
    }
  }
  return reader.doc;
}

}  // namespace pipeline
