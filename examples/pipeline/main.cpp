// The pipeline host: reads a pipe run from a JSON document, computes it with
// the library, writes a report and draws the run into an SVG file.
//
//   pipeline [input.json] [--out DIR] [--view plan|iso|profile|both|all]
//            [--exaggeration N] [--version] [--timing]
//
// Without an input it runs the bundled sample. The report DIR/NAME.txt and
// the drawing DIR/NAME.svg take NAME from the input's file name; DIR is the
// current folder unless --out names one. Exit status: 0 done, 1 an output
// could not be written or the run does not fit in memory, 2 bad input or
// bad arguments.
#include <charconv>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#include "host.h"
#include "run.h"

#ifndef PIPELINE_SAMPLE
#define PIPELINE_SAMPLE "sample.json"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// A moment in wall-clock and in processor time: on a busy machine the
// processor time of a stage says more about its cost than the wall clock.
struct Moment {
  Clock::time_point wall;
  std::clock_t cpu;
  static Moment Now() { return Moment{Clock::now(), std::clock()}; }
};

double Wall(const Moment& from, const Moment& to) {
  return std::chrono::duration<double>(to.wall - from.wall).count();
}

double Cpu(const Moment& from, const Moment& to) {
  return static_cast<double>(to.cpu - from.cpu) / CLOCKS_PER_SEC;
}

// Peak resident memory of this process in MiB, from the kernel's account;
// 0 where there is none.
double PeakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

int Usage(const std::string& why) {
  std::fprintf(stderr,
               "pipeline: %s\nusage: pipeline [input.json] [--out DIR] "
               "[--view plan|iso|profile|both|all] [--exaggeration N] "
               "[--version] [--timing]\n",
               why.c_str());
  return 2;
}

struct Options {
  std::string input;
  std::string out_dir = ".";
  pipeline::DrawOptions drawing;
  bool timing = false;
  bool version = false;
};

// The most the profile's levels may be exaggerated: beyond it a run of any
// slope would be drawn far taller than wide.
constexpr double kMaxExaggeration = 1000;
// The least: below it the levels of any run shrink to one line, and a
// vanishing factor (1e-300) leaves the level ticks no finite step.
constexpr double kMinExaggeration = 0.1;

// Reads the value of --out, --view or --exaggeration into `o`; returns an
// empty text or why the value is refused.
std::string TakeValue(const std::string& option, const std::string& value,
                      Options* o) {
  static const std::pair<const char*, pipeline::View> kViews[] = {
      {"plan", pipeline::View::kPlan},
      {"iso", pipeline::View::kIso},
      {"both", pipeline::View::kBoth},
      {"profile", pipeline::View::kProfile},
      {"all", pipeline::View::kAll}};
  if (option == "--out") {
    if (value.empty()) return "--out needs a folder";
    o->out_dir = value;
    return std::string();
  }
  if (option == "--exaggeration") {
    double n = 0;
    const auto r =
        std::from_chars(value.data(), value.data() + value.size(), n);
    if (r.ec != std::errc() || r.ptr != value.data() + value.size() ||
        !(n >= kMinExaggeration && n <= kMaxExaggeration)) {
      return "--exaggeration " + value + ": expected a number from 0.1 to 1000";
    }
    o->drawing.exaggeration = n;
    return std::string();
  }
  for (const auto& [name, view] : kViews) {
    if (value == name) {
      o->drawing.view = view;
      return std::string();
    }
  }
  return "--view " + value + ": expected plan, iso, profile, both or all";
}

// The command line into `o`. Returns an empty text, or why it is refused.
std::string ParseArguments(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--version") {
      o->version = true;
      return std::string();
    } else if (arg == "--timing") {
      o->timing = true;
    } else if (arg == "--out" || arg == "--view" || arg == "--exaggeration") {
      if (i + 1 >= argc) return arg + " needs a value";
      const std::string why = TakeValue(arg, argv[++i], o);
      if (!why.empty()) return why;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + arg;
    } else if (o->input.empty()) {
      o->input = arg;
    } else {
      return "more than one input";
    }
  }
  if (o->input.empty()) o->input = PIPELINE_SAMPLE;
  return std::string();
}

