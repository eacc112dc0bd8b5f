// The pipeline host: reads a pipe run from a JSON document, computes it with
// the library, writes a report and draws the run into an SVG file.
//
//   pipeline [input.json] [--out DIR] [--view plan|iso|both] [--version]
//            [--timing]
//
// Without an input it runs the bundled sample. The report DIR/NAME.txt and
// the drawing DIR/NAME.svg take NAME from the input's file name; DIR is the
// current folder unless --out names one. Exit status: 0 done, 1 an output
// could not be written, 2 bad input or bad arguments.
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

int Usage(const char* why) {
  std::fprintf(stderr,
               "pipeline: %s\nusage: pipeline [input.json] [--out DIR] "
               "[--view plan|iso|both] [--version] [--timing]\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::string input, out_dir = ".";
  pipeline::View view = pipeline::View::kBoth;
  bool timing = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--version") {
      std::printf("%s\n", pipeline::VersionText().c_str());
      return 0;
    } else if (arg == "--timing") {
      timing = true;
    } else if (arg == "--out" || arg == "--view") {
      if (i + 1 >= argc) return Usage((arg + " needs a value").c_str());
      const std::string value = argv[++i];
      if (arg == "--out") {
        if (value.empty()) return Usage("--out needs a folder");
        out_dir = value;
      } else if (value == "plan") {
        view = pipeline::View::kPlan;
      } else if (value == "iso") {
        view = pipeline::View::kIso;
      } else if (value == "both") {
        view = pipeline::View::kBoth;
      } else {
        return Usage(
            ("--view " + value + ": expected plan, iso or both").c_str());
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option " + arg).c_str());
    } else if (input.empty()) {
      input = arg;
    } else {
      return Usage("more than one input");
    }
  }
  if (input.empty()) input = PIPELINE_SAMPLE;
  const std::string stem = std::filesystem::path(input).stem().string();
  const std::string name = stem.empty() ? std::string("pipeline") : stem;

  const Moment t0 = Moment::Now();
  pipeline::Document doc;
  pipeline::Results res;
  std::string svg, report;
  Moment t1{}, t2{}, t3{}, t4{};
  try {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "pipeline: %s: %s\n", input.c_str(),
                   std::strerror(errno));
      return 2;
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (file.bad()) {
      std::fprintf(stderr, "pipeline: %s: cannot be read\n", input.c_str());
      return 2;
    }
    doc = pipeline::ReadDocument(pipeline::DecodeUtf8(bytes.str()));
    t1 = Moment::Now();
    res = pipeline::Compute(doc);
    t2 = Moment::Now();
    CSvgDC dc;
    dc.SetTitle(CString(
        pipeline::DecodeUtf8(doc.title.empty() ? name : doc.title).c_str()));
    pipeline::Draw(doc, res, view, dc);
    svg = dc.GetSvg();
    t3 = Moment::Now();
    report = pipeline::Report(doc, res, input, pipeline::DecimalSeparator());
    t4 = Moment::Now();
  } catch (const pipeline::InputError& e) {
    std::fprintf(stderr, "pipeline: %s: %s\n", input.c_str(), e.what());
    return 2;
  }

  std::string svg_path, report_path;
  try {
    svg_path = pipeline::WriteOutputFile(out_dir, name + ".svg", svg);
    report_path = pipeline::WriteOutputFile(out_dir, name + ".txt", report);
  } catch (const pipeline::OutputError& e) {
    std::fprintf(stderr, "pipeline: %s\n", e.what());
    return 1;
  }
  const Moment t5 = Moment::Now();

  std::fputs(pipeline::Summary(doc, res, pipeline::DecimalSeparator()).c_str(),
             stdout);
  std::printf("report: %s\ndrawing: %s\n", report_path.c_str(),
              svg_path.c_str());
  if (timing) {
    std::fprintf(stderr, "timing: nodes %zu", doc.nodes.size());
    const char* kind[2] = {"wall", "cpu"};
    for (int k = 0; k < 2; ++k) {
      auto d = k == 0 ? Wall : Cpu;
      std::fprintf(stderr,
                   "; %s s: read+parse %.3f, compute %.3f, svg %.3f, "
                   "report %.3f, write %.3f, total %.3f",
                   kind[k], d(t0, t1), d(t1, t2), d(t2, t3), d(t3, t4),
                   d(t4, t5), d(t0, t5));
    }
    std::fprintf(stderr, "; peak memory %.1f MiB\n", PeakMemoryMiB());
  }
  return 0;
}