// The input's bytes; false, with one line on stderr, when it cannot be read.
bool ReadInput(const std::string& input, std::string* bytes) {
  std::ifstream file(input, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "pipeline: %s: %s\n", input.c_str(),
                 std::strerror(errno));
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    std::fprintf(stderr, "pipeline: %s: cannot be read\n", input.c_str());
    return false;
  }
  *bytes = text.str();
  return true;
}

// What the stages made, and when each ended: read+parse, compute, svg,
// report, write after the start.
struct Run {
  pipeline::Document doc;
  pipeline::Results res;
  std::string svg, report;
  Moment start{}, parsed{}, computed{}, drawn{}, reported{}, written{};
};

// Reads, computes, draws and reports; throws InputError for bad input.
void RunStages(const Options& o, const std::string& bytes,
               const std::string& name, Run* run) {
  run->doc = pipeline::ReadDocument(pipeline::DecodeUtf8(bytes));
  run->parsed = Moment::Now();
  run->res = pipeline::Compute(run->doc);
  run->computed = Moment::Now();
  run->svg = pipeline::DrawSvg(
      run->doc, run->res, o.drawing,
      pipeline::DecodeUtf8(run->doc.title.empty() ? name : run->doc.title));
  run->drawn = Moment::Now();
  run->report = pipeline::Report(run->doc, run->res, o.input,
                                 pipeline::DecimalSeparator());
  run->reported = Moment::Now();
}

void PrintTiming(const Run& run) {
  std::fprintf(stderr, "timing: nodes %zu", run.doc.nodes.size());
  const char* kind[2] = {"wall", "cpu"};
  for (int k = 0; k < 2; ++k) {
    auto d = k == 0 ? Wall : Cpu;
    std::fprintf(stderr,
                 "; %s s: read+parse %.3f, compute %.3f, svg %.3f, "
                 "report %.3f, write %.3f, total %.3f",
                 kind[k], d(run.start, run.parsed), d(run.parsed, run.computed),
                 d(run.computed, run.drawn), d(run.drawn, run.reported),
                 d(run.reported, run.written), d(run.start, run.written));
  }
  std::fprintf(stderr, "; peak memory %.1f MiB\n", PeakMemoryMiB());
}

// A run too large for this machine's memory (bad_alloc, or a length past
// what a container holds): said, not an abort. Returns the exit status.
int OutOfMemory(const std::string& input) {
  std::fprintf(stderr, "pipeline: %s: not enough memory to compute it\n",
               input.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  Options o;
  const std::string refused = ParseArguments(argc, argv, &o);
  if (!refused.empty()) return Usage(refused);
  if (o.version) {
    std::printf("%s\n", pipeline::VersionText().c_str());
    return 0;
  }
  const std::string stem = std::filesystem::path(o.input).stem().string();
  const std::string name = stem.empty() ? std::string("pipeline") : stem;

  Run run;
  run.start = Moment::Now();
  std::string bytes;
  if (!ReadInput(o.input, &bytes)) return 2;
  try {
    RunStages(o, bytes, name, &run);
  } catch (const pipeline::InputError& e) {
    std::fprintf(stderr, "pipeline: %s: %s\n", o.input.c_str(), e.what());
    return 2;
  } catch (const std::bad_alloc&) {
    return OutOfMemory(o.input);
  } catch (const std::length_error&) {
    return OutOfMemory(o.input);
  }

  std::string svg_path, report_path;
  try {
    svg_path = pipeline::WriteOutputFile(o.out_dir, name + ".svg", run.svg);
    report_path =
        pipeline::WriteOutputFile(o.out_dir, name + ".txt", run.report);
  } catch (const pipeline::OutputError& e) {
    std::fprintf(stderr, "pipeline: %s\n", e.what());
    return 1;
  }
  run.written = Moment::Now();

  std::fputs(
      pipeline::Summary(run.doc, run.res, pipeline::DecimalSeparator()).c_str(),
      stdout);
  std::printf("report: %s\ndrawing: %s\n", report_path.c_str(),
              svg_path.c_str());
  if (o.timing) PrintTiming(run);
  return 0;
}
